// Many devices at once: 100 deliveries of 64 KiB side by side (wall time,
// CPU time and memory per job) and 1,000 devices answering one broadcast.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
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
using namespace std::chrono_literals;

namespace {

// CPU time of another process in ms, from /proc/<pid>/stat.
double ChildCpuMs(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string NthMac(unsigned n)
{
    char text[18];
    std::snprintf(text, sizeof text, "02:6B:74:00:%02X:%02X", (n + 1) >> 8, (n + 1) & 0xFF);
    return text;
}

int RowCount(CSqlManagement& sql)
{
    DeviceList rows;
    int count = 0, success = 0, fail = 0;
    sql.QueryDevices(rows, count, success, fail, true, SortByMac);
    return count;
}

void MeasureHundredDeliveries(const netns::VirtualSegment& segment, const std::string& folder)
{
    constexpr int kJobs = 100;
    auto sim = segment.StartDevsim(
        {"--devices", std::to_string(kJobs), "--base-mac", NthMac(0), "--no-results"});
    if (sim->WaitForLine("READY", 10s).empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    AcTransmitManage& manage = *AcTransmitManage::Instance();
    manage.SetCaptureName(segment.ToolInterface());
    manage.SetAdapterMac(segment.ToolMac());
    CSqlManagement& sql = *manage.Database();
    std::vector<std::unique_ptr<transmit_job_stu>> jobs;
    for (int i = 0; i < kJobs; ++i) {
        const std::string path = folder + "f" + std::to_string(i);
        WriteFile(path, 64 << 10, static_cast<unsigned>(i));
        ap_discover_stu record{};
        std::snprintf(record.mac, sizeof record.mac, "%s",
                      NthMac(static_cast<unsigned>(i)).c_str());
        sql.AddDevice(record);
        jobs.push_back(std::make_unique<transmit_job_stu>());
        BuildTransmitJob(*jobs.back(), NthMac(static_cast<unsigned>(i)), TransmitConfig, path, "",
                         "");
    }

    const long rssBefore = StatusKib("VmRSS");
    ResetPeakRss();
    const double cpuBefore = ProcessCpuMs();
    const double simBefore = ChildCpuMs(sim->Pid());
    const auto start = Clock::now();
    for (auto& job : jobs)
        StartTransmitThread(std::move(job));
    WaitTransmitJobsIdle(60s);
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpuMs = ProcessCpuMs() - cpuBefore;
    const long peak = StatusKib("VmHWM");
    std::fprintf(stderr, "# the simulator used %.0f ms of CPU meanwhile\n",
                 ChildCpuMs(sim->Pid()) - simBefore);

    int delivered = 0;
    DeviceList rows;
    int count = 0, success = 0, fail = 0;
    sql.QueryDevices(rows, count, success, fail, true, SortByMac);
    for (const ap_info_stu& row : rows)
        delivered += row.para_status == TransmitFinish;
    if (delivered != kJobs)
        std::fprintf(stderr, "only %d of %d deliveries finished\n", delivered, kJobs);
    ReportBench("link_deliver_100x64k_wall_ms", wallMs, "ms", "<", 500);
    ReportBench("link_deliver_100x64k_cpu_ms", cpuMs, "ms", "<=", wallMs);
    ReportBench("link_deliver_rss_kib_per_job", static_cast<double>(peak - rssBefore) / kJobs,
                "KiB", "<", 1024);
    sql.DeleteAllDevices();
}

void MeasureDiscovery(const netns::VirtualSegment& segment)
{
    constexpr int kDevices = 1000;
    auto sim = segment.StartDevsim(
        {"--devices", std::to_string(kDevices), "--base-mac", "02:6B:75:00:00:01"});
    if (sim->WaitForLine("READY", 10s).empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    AcTransmitManage& manage = *AcTransmitManage::Instance();
    CSqlManagement& sql = *manage.Database();
    manage.SetCaptureName(segment.ToolInterface());
    manage.SetAdapterMac(segment.ToolMac());
    manage.Init();
    manage.ClearDeviceTable();
    sql.DeleteAllDevices();
    const auto start = Clock::now();
    manage.BroadcastDiscover();
    int found = 0;
    double ms = 0;
    const auto limit = start + 10s;
    while (Clock::now() < limit) {
        // The table fills first; the database is the count that matters.
        if (manage.DeviceCount() >= kDevices && (found = RowCount(sql)) >= kDevices) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(1ms);
    }
    if (found < kDevices) {
        // Settle and count what arrived.
        std::this_thread::sleep_for(500ms);
        found = RowCount(sql);
        ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    manage.StopThreads();
    ReportBench("link_discover_1000_found", found, "devices", "=", kDevices);
    ReportBench("link_discover_1000_ms", ms, "ms", "<", 1000);
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
    MeasureHundredDeliveries(*segment, folder);
    MeasureDiscovery(*segment);
    std::filesystem::remove_all(folder);
    return 0;
}
