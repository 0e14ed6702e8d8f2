// Speed of the results database: adding and querying a full scan's worth of
// devices, and one status update while many transfer threads write statuses.
#include "BenchReport.h"
#include "CSqlManagement.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace kestrune;

namespace {

constexpr int kDevices = 1000;

std::string MacOf(int n)
{
    char text[32];
    std::snprintf(text, sizeof text, "AA:BB:CC:DD:%02X:%02X", (n >> 8) & 0xFF, n & 0xFF);
    return text;
}

ap_discover_stu DeviceOf(int n)
{
    ap_discover_stu device;
    std::memset(&device, 0, sizeof device);
    CopyField(device.mac, MacOf(n));
    CopyField(device.date, "2024-03-05 09:07:02");
    CopyField(device.ssid2, "network-2g-" + std::to_string(n));
    CopyField(device.ssid5, "network-5g-" + std::to_string(n));
    CopyField(device.wpakey2, "a-wpa-key-of-some-length-" + std::to_string(n));
    CopyField(device.wpakey5, "another-wpa-key-" + std::to_string(n));
    return device;
}

}  // namespace

int main()
{
    std::string folder =
        (std::filesystem::temp_directory_path() / "kestrune-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    int status = 0;
    {
        CSqlManagement db(folder);
        if (!db.IsOpen()) {
            std::fprintf(stderr, "the database did not open\n");
            return 1;
        }

        // A fresh table each round, as after every scan.
        std::vector<double> addMs;
        for (int round = 0; round < 5; ++round) {
            db.DeleteAllDevices();
            bool ok = true;
            addMs.push_back(MicrosecondsOf([&] {
                                for (int n = 0; n < kDevices; ++n)
                                    ok = db.AddDevice(DeviceOf(n)) && ok;
                            }) /
                            1000.0);
            if (!ok)
                status = 1;
        }
        ReportBench("db_add_1000_ms", MedianOf(addMs), "ms", "<", 100);

        std::vector<double> queryMs;
        for (int round = 0; round < 21; ++round) {
            DeviceList devices;
            int rows = 0, successes = 0, failures = 0;
            bool ok = false;
            queryMs.push_back(MicrosecondsOf([&] {
                                  ok = db.QueryDevices(devices, rows, successes, failures, true,
                                                       SortByMac);
                              }) /
                              1000.0);
            if (!ok || rows != kDevices)
                status = 1;
        }
        ReportBench("db_query_1000_ms", MedianOf(queryMs), "ms", "<", 10);

        auto measureUpdates = [&](int samples) {
            std::vector<double> us;
            for (int i = 0; i < samples; ++i) {
                const std::string mac = MacOf(i % kDevices);
                bool ok = false;
                us.push_back(MicrosecondsOf([&] { ok = db.UpdateParaStatus(mac, i % 8); }));
                if (!ok)
                    status = 1;
            }
            return MedianOf(us);
        };
        const double alone = measureUpdates(2000);

        std::atomic<bool> stop{false};
        std::atomic<long> background{0};
        std::vector<std::thread> writers;
        for (int t = 0; t < 8; ++t) {
            writers.emplace_back([&, t] {
                for (int i = 0; !stop.load(std::memory_order_relaxed); ++i) {
                    db.UpdateLogoStatus(MacOf((t * 131 + i) % kDevices), i % 8);
                    background.fetch_add(1, std::memory_order_relaxed);
                }
            });
        }
        while (background.load() < 1000)
            std::this_thread::yield();
        const double contended = measureUpdates(2000);
        stop = true;
        for (std::thread& w : writers)
            w.join();
        // The same update with no other writer, measured in this run.
        ReportBench("db_update_alone_us", alone, "us", "<", 200);
        ReportBench("db_update_contended_us", contended, "us", "<", 200);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
