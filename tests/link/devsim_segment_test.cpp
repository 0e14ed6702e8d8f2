// The real simulator on a virtual segment, driven from the tool end by a
// plain packet socket, so these tests stand on the simulator alone.
#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DeviceFrames.h"
#include "SegmentTest.h"
#include "TransmitFrame.h"

using namespace kestrune;
using namespace kestrune::netns;
using namespace std::chrono_literals;

namespace {

class ToolSocket {
public:
    explicit ToolSocket(const std::string& interface)
    {
        m_fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(kEtherType));
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_protocol = htons(kEtherType);
        address.sll_ifindex = static_cast<int>(::if_nametoindex(interface.c_str()));
        // Room for a burst of answers from many devices at once.
        const int bufferBytes = 8 << 20;
        if (m_fd >= 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytes, sizeof bufferBytes);
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~ToolSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }
    bool Send(const transmit_frame_stu& frame)
    {
        return ::send(m_fd, &frame, sizeof frame, 0) == static_cast<ssize_t>(sizeof frame);
    }
    // The next frame within the timeout, its length in *size; false on timeout.
    bool Receive(transmit_frame_stu& frame, std::chrono::milliseconds timeout,
                 size_t* size = nullptr)
    {
        pollfd entry{m_fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(timeout.count())) <= 0)
            return false;
        std::vector<uint8_t> buffer(65536);
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            return false;
        if (size)
            *size = static_cast<size_t>(n);
        ReadFrame({buffer.data(), static_cast<size_t>(n)}, frame);
        return true;
    }

private:
    int m_fd = -1;
};

std::string MacPlain(const MacAddress& mac)
{
    std::string text = MacText(mac.data());
    std::erase(text, ':');
    return text;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path FreshDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kestrune-devsim-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Sends one block at a time and waits for its acknowledgement, as the tool
// does, sending it again after each `wait` without one, `sends` times at
// most; returns how many blocks were acknowledged.
size_t DeliverFile(ToolSocket& tool, const MacAddress& toolMac, const MacAddress& device,
                   const std::string& content, std::chrono::milliseconds wait = 2s, int sends = 1)
{
    transmit_frame_stu frame;
    BuildHeader(frame, device, toolMac, FramePara, OpParaBlock, 1);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(content.data()),
                                         content.size());
    BlockCutter cutter(frame, bytes);
    size_t acknowledged = 0;
    while (cutter.Next()) {
        bool acked = false;
        for (int send = 0; send < sends && !acked; ++send) {
            if (!tool.Send(frame))
                return acknowledged;
            const auto deadline = std::chrono::steady_clock::now() + wait;
            transmit_frame_stu answer;
            while (!acked && std::chrono::steady_clock::now() < deadline &&
                   tool.Receive(answer, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())))
                acked = IsBlockAck(answer, FramePara, SeqOf(frame));
        }
        if (!acked)
            return acknowledged;
        ++acknowledged;
    }
    return acknowledged;
}

}  // namespace

TEST_F(SegmentTest, EveryDeviceAnswersABroadcast)
{
    ToolSocket tool(segment->ToolInterface());
    ASSERT_TRUE(tool.Ok());
    const MacAddress base{0x02, 0x6b, 0x73, 0x10, 0x00, 0xfe};  // counts over a byte boundary
    struct Case {
        size_t devices;
        int repeat;
    };
    for (const Case c : {Case{50, 2}, Case{1000, 1}}) {
        auto devsim =
            segment->StartDevsim({"--devices", std::to_string(c.devices), "--base-mac",
                                  "02:6B:73:10:00:FE", "--answer-repeat", std::to_string(c.repeat),
                                  "--ssid2", "S{n}", "--key5", "key-{mac}", "--full-width"});
        ASSERT_FALSE(devsim->WaitForLine("READY", 5s).empty());

        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(tool.Send(BuildDiscoverRequest(segment->ToolMac())));
        std::map<std::string, int> answers;
        size_t total = 0;
        transmit_frame_stu frame;
        while (total < c.devices * c.repeat && tool.Receive(frame, 2s)) {
            ++total;
            ASSERT_EQ(FrameTypeOf(frame), FrameDiscover);
            ASSERT_EQ(FrameOpOf(frame), OpAck);
            ASSERT_EQ(0, std::memcmp(frame.dstMac, segment->ToolMac().data(), 6));
            ++answers[MacTextOf(frame)];
            const auto* bytes = reinterpret_cast<const uint8_t*>(&frame);
            if (MacTextOf(frame) == "02:6B:73:10:01:00") {  // the third device
                EXPECT_EQ(std::string(bytes + kSsid2Offset, bytes + kSsid2Offset + 2), "S3");
                EXPECT_NE(bytes[kSsid2Offset + kSsid2Size - 1], 0) << "full width, no NUL";
                EXPECT_EQ(std::string(bytes + kWpaKey5Offset, bytes + kWpaKey5Offset + 16),
                          "key-026B73100100");
            }
        }
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        std::printf("%zu devices: %zu answers in %lld ms\n", c.devices, total,
                    static_cast<long long>(elapsed.count()));
        ASSERT_EQ(answers.size(), c.devices);
        EXPECT_EQ(answers.begin()->first, MacText(base.data()));
        for (const auto& [mac, count] : answers)
            EXPECT_EQ(count, c.repeat) << mac;
        EXPECT_FALSE(devsim
                         ->WaitForLine("DISCOVER from=" + segment->ToolMacText() +
                                           " answers=" + std::to_string(c.devices * c.repeat),
                                       2s)
                         .empty());
        EXPECT_EQ(devsim->Stop(), 0);
        EXPECT_FALSE(devsim->WaitForLine("SUMMARY", 1s).empty());
    }
}

TEST_F(SegmentTest, DeliveriesAreReassembledAndAnswered)
{
    ToolSocket tool(segment->ToolInterface());
    ASSERT_TRUE(tool.Ok());
    const auto out = FreshDir("deliver");
    const MacAddress device{0x02, 0x6b, 0x73, 0x00, 0x00, 0x02};
    auto devsim = segment->StartDevsim({"--devices", "3", "--out", out.string(), "--para-result",
                                        "fail", "--lock-code", "right", "--result-delay", "20"});
    ASSERT_FALSE(devsim->WaitForLine("READY", 5s).empty());

    std::string content;
    for (int i = 0; i < 3000; ++i)
        content += static_cast<char>('a' + i % 23);
    ASSERT_EQ(DeliverFile(tool, segment->ToolMac(), device, content), 3u);
    const std::string received = devsim->WaitForLine("RECEIVED 02:6B:73:00:00:02 kind=1", 2s);
    EXPECT_NE(received.find("bytes=3000 blocks=3 sends=1x3"), std::string::npos) << received;
    EXPECT_EQ(ReadAll(out / (MacPlain(device) + ".1.bin")), content);

    // The configured failure comes back as the configuration's fail op.
    transmit_frame_stu frame;
    ASSERT_TRUE(tool.Receive(frame, 2s));
    EXPECT_EQ(FrameTypeOf(frame), FramePara);
    EXPECT_EQ(FrameOpOf(frame), OpParaFail);
    EXPECT_EQ(MacTextOf(frame), "02:6B:73:00:00:02");

    // Anti-theft settings: acknowledged with seq 1; the lock code decides.
    struct Case {
        const char* code;
        uint16_t op;
    };
    for (const Case c : {Case{"wrong", OpAntiTheftFail}, Case{"right", OpAntiTheftOk}}) {
        const std::string json = std::string(R"({"Lockcode":")") + c.code + R"(","Enable":"1"})";
        ASSERT_TRUE(BuildAntiTheftFrame(frame, device, segment->ToolMac(), json));
        ASSERT_TRUE(tool.Send(frame));
        transmit_frame_stu answer;
        ASSERT_TRUE(tool.Receive(answer, 2s));
        EXPECT_TRUE(IsAntiTheftAck(answer)) << c.code;
        ASSERT_TRUE(tool.Receive(answer, 2s));
        EXPECT_EQ(FrameTypeOf(answer), FrameAntiTheft);
        EXPECT_EQ(FrameOpOf(answer), c.op) << c.code;
        ASSERT_FALSE(devsim
                         ->WaitForLine(std::string("RESULT 02:6B:73:00:00:02 kind=3 ok=") +
                                           (c.op == OpAntiTheftOk ? "1" : "0"),
                                       2s)
                         .empty());
        EXPECT_EQ(ReadAll(out / (MacPlain(device) + ".3.json")), json);
    }
    EXPECT_EQ(devsim->Stop(), 0);
    EXPECT_FALSE(devsim->WaitForLine("BLOCKS 02:6B:73:00:00:02 type=1 1:1 2:1 3:1", 1s).empty());
    EXPECT_FALSE(devsim->WaitForLine("SUMMARY", 1s).empty());
    std::filesystem::remove_all(out);
}

TEST_F(SegmentTest, BadOptionsAreReportedWithTheSimulatorsOwnWords)
{
    try {
        segment->StartDevsimReady({"--ack-every", "0"});
        ADD_FAILURE() << "started with a bad option";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("bad value for --ack-every"), std::string::npos)
            << error.what();
    }
}

TEST_F(SegmentTest, FaultSwitchesShapeTheAcknowledgements)
{
    ToolSocket tool(segment->ToolInterface());
    ASSERT_TRUE(tool.Ok());
    const MacAddress device{0x02, 0x6b, 0x73, 0x00, 0x00, 0x01};
    struct Case {
        std::vector<std::string> args;
        // The seq of the acknowledgement of block 2 seen after sending
        // block 2 `sends` times; -1 for none.
        int sends;
        int ackSeq;
    };
    const Case cases[] = {
        {{}, 1, 2},
        {{"--ack-seq", "65535"}, 1, 0xFFFF},
        {{"--stale-acks"}, 1, 1},
        {{"--silent"}, 5, -1},
        {{"--ack-every", "2"}, 2, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--no-results", "--log-blocks"});
        auto devsim = segment->StartDevsim(args);
        ASSERT_FALSE(devsim->WaitForLine("READY", 5s).empty());
        transmit_frame_stu frame;
        BuildHeader(frame, device, segment->ToolMac(), FramePara, OpParaBlock, 1);
        const std::vector<uint8_t> file(1500, 0x42);
        BlockCutter cutter(frame, file);
        ASSERT_TRUE(cutter.Next());
        transmit_frame_stu first = frame;
        ASSERT_TRUE(cutter.Next());
        // Block 1 until anything answers it (at most twice), then block 2.
        transmit_frame_stu answer;
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(tool.Send(first));
            if (tool.Receive(answer, 300ms))
                break;
        }
        int lastSeq = -1;
        for (int i = 0; i < c.sends; ++i) {
            ASSERT_TRUE(tool.Send(frame));
            lastSeq = tool.Receive(answer, 300ms) ? SeqOf(answer) : -1;
            if (lastSeq >= 0) {
                EXPECT_EQ(FrameTypeOf(answer), FramePara);
            }
        }
        EXPECT_EQ(lastSeq, c.ackSeq) << args[0];
        EXPECT_EQ(devsim->Stop(), 0);
        if (c.ackSeq == -1) {
            EXPECT_FALSE(devsim->WaitForLine("BLOCKS 02:6B:73:00:00:01 type=1 1:2 2:5", 1s).empty())
                << "every resend is counted";
        }
    }
}

TEST_F(SegmentTest, JunkReachesTheToolAtTheGivenRate)
{
    ToolSocket tool(segment->ToolInterface());
    ASSERT_TRUE(tool.Ok());
    auto devsim = segment->StartDevsim(
        {"--junk-rate", "2000", "--tool-mac", segment->ToolMacText(), "--devices", "4"});
    ASSERT_FALSE(devsim->WaitForLine("READY", 5s).empty());
    size_t frames = 0, longest = 0, shortest = 100000;
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (frames < 400 && std::chrono::steady_clock::now() < deadline) {
        transmit_frame_stu frame;
        size_t size = 0;
        if (!tool.Receive(frame, 500ms, &size))
            continue;
        ++frames;
        longest = std::max(longest, size);
        shortest = std::min(shortest, size);
        EXPECT_FALSE(devsim::IsMeaningfulFromDevice(FrameTypeOf(frame), FrameOpOf(frame)));
    }
    EXPECT_EQ(frames, 400u);
    EXPECT_GT(longest, kFrameSize);
    EXPECT_LT(shortest, 100u);
    EXPECT_EQ(devsim->Stop(), 0);
}

TEST_F(SegmentTest, LossyDeliveriesStillArriveWhole)
{
    // A third of the frames lost each way: resends and lost acknowledgements
    // must neither drop nor repeat a block in the file.
    ToolSocket tool(segment->ToolInterface());
    ASSERT_TRUE(tool.Ok());
    const auto out = FreshDir("lossy");
    const MacAddress device{0x02, 0x6b, 0x73, 0x00, 0x00, 0x01};
    auto devsim =
        segment->StartDevsimReady({"--out", out.string(), "--loss", "0.33", "--seed", "5"});
    std::string content(40 * 1024 + 17, 0);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 131 + i / 1024);
    ASSERT_EQ(DeliverFile(tool, segment->ToolMac(), device, content, 30ms, 50), 41u);
    const std::string received = devsim->WaitForLine("RECEIVED 02:6B:73:00:00:01 kind=1", 2s);
    EXPECT_NE(received.find("bytes=40977 blocks=41"), std::string::npos) << received;
    EXPECT_EQ(received.find("sends=1x41"), std::string::npos) << "some blocks came twice";
    EXPECT_EQ(ReadAll(out / "026B73000001.1.bin"), content);
    EXPECT_EQ(devsim->Stop(), 0);
    const std::string summary = devsim->WaitForLine("SUMMARY", 1s);
    EXPECT_EQ(summary.find("lost_in=0 "), std::string::npos) << summary;
    EXPECT_EQ(summary.find("lost_out=0 "), std::string::npos) << summary;
    std::filesystem::remove_all(out);
}

TEST_F(SegmentTest, SimulatorEndsWhenItsInterfaceGoes)
{
    auto devsim = segment->StartDevsimReady({});
    ASSERT_EQ(segment->RunOnDeviceSide(
                  {"/bin/sh", "-c", "exec ip link del " + segment->DeviceInterface()}),
              0);
    EXPECT_EQ(devsim->Wait(5s), 3) << "it should notice the capture failing and end";
}
