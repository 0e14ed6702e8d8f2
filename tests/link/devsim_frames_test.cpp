#include "DeviceFrames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace kestrune;
using namespace kestrune::devsim;

namespace {

const MacAddress kDevice{0x02, 0x6b, 0x73, 0x00, 0x00, 0x01};
const MacAddress kTool{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

std::vector<uint8_t> BytesOf(const transmit_frame_stu& frame)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(&frame);
    return {bytes, bytes + sizeof frame};
}

// The 22 header bytes of a frame from kDevice to kTool.
std::vector<uint8_t> ExpectedFrame(uint8_t type, uint16_t seq, uint8_t op)
{
    std::vector<uint8_t> expected(1286, 0);
    const uint8_t head[] = {0x00,
                            0x11,
                            0x22,
                            0x33,
                            0x44,
                            0x55,
                            0x02,
                            0x6b,
                            0x73,
                            0x00,
                            0x00,
                            0x01,
                            0x62,
                            0x62,
                            0x00,
                            type,
                            static_cast<uint8_t>(seq >> 8),
                            static_cast<uint8_t>(seq),
                            0x00,
                            op,
                            0x00,
                            0x00};
    std::memcpy(expected.data(), head, sizeof head);
    return expected;
}

std::vector<uint8_t> FileOfSize(size_t size)
{
    std::vector<uint8_t> file(size);
    for (size_t i = 0; i < size; ++i)
        file[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return file;
}

// Feeds a file to an assembler as the tool cuts it; returns the outcomes.
std::vector<transmit_frame_stu> Blocks(const std::vector<uint8_t>& file)
{
    transmit_frame_stu frame;
    BuildHeader(frame, kDevice, kTool, FramePara, OpParaBlock, 1);
    BlockCutter cutter(frame, file);
    std::vector<transmit_frame_stu> blocks;
    while (cutter.Next())
        blocks.push_back(frame);
    return blocks;
}

FileAssembler::Outcome Feed(FileAssembler& assembler, const transmit_frame_stu& block,
                            uint64_t nowMs = 0)
{
    return assembler.Take(SeqOf(block), BlockFlagOf(block), block.payload, PayloadLenOf(block),
                          nowMs);
}

}  // namespace

TEST(DevsimFrames, DiscoverAnswerGoldenBytes)
{
    // A short SSID, one exactly as wide as its field (no NUL), one too long
    // (cut at the field, nothing spills into the next), a full-width key.
    const DeviceWireless wireless{"AB", std::string(40, 'S'), "k", std::string(66, 'K')};
    const transmit_frame_stu answer = BuildDiscoverAnswer(kDevice, kTool, wireless);

    std::vector<uint8_t> expected = ExpectedFrame(0x00, 0, 0x04);
    expected[22] = 'A';
    expected[23] = 'B';
    for (size_t i = 56; i < 90; ++i)
        expected[i] = 'S';
    expected[90] = 'k';
    for (size_t i = 156; i < 222; ++i)
        expected[i] = 'K';
    EXPECT_EQ(BytesOf(answer), expected);

    const DeviceWireless fullWidth{std::string(34, 'a'), std::string(34, 'b'), std::string(66, 'c'),
                                   std::string(66, 'd')};
    const auto full = BytesOf(BuildDiscoverAnswer(kDevice, kTool, fullWidth));
    EXPECT_EQ(
        std::string(full.begin() + 22, full.begin() + 222),
        std::string(34, 'a') + std::string(34, 'b') + std::string(66, 'c') + std::string(66, 'd'));
}

TEST(DevsimFrames, AckAndResultGoldenBytes)
{
    struct Case {
        const char* what;
        transmit_frame_stu frame;
        uint8_t type;
        uint16_t seq;
        uint8_t op;
    };
    const Case cases[] = {
        {"configuration block ack", BuildAck(kDevice, kTool, FramePara, 0x0102), 1, 0x0102, 4},
        {"logo block ack", BuildAck(kDevice, kTool, FrameLogo, 1), 2, 1, 4},
        {"catch-all ack", BuildAck(kDevice, kTool, FramePara, 0xFFFF), 1, 0xFFFF, 4},
        {"anti-theft ack", BuildAck(kDevice, kTool, FrameAntiTheft, 1), 3, 1, 4},
        {"configuration ok", BuildResult(kDevice, kTool, FramePara, true), 1, 0, 6},
        {"configuration fail", BuildResult(kDevice, kTool, FramePara, false), 1, 0, 5},
        {"logo ok", BuildResult(kDevice, kTool, FrameLogo, true), 2, 0, 8},
        {"logo fail", BuildResult(kDevice, kTool, FrameLogo, false), 2, 0, 7},
        {"anti-theft ok", BuildResult(kDevice, kTool, FrameAntiTheft, true), 3, 0, 10},
        {"anti-theft fail", BuildResult(kDevice, kTool, FrameAntiTheft, false), 3, 0, 9},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BytesOf(c.frame), ExpectedFrame(c.type, c.seq, c.op)) << c.what;

    // The tool's own matching rules accept what the simulator sends.
    EXPECT_TRUE(IsBlockAck(BuildAck(kDevice, kTool, FrameLogo, 7), FrameLogo, 7));
    EXPECT_TRUE(IsAntiTheftAck(BuildAck(kDevice, kTool, FrameAntiTheft, 1)));
}

TEST(DevsimFrames, ReassemblesFilesAsTheToolCutsThem)
{
    for (size_t size :
         {size_t{0}, size_t{1}, size_t{1024}, size_t{1025}, size_t{3000}, size_t{64 * 1024}}) {
        const std::vector<uint8_t> file = FileOfSize(size);
        FileAssembler assembler;
        for (const transmit_frame_stu& block : Blocks(file))
            EXPECT_EQ(Feed(assembler, block), FileAssembler::Outcome::Accepted) << size;
        ASSERT_TRUE(assembler.TakeCompleted()) << size;
        EXPECT_FALSE(assembler.TakeCompleted()) << "reported once";
        EXPECT_EQ(assembler.Bytes(), file) << size;
        EXPECT_EQ(RunLengthText(assembler.Sends()), "1x" + std::to_string(BlockCount(size)));
    }
}

TEST(DevsimFrames, ResendsAndStrayBlocks)
{
    const std::vector<uint8_t> file = FileOfSize(3000);
    const auto blocks = Blocks(file);
    FileAssembler assembler;

    // A block not preceded by a first block is not taken.
    EXPECT_EQ(Feed(assembler, blocks[1]), FileAssembler::Outcome::Ignored);
    // The first block five times (acknowledgements lost), then one skipped.
    EXPECT_EQ(Feed(assembler, blocks[0]), FileAssembler::Outcome::Accepted);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Feed(assembler, blocks[0]), FileAssembler::Outcome::Duplicate);
    EXPECT_EQ(Feed(assembler, blocks[2]), FileAssembler::Outcome::Ignored);
    EXPECT_EQ(Feed(assembler, blocks[1]), FileAssembler::Outcome::Accepted);
    EXPECT_EQ(Feed(assembler, blocks[2], 100), FileAssembler::Outcome::Accepted);
    ASSERT_TRUE(assembler.TakeCompleted());
    EXPECT_EQ(assembler.Bytes(), file);
    EXPECT_EQ(RunLengthText(assembler.Sends()), "5x1,1x2");

    // The last block again soon after: a resend, not a second file; much
    // later it belongs to no file.
    EXPECT_EQ(Feed(assembler, blocks[2], 5000), FileAssembler::Outcome::Duplicate);
    EXPECT_FALSE(assembler.TakeCompleted());
    EXPECT_EQ(Feed(assembler, blocks[2], 100 + kDuplicateWindowMs + 1),
              FileAssembler::Outcome::Ignored);

    // A new file abandons one the tool gave up on half-way.
    std::vector<uint8_t> other = FileOfSize(1500);
    for (uint8_t& byte : other)
        byte ^= 0x5a;
    const auto otherBlocks = Blocks(other);
    EXPECT_EQ(Feed(assembler, blocks[0], 20000), FileAssembler::Outcome::Accepted);
    for (const transmit_frame_stu& block : otherBlocks)
        EXPECT_EQ(Feed(assembler, block, 20001), FileAssembler::Outcome::Accepted);
    ASSERT_TRUE(assembler.TakeCompleted());
    EXPECT_EQ(assembler.Bytes(), other);
}

TEST(DevsimFrames, JunkNeverCarriesMeaning)
{
    std::mt19937_64 random(7);
    std::set<uint32_t> pairs;
    size_t shortest = 100000, longest = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::vector<uint8_t> junk = BuildJunk(random, kDevice, kTool);
        ASSERT_GE(junk.size(), 14u);
        ASSERT_LE(junk.size(), 9000u);
        shortest = std::min(shortest, junk.size());
        longest = std::max(longest, junk.size());
        ASSERT_EQ(0, std::memcmp(junk.data(), kTool.data(), 6));
        ASSERT_EQ(0, std::memcmp(junk.data() + 6, kDevice.data(), 6));
        ASSERT_EQ(junk[12], 0x62);
        ASSERT_EQ(junk[13], 0x62);
        transmit_frame_stu seen;
        ReadFrame(junk, seen);
        ASSERT_FALSE(IsMeaningfulFromDevice(FrameTypeOf(seen), FrameOpOf(seen)));
        ASSERT_NE(SeqOf(seen), kSeqAny);
        if (FrameTypeOf(seen) < 6 && FrameOpOf(seen) < 13)
            pairs.insert(static_cast<uint32_t>(FrameTypeOf(seen)) << 16 | FrameOpOf(seen));
    }
    EXPECT_LT(shortest, 20u);
    EXPECT_GT(longest, 8000u);
    // Every small type/op pair that means nothing turns up, not just a few.
    EXPECT_GE(pairs.size(), 6u * 13u - 10u);
}

TEST(DevsimFrames, LockCodeOfAntiTheftText)
{
    struct Case {
        std::string json;
        std::optional<std::string> code;
    };
    const Case cases[] = {
        {R"({"Lockcode":"abc123","Enable":"1","ACName":"","DNS1":"","DNS2":""})", "abc123"},
        {R"({"Lockcode":"","Enable":"0"})", ""},
        {R"({ "Lockcode" : "x y" })", "x y"},
        {R"({"Enable":"1"})", std::nullopt},
        {R"({"Lockcode":abc})", std::nullopt},
        {R"({"Lockcode":"unterminated)", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LockCodeOf(c.json), c.code) << c.json;
}
