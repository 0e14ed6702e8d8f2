// One block's round trip through the engine against a plain AF_PACKET client
// on the same segment and responder, one 64 KiB delivery, and the idle cost
// of the transport threads.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "AcTransmitManage.h"
#include "BenchReport.h"
#include "CSqlManagement.h"
#include "TransmitEngine.h"
#include "VirtualSegment.h"
#include "bench_link_common.h"

using namespace kestrune;
using namespace kestrune::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRttRounds = 2000;

transmit_frame_stu BlockTo(const MacAddress& device, const MacAddress& tool, uint16_t seq)
{
    transmit_frame_stu frame;
    BuildHeader(frame, device, tool, FramePara, OpParaBlock, 1);
    SetSeq(frame, seq);
    SetBlockFlag(frame, BlockMiddle);
    SetPayloadLen(frame, kPayloadSize);
    std::memset(frame.payload, 0x5A, kPayloadSize);
    return frame;
}

void MeasureRtt(const netns::VirtualSegment& segment)
{
    int responderFd = -1;
    segment.RunInDeviceNetwork([&] { responderFd = OpenPacketSocket(segment.DeviceInterface()); });
    if (responderFd < 0) {
        std::fprintf(stderr, "no responder socket\n");
        return;
    }
    EchoResponder responder(responderFd);
    const MacAddress device = segment.DeviceEndMac();
    const MacAddress tool = segment.ToolMac();

    // The floor: a plain socket sending the block and blocking for its answer.
    std::vector<double> floor;
    {
        const int fd = OpenPacketSocket(segment.ToolInterface());
        transmit_frame_stu answer;
        for (int round = 0; round < kRttRounds; ++round) {
            const uint16_t seq = BlockSeq(static_cast<uint32_t>(round + 1));
            const transmit_frame_stu block = BlockTo(device, tool, seq);
            const auto start = Clock::now();
            send(fd, &block, sizeof block, 0);
            for (;;) {
                const ssize_t got = recv(fd, &answer, sizeof answer, 0);
                if (got >= 20 && std::memcmp(answer.srcMac, device.data(), 6) == 0 &&
                    IsBlockAck(answer, FramePara, seq))
                    break;
            }
            floor.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        close(fd);
    }

    // The engine: the same block through the delivery channel.
    std::vector<double> engine;
    {
        auto channel = TransmitChannel::Open(segment.ToolInterface(), MacText(device.data()));
        if (!channel) {
            std::fprintf(stderr, "no transmit channel\n");
            return;
        }
        for (int round = 0; round < kRttRounds; ++round) {
            const uint16_t seq = BlockSeq(static_cast<uint32_t>(round + 1));
            const transmit_frame_stu block = BlockTo(device, tool, seq);
            const auto start = Clock::now();
            const bool acked = channel->Exchange(block, [seq](const transmit_frame_stu& r) {
                return IsBlockAck(r, FramePara, seq);
            });
            const double us =
                std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            if (acked)
                engine.push_back(us);
        }
    }
    const double engineMedian = MedianOf(engine);
    const double floorMedian = MedianOf(floor);
    ReportBench("link_rtt_median_us", engineMedian, "us", "info", 0);
    ReportBench("link_rtt_p99_us", PercentileOf(engine, 0.99), "us", "info", 0);
    ReportBench("link_rtt_floor_median_us", floorMedian, "us", "info", 0);
    ReportBench("link_rtt_ratio", floorMedian > 0 ? engineMedian / floorMedian : 0, "x", "<", 1.5);
}

void MeasureDelivery64k(const netns::VirtualSegment& segment, const std::string& folder)
{
    const std::string device = "02:6B:73:AA:00:01";
    auto sim = segment.StartDevsim({"--devices", "1", "--base-mac", device, "--no-results"});
    if (sim->WaitForLine("READY", std::chrono::seconds(10)).empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    AcTransmitManage& manage = *AcTransmitManage::Instance();
    manage.SetCaptureName(segment.ToolInterface());
    manage.SetAdapterMac(segment.ToolMac());
    const std::string path = folder + "64k.xml";
    WriteFile(path, 64 << 10, 1);
    std::vector<double> runs;
    for (int run = 0; run < 11; ++run) {
        auto job = std::make_unique<transmit_job_stu>();
        BuildTransmitJob(*job, device, TransmitConfig, path, "", "");
        const auto start = Clock::now();
        StartTransmitThread(std::move(job));
        WaitTransmitJobsIdle(std::chrono::seconds(30));
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    ReportBench("link_deliver_64k_ms", MedianOf(runs), "ms", "<", 5);
    sim->Stop();

    // The same delivery to the plain echo responder: the engine's own share,
    // without the simulator's turnaround.
    int responderFd = -1;
    segment.RunInDeviceNetwork([&] { responderFd = OpenPacketSocket(segment.DeviceInterface()); });
    if (responderFd < 0)
        return;
    EchoResponder responder(responderFd);
    const std::string echoDevice = MacText(segment.DeviceEndMac().data());
    runs.clear();
    for (int run = 0; run < 11; ++run) {
        auto job = std::make_unique<transmit_job_stu>();
        BuildTransmitJob(*job, echoDevice, TransmitConfig, path, "", "");
        const auto start = Clock::now();
        StartTransmitThread(std::move(job));
        WaitTransmitJobsIdle(std::chrono::seconds(30));
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    ReportBench("link_deliver_64k_echo_ms", MedianOf(runs), "ms", "info", 0);
}

void MeasureIdle(const netns::VirtualSegment& segment)
{
    AcTransmitManage& manage = *AcTransmitManage::Instance();
    manage.SetCaptureName(segment.ToolInterface());
    manage.SetAdapterMac(segment.ToolMac());
    if (!manage.Init() || !manage.Receiving()) {
        std::fprintf(stderr, "transport threads did not start\n");
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const double cpuBefore = ProcessCpuMs();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpuMs = ProcessCpuMs() - cpuBefore;
    manage.StopThreads();
    ReportBench("link_idle_cpu_pct", 100.0 * cpuMs / wallMs, "%", "<", 0.5);
}

}  // namespace

int main()
{
    const std::string folder = UseTemporaryProgramFolder();
    if (folder.empty())
        return 1;
    std::unique_ptr<netns::VirtualSegment> segment;
    try {
        segment = std::make_unique<netns::VirtualSegment>();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    MeasureRtt(*segment);
    MeasureDelivery64k(*segment, folder);
    MeasureIdle(*segment);
    std::filesystem::remove_all(folder);
    return 0;
}
