#include "CSqlManagement.h"
#include "ProgramFolder.h"
#include "ResultLog.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

constexpr int kWorkers = 8;
constexpr int kOpsPerWorker = 1000;
constexpr int kGroups = 3;
constexpr int kRowsPerGroup = 20;
constexpr int kLogWriters = 2;
constexpr int kLogsPerWriter = 1000;

std::string SharedMac(int group, int row)
{
    char text[32];
    std::snprintf(text, sizeof text, "CC:00:00:00:%02X:%02X", group, row);
    return text;
}

std::string OwnMac(int worker, int n)
{
    char text[32];
    std::snprintf(text, sizeof text, "D%X:00:00:00:00:%02X", worker, n);
    return text;
}

ap_discover_stu Device(const std::string& mac)
{
    ap_discover_stu device;
    std::memset(&device, 0, sizeof device);
    CopyField(device.mac, mac);
    CopyField(device.date, "2024-03-05 09:07:02");
    CopyField(device.ssid2, "net");
    return device;
}

// Each worker owns one status column of the rows of its group, so the last
// code it wrote to a row must be the one found there at the end; any
// operation that rewrote a whole row from a stale read would lose some.
struct WorkerOutcome {
    std::array<int32_t, kRowsPerGroup> lastShared{};
    std::map<std::string, int32_t> lastOwn;
};

TEST(RecordsConcurrency, ManyThreadsLoseNoUpdateAndWriteWholeLogLines)
{
    TempFolder folder;
    OverrideProgramFolder(folder.Path());
    SetResultLogClock([] {
        std::tm t{};
        t.tm_year = 124;
        t.tm_mon = 2;
        t.tm_mday = 5;
        t.tm_hour = 9;
        t.tm_min = 7;
        t.tm_sec = 2;
        return t;
    });

    CSqlManagement db(folder.Path());
    ASSERT_TRUE(db.IsOpen());
    for (int g = 0; g < kGroups; ++g)
        for (int r = 0; r < kRowsPerGroup; ++r)
            ASSERT_TRUE(db.AddDevice(Device(SharedMac(g, r))));

    std::atomic<int> failedOps{0};
    std::mutex firstFailureMutex;
    std::string firstFailure;
    auto fail = [&](const std::string& what) {
        if (failedOps.fetch_add(1) == 0) {
            std::lock_guard lock(firstFailureMutex);
            firstFailure = what;
        }
    };

    std::vector<WorkerOutcome> outcomes(kWorkers);
    std::vector<std::thread> threads;
    for (int w = 0; w < kWorkers; ++w) {
        threads.emplace_back([&, w] {
            const int group = w / kGroups;
            const int column = w % kGroups;
            WorkerOutcome& out = outcomes[w];
            out.lastShared.fill(0);
            int inserted = 0;
            int updates = 0;
            for (int i = 0; i < kOpsPerWorker; ++i) {
                const int step = i % 10;
                if (step == 0) {
                    const std::string mac = OwnMac(w, inserted++);
                    if (!db.AddDevice(Device(mac)))
                        fail("AddDevice " + mac);
                    out.lastOwn[mac] = 0;
                } else if (step <= 6) {
                    const int row = updates++ % kRowsPerGroup;
                    const std::string mac = SharedMac(group, row);
                    const bool ok = column == 0   ? db.UpdateParaStatus(mac, i)
                                    : column == 1 ? db.UpdateLogoStatus(mac, i)
                                                  : db.UpdateAntiTheftStatus(mac, i);
                    if (!ok)
                        fail("update " + mac);
                    out.lastShared[row] = i;
                } else if (step == 7) {
                    const std::string mac = OwnMac(w, inserted - 1);
                    if (!db.UpdateParaStatus(mac, i) || !db.UpdateResult(mac, i % 4))
                        fail("own update " + mac);
                    out.lastOwn[mac] = i;
                } else if (step == 8) {
                    DeviceList devices;
                    int rows = -1, successes = 0, failures = 0;
                    if (!db.QueryDevices(devices, rows, successes, failures, i % 2 == 0,
                                         i % 4 < 2 ? SortByMac : SortByResult))
                        fail("QueryDevices");
                    else if (rows != static_cast<int>(devices.size()) ||
                             rows < kGroups * kRowsPerGroup)
                        fail("QueryDevices row count");
                } else {
                    ap_info_stu device;
                    const std::string mac = SharedMac(group, i % kRowsPerGroup);
                    if (!db.GetDevice(mac, device) || FieldText(device.mac) != mac)
                        fail("GetDevice " + mac);
                    db.GetResultClass(mac);
                }
            }
        });
    }
    for (int k = 0; k < kLogWriters; ++k) {
        threads.emplace_back([k] {
            char mac[32];
            std::snprintf(mac, sizeof mac, "EE:00:00:00:00:%02X", k);
            for (int i = 0; i < kLogsPerWriter; ++i)
                WriteResultLog(i % 3 + 1, mac, i % 2 == 0);
        });
    }
    for (std::thread& t : threads)
        t.join();
    SetResultLogClock({});

    EXPECT_EQ(failedOps.load(), 0) << "first failure: " << firstFailure;

    DeviceList devices;
    int rows = 0, successes = 0, failures = 0;
    ASSERT_TRUE(db.QueryDevices(devices, rows, successes, failures, true, SortByMac));
    EXPECT_EQ(rows, kGroups * kRowsPerGroup + kWorkers * kOpsPerWorker / 10);
    std::map<std::string, ap_info_stu> byMac;
    for (const ap_info_stu& d : devices)
        byMac[FieldText(d.mac)] = d;
    EXPECT_EQ(byMac.size(), devices.size()) << "a MAC has more than one row";
    int lost = 0;
    for (int w = 0; w < kWorkers; ++w) {
        const int group = w / kGroups;
        const int column = w % kGroups;
        for (int r = 0; r < kRowsPerGroup; ++r) {
            const ap_info_stu& d = byMac[SharedMac(group, r)];
            const int32_t stored = column == 0   ? d.para_status
                                   : column == 1 ? d.logo_status
                                                 : d.antitheft_status;
            lost += stored != outcomes[w].lastShared[r];
        }
        for (const auto& [mac, code] : outcomes[w].lastOwn)
            lost += byMac[mac].para_status != code;
    }
    EXPECT_EQ(lost, 0) << "updates lost";

    // Each log holds its header once and then only whole records.
    const std::string header = "MAC\t\t\tType\t\tDate\n\r\n";
    for (const char* name : {"Success.txt", "Fail.txt"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadBytes(folder.Path() + "Log/2024-03-05/" + name);
        ASSERT_EQ(bytes.rfind(header, 0), 0u);
        std::map<std::string, int> records;
        size_t at = header.size();
        int broken = 0;
        while (at < bytes.size()) {
            const size_t end = bytes.find("\n\r\n", at);
            if (end == std::string::npos) {
                ++broken;
                break;
            }
            ++records[bytes.substr(at, end - at)];
            at = end + 3;
        }
        EXPECT_EQ(broken, 0);
        std::map<std::string, int> expected;
        const bool success = std::string(name) == "Success.txt";
        for (int k = 0; k < kLogWriters; ++k) {
            for (int i = 0; i < kLogsPerWriter; ++i) {
                if ((i % 2 == 0) != success)
                    continue;
                char line[80];
                std::snprintf(line, sizeof line, "EE:00:00:00:00:%02X\t%s\t2024-03-05 09:07:02", k,
                              OperateKindName(i % 3 + 1));
                ++expected[line];
            }
        }
        EXPECT_EQ(records, expected);
    }
}

}  // namespace
}  // namespace kestrune
