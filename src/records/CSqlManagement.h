#pragma once

#include "DeviceRecords.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace kestrune {

class SqliteDatabase;

// Sort selectors of QueryDevices.
enum SortSelector : int {
    SortByMac = 2,
    SortByResult = 3,
};

// The store of every device's statuses for one run: one row per discovered
// device in table ap_info of "data.mdb" in the program folder. The file is
// discarded when the manager is created and again when it is destroyed.
// Every operation is atomic with respect to the others and may be called from
// any thread.
class CSqlManagement {
public:
    // The process-wide instance, created on first use in the program folder.
    static CSqlManagement* GetInstance();

    // A manager over "data.mdb" in the given folder (tests use their own).
    explicit CSqlManagement(const std::string& folder);
    ~CSqlManagement();
    CSqlManagement(const CSqlManagement&) = delete;
    CSqlManagement& operator=(const CSqlManagement&) = delete;

    // Called once, with the translated text, when the database cannot be
    // opened; start-up connects it to a message box.
    using OpenFailureHook = std::function<void(const std::string& text)>;
    static void SetOpenFailureHook(OpenFailureHook hook);

    bool IsOpen() const;
    const std::string& FilePath() const { return m_filePath; }

    bool AddDevice(ap_discover_stu device);
    bool QueryDevices(DeviceList& devices, int& rowCount, int& successCount, int& failCount,
                      bool ascending, int sortSelector, const std::string& macFilter = {});
    bool GetDevice(const std::string& mac, ap_info_stu& device);
    bool UpdateParaStatus(const std::string& mac, int32_t code);
    bool UpdateLogoStatus(const std::string& mac, int32_t code);
    bool UpdateAntiTheftStatus(const std::string& mac, int32_t code);
    bool UpdateResult(const std::string& mac, int32_t resultClass);
    ResultClass GetResultClass(const std::string& mac);
    bool DeleteAllDevices();
    bool ResetAllStatus();
    bool ExecuteSql(const std::string& statement);

private:
    std::string m_filePath;
    mutable std::mutex m_lock;
    std::unique_ptr<SqliteDatabase> m_database;
};

}  // namespace kestrune
