#include "DeviceRecords.h"
#include "TransmitFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kestrune;

namespace {

using Bytes = std::vector<uint8_t>;

const MacAddress kDevice{0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x01};
const MacAddress kAdapter{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

Bytes AsBytes(const transmit_frame_stu& frame)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&frame);
    return Bytes(p, p + sizeof frame);
}

void Put(Bytes& bytes, size_t offset, std::initializer_list<uint8_t> values)
{
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<ptrdiff_t>(offset));
}

// A block frame from device to adapter written out byte by byte: the
// addresses, 62 62, type, seq, op, file count 1, block flag, payload, length.
Bytes ExpectedBlock(uint8_t type, uint8_t op, uint16_t seq, uint8_t flag, const uint8_t* data,
                    size_t length)
{
    Bytes bytes(1286, 0);
    Put(bytes, 0,
        {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x62, 0x62});
    Put(bytes, 14, {0x00, type});
    Put(bytes, 16, {static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq & 0xFF)});
    Put(bytes, 18, {0x00, op});
    Put(bytes, 20, {0x00, 0x01});
    Put(bytes, 222, {0x00, flag});
    if (length > 0)
        std::memcpy(bytes.data() + 260, data, length);
    Put(bytes, 1284, {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF)});
    return bytes;
}

Bytes FileOf(size_t size)
{
    Bytes file(size);
    for (size_t i = 0; i < size; ++i)
        file[i] = static_cast<uint8_t>(i * 31 + 7);
    return file;
}

}  // namespace

TEST(Frame, DiscoverRequestGoldenBytes)
{
    const transmit_frame_stu frame = BuildDiscoverRequest(kAdapter);
    Bytes expected(1286, 0);
    Put(expected, 0, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x11, 0x22, 0x33, 0x44,
                      0x55, 0x62, 0x62, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00});
    EXPECT_EQ(AsBytes(frame), expected);
    EXPECT_EQ(FrameTypeOf(frame), 0);
    EXPECT_EQ(FrameOpOf(frame), 1);
    EXPECT_EQ(SeqOf(frame), 0);
    EXPECT_EQ(MacTextOf(frame), "00:11:22:33:44:55");
}

// Files cut into blocks: the number of blocks, and each block against bytes
// written out by hand (seq, flag, length, the file's bytes at their place).
TEST(Frame, FileCutIntoBlocks)
{
    struct Block {
        uint16_t seq;
        uint8_t flag;
        size_t length;
    };
    struct Case {
        size_t size;
        std::vector<Block> blocks;
    } cases[] = {
        {3000, {{1, 1, 1024}, {2, 0, 1024}, {3, 2, 952}}},
        {0, {{1, 2, 0}}},
        {1, {{1, 2, 1}}},
        {1024, {{1, 2, 1024}}},
        {1025, {{1, 1, 1024}, {2, 2, 1}}},
        {2048, {{1, 1, 1024}, {2, 2, 1024}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const Bytes file = FileOf(c.size);
        transmit_frame_stu frame;
        BuildHeader(frame, kDevice, kAdapter, FramePara, OpParaBlock, 1);
        BlockCutter cutter(frame, file);
        ASSERT_TRUE(cutter.Fits());
        EXPECT_EQ(BlockCount(c.size), c.blocks.size());
        size_t offset = 0;
        for (const Block& b : c.blocks) {
            ASSERT_TRUE(cutter.Next());
            EXPECT_EQ(AsBytes(frame),
                      ExpectedBlock(1, 2, b.seq, b.flag, file.data() + offset, b.length))
                << "seq " << b.seq;
            EXPECT_EQ(SeqOf(frame), b.seq);
            EXPECT_EQ(BlockFlagOf(frame), b.flag);
            EXPECT_EQ(PayloadLenOf(frame), b.length);
            offset += b.length;
        }
        EXPECT_FALSE(cutter.Next());
        EXPECT_EQ(cutter.BlocksDone(), c.blocks.size());
    }
}

TEST(Frame, LogoBlockHeader)
{
    const Bytes file = FileOf(10);
    transmit_frame_stu frame;
    BuildHeader(frame, kDevice, kAdapter, FrameLogo, OpLogoBlock, 2);
    BlockCutter cutter(frame, file);
    ASSERT_TRUE(cutter.Next());
    Bytes expected = ExpectedBlock(2, 3, 1, 2, file.data(), 10);
    Put(expected, 20, {0x00, 0x02});
    EXPECT_EQ(AsBytes(frame), expected);
}

TEST(Frame, SequenceNumbersAndTheBlockLimit)
{
    EXPECT_EQ(BlockSeq(1), 1);
    EXPECT_EQ(BlockSeq(65535), 0xFFFF);
    EXPECT_EQ(BlockSeq(65536), 0xFFFF);  // a 16-bit 0 is never sent
    EXPECT_EQ(BlockSeq(65537), 1);

    // 65535 blocks is the most the sequence numbers can name.
    Bytes largest(size_t{65535} * 1024);
    transmit_frame_stu frame;
    BuildHeader(frame, kDevice, kAdapter, FramePara, OpParaBlock, 1);
    BlockCutter fits(frame, largest);
    ASSERT_TRUE(fits.Fits());
    uint16_t lastSeq = 0, lastFlag = 9;
    while (fits.Next()) {
        lastSeq = SeqOf(frame);
        lastFlag = BlockFlagOf(frame);
    }
    EXPECT_EQ(fits.BlocksDone(), 65535u);
    EXPECT_EQ(lastSeq, 65535);
    EXPECT_EQ(lastFlag, 2);

    // One byte more is refused before any block is made.
    largest.push_back(0);
    BuildHeader(frame, kDevice, kAdapter, FramePara, OpParaBlock, 1);
    const Bytes header = AsBytes(frame);
    BlockCutter refused(frame, largest);
    EXPECT_FALSE(refused.Fits());
    EXPECT_FALSE(refused.Next());
    EXPECT_EQ(refused.BlocksDone(), 0u);
    EXPECT_EQ(AsBytes(frame), header);
}

TEST(Frame, AntiTheftFrameGoldenBytes)
{
    const std::string json(100, 'j');
    transmit_frame_stu frame;
    // Stale bytes from an earlier use of the record must not survive.
    std::memset(&frame, 0xEE, sizeof frame);
    ASSERT_TRUE(BuildAntiTheftFrame(frame, kDevice, kAdapter, json));
    Bytes expected(1286, 0);
    Put(expected, 0, {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44,
                      0x55, 0x62, 0x62, 0x00, 0x03, 0x00, 0x01, 0x00, 0x0B, 0x00, 0x01});
    Put(expected, 222, {0x00, 0x02});
    std::fill(expected.begin() + 260, expected.begin() + 360, 'j');
    Put(expected, 1284, {0x00, 0x64});
    EXPECT_EQ(AsBytes(frame), expected);
    EXPECT_EQ(frame.payload[100], 0);

    EXPECT_TRUE(BuildAntiTheftFrame(frame, kDevice, kAdapter, std::string(1023, 'x')));
    EXPECT_FALSE(BuildAntiTheftFrame(frame, kDevice, kAdapter, std::string(1024, 'x')));
}

TEST(Frame, AcknowledgementMatch)
{
    struct Case {
        uint16_t type, op, seq;
        bool acksParaBlock5;  // outstanding: configuration block, seq 5
        bool acksAntiTheft;
    } cases[] = {
        {1, 4, 5, true, false},       // the block's own acknowledgement
        {2, 4, 5, false, false},      // wrong type
        {1, 6, 5, false, false},      // wrong op (a result, not an ack)
        {1, 4, 4, false, false},      // the previous block's seq
        {1, 4, 6, false, false},      // a later seq
        {0, 0, 0xFFFF, true, false},  // 0xFFFF acknowledges any outstanding block
        {3, 9, 0xFFFF, true, false},  // ... whatever its type and op
        {3, 4, 1, false, true},       // the anti-theft acknowledgement
        {3, 4, 2, false, false},      // anti-theft with seq 2
        {3, 11, 1, false, false},     // our own anti-theft frame echoed
        {1, 4, 1, false, false},      // type 1 seq 1 is no anti-theft ack
    };
    for (const Case& c : cases) {
        transmit_frame_stu frame;
        BuildHeader(frame, kAdapter, kDevice, c.type, c.op, 0);
        SetSeq(frame, c.seq);
        EXPECT_EQ(IsBlockAck(frame, FramePara, 5), c.acksParaBlock5)
            << c.type << "/" << c.op << "/" << c.seq;
        EXPECT_EQ(IsAntiTheftAck(frame), c.acksAntiTheft) << c.type << "/" << c.op << "/" << c.seq;
    }
}

// Any received length is read into a zeroed record, never more than 1286 bytes.
TEST(Frame, ReceivedFrameOfAnyLength)
{
    Bytes wire(9001);
    for (size_t i = 0; i < wire.size(); ++i)
        wire[i] = static_cast<uint8_t>(i % 253 + 1);
    for (size_t length = 0; length <= 9000; ++length) {
        // Read from a buffer of exactly that length so that any read past it shows.
        const Bytes received(wire.begin(), wire.begin() + static_cast<ptrdiff_t>(length));
        transmit_frame_stu frame;
        std::memset(&frame, 0xEE, sizeof frame);
        ReadFrame(received, frame);
        const Bytes got = AsBytes(frame);
        const size_t kept = std::min<size_t>(length, 1286);
        ASSERT_TRUE(
            std::equal(got.begin(), got.begin() + static_cast<ptrdiff_t>(kept), received.begin()))
            << length;
        ASSERT_TRUE(std::all_of(got.begin() + static_cast<ptrdiff_t>(kept), got.end(),
                                [](uint8_t b) { return b == 0; }))
            << length;
    }
    // 2000 bytes: the first 1286 as they came, the rest dropped.
    const Bytes received(wire.begin(), wire.begin() + 2000);
    transmit_frame_stu frame;
    ReadFrame(received, frame);
    EXPECT_EQ(AsBytes(frame), Bytes(wire.begin(), wire.begin() + 1286));
    EXPECT_EQ(PayloadLenOf(frame), (1284 % 253 + 1) << 8 | (1285 % 253 + 1));
}

// A discovery answer cut short after the 2.4 GHz key began: the missing bytes
// read as zero, so both keys are empty.
TEST(Frame, ShortDiscoveryAnswer)
{
    Bytes answer = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x02, 0xAA, 0xBB, 0xCC, 0xDD,
                    0x01, 0x62, 0x62, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
    const std::string ssid2 = "Lab-2G", ssid5 = "Lab-5G-filled-to-the-last-byte-33";
    ASSERT_EQ(ssid5.size(), 33u);
    answer.resize(89, 0);  // ends inside ssid5's last byte, before wpakey2
    std::memcpy(answer.data() + 22, ssid2.data(), ssid2.size());
    std::memcpy(answer.data() + 56, ssid5.data(), ssid5.size());

    transmit_frame_stu frame;
    ReadFrame(answer, frame);
    EXPECT_EQ(FrameTypeOf(frame), FrameDiscover);
    EXPECT_EQ(FrameOpOf(frame), OpAck);
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 2;
    local.tm_hour = 3;
    local.tm_min = 4;
    local.tm_sec = 5;
    const ap_discover_stu record = BuildDiscoverRecord(frame.srcMac, frame.deviceInfo, local);
    EXPECT_STREQ(record.mac, "02:AA:BB:CC:DD:01");
    EXPECT_STREQ(record.date, "2024-01-02 03:04:05");
    EXPECT_EQ(FieldText(record.ssid2), ssid2);
    EXPECT_EQ(FieldText(record.ssid5), ssid5);
    EXPECT_EQ(FieldText(record.wpakey2), "");
    EXPECT_EQ(FieldText(record.wpakey5), "");
}
