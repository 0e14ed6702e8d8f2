#include "CSqlManagement.h"
#include "Language.h"
#include "ProgramFolder.h"
#include "SqliteDatabase.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace kestrune {
namespace {

ap_discover_stu Device(const std::string& mac, const std::string& date = "2024-03-05 09:07:02",
                       const std::string& ssid2 = "net2", const std::string& ssid5 = "net5",
                       const std::string& key2 = "key2", const std::string& key5 = "key5")
{
    ap_discover_stu device;
    std::memset(&device, 0, sizeof device);
    CopyField(device.mac, mac);
    CopyField(device.date, date);
    CopyField(device.ssid2, ssid2);
    CopyField(device.ssid5, ssid5);
    CopyField(device.wpakey2, key2);
    CopyField(device.wpakey5, key5);
    return device;
}

struct Query {
    DeviceList devices;
    int rows = -1;
    int successes = 0;
    int failures = 0;
    bool ok = false;
};

Query QueryAll(CSqlManagement& db, bool ascending = true, int selector = SortByMac,
               const std::string& filter = {})
{
    Query q;
    q.ok = db.QueryDevices(q.devices, q.rows, q.successes, q.failures, ascending, selector, filter);
    return q;
}

std::vector<std::string> Macs(const DeviceList& devices)
{
    std::vector<std::string> macs;
    for (const ap_info_stu& d : devices)
        macs.push_back(FieldText(d.mac));
    return macs;
}

// Columns that no operation of the manager reads back, looked at through a
// second connection to the same file.
struct StoredRow {
    bool found = false;
    std::string result;
    bool resultNull = false;
    std::string paraText, logoText, antiText;
};

// The manager keeps its file locked for the whole run; switching its
// connection back to normal locking lets a second connection read the file.
void AllowSecondReader(CSqlManagement& db)
{
    ASSERT_TRUE(db.ExecuteSql("PRAGMA locking_mode=NORMAL; SELECT count(*) FROM ap_info"));
}

StoredRow ReadStoredRow(const std::string& path, const std::string& mac)
{
    StoredRow row;
    SqliteDatabase reader;
    if (!reader.Open(path)) {
        ADD_FAILURE() << reader.LastError();
        return row;
    }
    auto query = reader.Prepare("SELECT * FROM ap_info WHERE mac=?1");
    if (!query || !query->Bind(1, mac) || query->Step() != SqliteStatement::StepResult::Row)
        return row;
    row.found = true;
    row.resultNull = query->IsNull(query->ColumnIndex("result"));
    row.result = query->Text(query->ColumnIndex("result"));
    row.paraText = query->Text(query->ColumnIndex("ap_para_status_str"));
    row.logoText = query->Text(query->ColumnIndex("ap_logo_status_str"));
    row.antiText = query->Text(query->ColumnIndex("ap_antitheft_status_str"));
    return row;
}

TEST(ResultsDatabase, StoreLeftByAnEarlierRunIsDiscarded)
{
    struct Case {
        const char* name;
        void (*leave)(const std::string& path);
    };
    const Case cases[] = {
        {"database with a row",
         [](const std::string& path) {
             SqliteDatabase old;
             ASSERT_TRUE(old.Create(path));
             ASSERT_TRUE(old.Open(path));
             ASSERT_TRUE(
                 old.Execute("CREATE TABLE ap_info(mac char(18), ap_para_status int);"
                             "INSERT INTO ap_info VALUES('0C:11:22:33:44:55', 2)"));
         }},
        {"half-written file", [](const std::string& path) { WriteBytes(path, "SQLite for"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        c.leave(folder.Path() + "data.mdb");
        {
            CSqlManagement db(folder.Path());
            ASSERT_TRUE(db.IsOpen());
            Query q = QueryAll(db);
            EXPECT_TRUE(q.ok);
            EXPECT_EQ(q.rows, 0);
            EXPECT_EQ(db.GetResultClass("0C:11:22:33:44:55"), ResultWaiting);
            EXPECT_TRUE(db.AddDevice(Device("0C:11:22:33:44:55")));
            EXPECT_EQ(QueryAll(db).rows, 1);
        }
        // Discarded again at the end of the run.
        EXPECT_FALSE(std::filesystem::exists(folder.Path() + "data.mdb"));
    }
}

TEST(ResultsDatabase, AddDeviceInsertsOrOverwritesKeepingResult)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());
    AllowSecondReader(db);
    ASSERT_TRUE(db.AddDevice(
        Device("AA:00:00:00:00:01", "2024-03-05 09:00:00", "old2", "old5", "oldkey2", "oldkey5")));
    ASSERT_TRUE(db.AddDevice(Device("AA:00:00:00:00:02")));
    // A new row has a null result and the waiting text in all three columns.
    StoredRow fresh = ReadStoredRow(db.FilePath(), "AA:00:00:00:00:01");
    ASSERT_TRUE(fresh.found);
    EXPECT_TRUE(fresh.resultNull);
    EXPECT_EQ(fresh.paraText, "Wait operate");
    EXPECT_EQ(fresh.logoText, "Wait operate");
    EXPECT_EQ(fresh.antiText, "Wait operate");

    ASSERT_TRUE(db.UpdateParaStatus("AA:00:00:00:00:01", OperateSuccess));
    ASSERT_TRUE(db.UpdateLogoStatus("AA:00:00:00:00:01", OperateFail));
    ASSERT_TRUE(db.UpdateAntiTheftStatus("AA:00:00:00:00:01", LockcodeMismatch));
    ASSERT_TRUE(db.UpdateResult("AA:00:00:00:00:01", ResultFail));
    ASSERT_TRUE(db.UpdateParaStatus("AA:00:00:00:00:02", Operating));

    ASSERT_TRUE(db.AddDevice(
        Device("AA:00:00:00:00:01", "2024-03-06 10:11:12", "new2", "new5", "newkey2", "newkey5")));
    Query q = QueryAll(db);
    ASSERT_TRUE(q.ok);
    ASSERT_EQ(q.rows, 2);
    const ap_info_stu& row = q.devices.front();
    EXPECT_EQ(FieldText(row.mac), "AA:00:00:00:00:01");
    EXPECT_EQ(FieldText(row.date), "2024-03-06 10:11:12");
    EXPECT_EQ(FieldText(row.ssid2), "new2");
    EXPECT_EQ(FieldText(row.ssid5), "new5");
    EXPECT_EQ(FieldText(row.wpakey2), "newkey2");
    EXPECT_EQ(FieldText(row.wpakey5), "newkey5");
    EXPECT_EQ(row.para_status, 0);
    EXPECT_EQ(row.logo_status, 0);
    EXPECT_EQ(row.antitheft_status, 0);
    StoredRow overwritten = ReadStoredRow(db.FilePath(), "AA:00:00:00:00:01");
    EXPECT_EQ(overwritten.result, "1");
    EXPECT_EQ(overwritten.paraText, "Wait operate");
    EXPECT_EQ(overwritten.antiText, "Wait operate");
    // The other device is untouched.
    EXPECT_EQ(q.devices.back().para_status, Operating);
}

TEST(ResultsDatabase, FieldsFilledToTheirWidthAreStoredCutAndReadBackTerminated)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());
    ap_discover_stu device = Device("AA:00:00:00:00:01");
    // Discovery fields copied from a frame may have no NUL within their width.
    std::memset(device.ssid2, 's', sizeof device.ssid2);
    std::memset(device.wpakey5, 'k', sizeof device.wpakey5);
    // A two-byte character that the column width would cut in half.
    const std::string wide = std::string(32, 'w') + "\xC3\xA9";
    CopyField(device.ssid5, wide);
    ASSERT_TRUE(db.AddDevice(device));

    Query q = QueryAll(db);
    ASSERT_EQ(q.rows, 1);
    const ap_info_stu& row = q.devices.front();
    EXPECT_EQ(FieldText(row.ssid2), std::string(33, 's'));
    EXPECT_EQ(FieldText(row.ssid5), std::string(32, 'w'));
    EXPECT_EQ(FieldText(row.wpakey5), std::string(64, 'k'));
    EXPECT_EQ(row.ssid2[33], '\0');
    EXPECT_EQ(row.wpakey5[64], '\0');
}

TEST(ResultsDatabase, QueryCountsSortsAndAddsToTheCounts)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());

    Query empty;
    empty.successes = 5;
    empty.failures = 7;
    EXPECT_TRUE(db.QueryDevices(empty.devices, empty.rows, empty.successes, empty.failures, true,
                                SortByMac));
    EXPECT_TRUE(empty.devices.empty());
    EXPECT_EQ(empty.rows, 0);
    EXPECT_EQ(empty.successes, 5);
    EXPECT_EQ(empty.failures, 7);

    struct Row {
        const char* mac;
        int32_t para, logo, anti, result;
    };
    const Row rows[] = {
        {"AA:00:00:00:00:02", 2, 0, 0, ResultSuccess},
        {"AA:00:00:00:00:03", 2, 3, 0, ResultFail},
        {"AA:00:00:00:00:01", 0, 0, 0, ResultWaiting},
        {"AA:00:00:00:00:04", 9, 9, 9, ResultWaiting},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(db.AddDevice(Device(r.mac)));
        ASSERT_TRUE(db.UpdateParaStatus(r.mac, r.para));
        ASSERT_TRUE(db.UpdateLogoStatus(r.mac, r.logo));
        ASSERT_TRUE(db.UpdateAntiTheftStatus(r.mac, r.anti));
        ASSERT_TRUE(db.UpdateResult(r.mac, r.result));
    }

    Query q;
    q.successes = 10;
    q.failures = 20;
    ASSERT_TRUE(db.QueryDevices(q.devices, q.rows, q.successes, q.failures, true, SortByMac));
    EXPECT_EQ(q.rows, 4);
    EXPECT_EQ(q.successes, 11);
    EXPECT_EQ(q.failures, 21);
    EXPECT_EQ(Macs(q.devices),
              (std::vector<std::string>{"AA:00:00:00:00:01", "AA:00:00:00:00:02",
                                        "AA:00:00:00:00:03", "AA:00:00:00:00:04"}));
    const ap_info_stu& second = *std::next(q.devices.begin());
    EXPECT_EQ(second.para_status, 2);
    EXPECT_EQ(FieldText(second.date), "2024-03-05 09:07:02");
    EXPECT_EQ(FieldText(second.ssid2), "net2");
    EXPECT_EQ(FieldText(second.wpakey5), "key5");

    struct Order {
        bool ascending;
        int selector;
        std::vector<std::string> macs;
    };
    const Order orders[] = {
        {false,
         SortByMac,
         {"AA:00:00:00:00:04", "AA:00:00:00:00:03", "AA:00:00:00:00:02", "AA:00:00:00:00:01"}},
        // Results "0", "1", "3", "3": equal results keep their insertion order.
        {true,
         SortByResult,
         {"AA:00:00:00:00:02", "AA:00:00:00:00:03", "AA:00:00:00:00:01", "AA:00:00:00:00:04"}},
        {false,
         SortByResult,
         {"AA:00:00:00:00:01", "AA:00:00:00:00:04", "AA:00:00:00:00:03", "AA:00:00:00:00:02"}},
    };
    for (const Order& o : orders) {
        SCOPED_TRACE(testing::Message()
                     << "ascending " << o.ascending << " selector " << o.selector);
        Query sorted = QueryAll(db, o.ascending, o.selector);
        ASSERT_TRUE(sorted.ok);
        EXPECT_EQ(Macs(sorted.devices), o.macs);
    }

    // A selector without a column gives no query.
    Query bad = QueryAll(db, true, 1);
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(bad.devices.empty());
}

TEST(ResultsDatabase, FilterMatchesItsTextLiterally)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());
    const char* stored[] = {"AA:BB:CC:00:00:01", "AA%BB", "AAxBB", "AA_BB", "O'NEIL", "A\\B"};
    for (const char* mac : stored)
        ASSERT_TRUE(db.AddDevice(Device(mac)));

    struct Case {
        std::string filter;
        std::vector<std::string> macs;
    };
    const Case cases[] = {
        {"BB:CC", {"AA:BB:CC:00:00:01"}},
        {"bb:cc", {"AA:BB:CC:00:00:01"}},  // letter case does not matter, as before
        {"%", {"AA%BB"}},
        {"A%B", {"AA%BB"}},
        {"_", {"AA_BB"}},
        {"A_B", {"AA_BB"}},
        {"'", {"O'NEIL"}},
        {"\\", {"A\\B"}},
        {"' OR '1'='1", {}},
        {"'; DELETE FROM ap_info; --", {}},
        {"%' OR mac LIKE '%", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        Query q = QueryAll(db, true, SortByMac, c.filter);
        ASSERT_TRUE(q.ok);
        EXPECT_EQ(Macs(q.devices), c.macs);
        EXPECT_EQ(q.rows, static_cast<int>(c.macs.size()));
    }
    // Nothing was changed by any of them.
    EXPECT_EQ(QueryAll(db).rows, 6);

    // A quote in a MAC argument is a value like any other.
    EXPECT_TRUE(db.UpdateParaStatus("O'NEIL", OperateSuccess));
    EXPECT_FALSE(db.UpdateParaStatus("x' OR '1'='1", OperateFail));
    ap_info_stu device;
    EXPECT_TRUE(db.GetDevice("O'NEIL", device));
    EXPECT_EQ(FieldText(device.mac), "O'NEIL");
    Query after = QueryAll(db);
    int failures = 0;
    for (const ap_info_stu& d : after.devices)
        failures += d.para_status == OperateFail;
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(after.successes, 1);
}

TEST(ResultsDatabase, UpdatesWriteCodeAndTextOfOneRowOrNothing)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());
    AllowSecondReader(db);
    ASSERT_TRUE(db.AddDevice(Device("AA:00:00:00:00:01")));

    struct Case {
        const char* name;
        bool (CSqlManagement::*update)(const std::string&, int32_t);
        int32_t ap_info_stu::*field;
        std::string StoredRow::*text;
    };
    const Case cases[] = {
        {"para", &CSqlManagement::UpdateParaStatus, &ap_info_stu::para_status,
         &StoredRow::paraText},
        {"logo", &CSqlManagement::UpdateLogoStatus, &ap_info_stu::logo_status,
         &StoredRow::logoText},
        {"anti-theft", &CSqlManagement::UpdateAntiTheftStatus, &ap_info_stu::antitheft_status,
         &StoredRow::antiText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE((db.*c.update)("AA:00:00:00:00:99", OperateSuccess));
        EXPECT_TRUE((db.*c.update)("AA:00:00:00:00:01", TransmitFinish));
        Query q = QueryAll(db);
        ASSERT_EQ(q.rows, 1);  // the unknown MAC inserted nothing
        EXPECT_EQ(q.devices.front().*c.field, TransmitFinish);
        EXPECT_EQ(ReadStoredRow(db.FilePath(), "AA:00:00:00:00:01").*c.text, "Transmit finish");
        // An unknown code is stored with the empty text.
        EXPECT_TRUE((db.*c.update)("AA:00:00:00:00:01", 9));
        EXPECT_EQ(ReadStoredRow(db.FilePath(), "AA:00:00:00:00:01").*c.text, "");
    }
    EXPECT_FALSE(db.UpdateResult("AA:00:00:00:00:99", ResultSuccess));
    EXPECT_TRUE(db.UpdateResult("AA:00:00:00:00:01", ResultOperating));
    EXPECT_EQ(ReadStoredRow(db.FilePath(), "AA:00:00:00:00:01").result, "2");
    EXPECT_EQ(QueryAll(db).rows, 1);
}

TEST(ResultsDatabase, GetDeviceAndResultClass)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());
    ap_info_stu device;
    std::memset(&device, 0x5A, sizeof device);
    EXPECT_TRUE(db.GetDevice("", device));  // empty table: a zeroed record
    EXPECT_EQ(FieldText(device.mac), "");
    EXPECT_EQ(device.para_status, 0);

    ASSERT_TRUE(db.AddDevice(Device("AA:00:00:00:00:02", "2024-01-01 00:00:00", "first2")));
    ASSERT_TRUE(db.AddDevice(Device("AA:00:00:00:00:01", "2024-01-01 00:00:00", "second2")));
    ASSERT_TRUE(db.UpdateAntiTheftStatus("AA:00:00:00:00:01", OperateSuccess));

    std::memset(&device, 0x5A, sizeof device);
    EXPECT_TRUE(db.GetDevice("AA:00:00:00:00:01", device));
    EXPECT_EQ(FieldText(device.mac), "AA:00:00:00:00:01");
    EXPECT_EQ(FieldText(device.ssid2), "second2");
    EXPECT_EQ(FieldText(device.ssid5), "net5");
    EXPECT_EQ(FieldText(device.wpakey2), "key2");
    EXPECT_EQ(FieldText(device.wpakey5), "key5");
    // GetDevice reads neither the date nor the statuses.
    EXPECT_EQ(FieldText(device.date), "");
    EXPECT_EQ(device.antitheft_status, 0);

    EXPECT_TRUE(db.GetDevice("", device));  // the first row of the table
    EXPECT_EQ(FieldText(device.ssid2), "first2");

    std::memset(&device, 0x5A, sizeof device);
    EXPECT_TRUE(db.GetDevice("AA:00:00:00:00:99", device));
    EXPECT_EQ(FieldText(device.mac), "");
    EXPECT_EQ(FieldText(device.ssid2), "");

    EXPECT_EQ(db.GetResultClass("AA:00:00:00:00:01"), ResultSuccess);
    EXPECT_EQ(db.GetResultClass("AA:00:00:00:00:02"), ResultWaiting);
    EXPECT_EQ(db.GetResultClass("AA:00:00:00:00:99"), ResultWaiting);
    ASSERT_TRUE(db.UpdateParaStatus("AA:00:00:00:00:02", TransmitFail));
    EXPECT_EQ(db.GetResultClass("AA:00:00:00:00:02"), ResultFail);
}

TEST(ResultsDatabase, ResetAllStatusDeleteAllDevicesAndExecuteSql)
{
    TempFolder folder;
    CSqlManagement db(folder.Path());
    AllowSecondReader(db);
    const char* macs[] = {"AA:00:00:00:00:01", "AA:00:00:00:00:02"};
    for (const char* mac : macs) {
        ASSERT_TRUE(db.AddDevice(Device(mac)));
        ASSERT_TRUE(db.UpdateParaStatus(mac, OperateSuccess));
        ASSERT_TRUE(db.UpdateLogoStatus(mac, OperateFail));
        ASSERT_TRUE(db.UpdateAntiTheftStatus(mac, Operating));
        ASSERT_TRUE(db.UpdateResult(mac, ResultFail));
    }
    ASSERT_TRUE(db.ResetAllStatus());
    Query q = QueryAll(db);
    ASSERT_EQ(q.rows, 2);
    EXPECT_EQ(q.successes, 0);
    EXPECT_EQ(q.failures, 0);
    for (const ap_info_stu& d : q.devices) {
        SCOPED_TRACE(FieldText(d.mac));
        EXPECT_EQ(d.para_status, 0);
        EXPECT_EQ(d.logo_status, 0);
        EXPECT_EQ(d.antitheft_status, 0);
        EXPECT_EQ(db.GetResultClass(FieldText(d.mac)), ResultWaiting);
        StoredRow stored = ReadStoredRow(db.FilePath(), FieldText(d.mac));
        EXPECT_FALSE(stored.resultNull);
        EXPECT_EQ(stored.result, "");
        EXPECT_EQ(stored.paraText, "");
        EXPECT_EQ(stored.logoText, "");
        EXPECT_EQ(stored.antiText, "");
    }

    EXPECT_FALSE(db.ExecuteSql("UPDATE no_such_table SET x = 1"));
    ASSERT_TRUE(db.DeleteAllDevices());
    EXPECT_EQ(QueryAll(db).rows, 0);
    // A row inserted after the table was emptied is found as usual.
    ASSERT_TRUE(db.AddDevice(Device("AA:00:00:00:00:01")));
    EXPECT_TRUE(db.UpdateParaStatus("AA:00:00:00:00:01", OperateSuccess));
    EXPECT_EQ(db.GetResultClass("AA:00:00:00:00:01"), ResultSuccess);
}

// Every operation of a manager whose connection is closed does nothing.
void ExpectEveryOperationFails(CSqlManagement& db)
{
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(db.AddDevice(Device("AA:00:00:00:00:01")));
    Query q;
    q.successes = 3;
    EXPECT_FALSE(db.QueryDevices(q.devices, q.rows, q.successes, q.failures, true, SortByMac));
    EXPECT_TRUE(q.devices.empty());
    EXPECT_EQ(q.successes, 3);
    ap_info_stu device;
    std::memset(&device, 0x5A, sizeof device);
    EXPECT_FALSE(db.GetDevice("AA:00:00:00:00:01", device));
    EXPECT_EQ(FieldText(device.mac), "");
    EXPECT_FALSE(db.UpdateParaStatus("AA:00:00:00:00:01", 2));
    EXPECT_FALSE(db.UpdateLogoStatus("AA:00:00:00:00:01", 2));
    EXPECT_FALSE(db.UpdateAntiTheftStatus("AA:00:00:00:00:01", 2));
    EXPECT_FALSE(db.UpdateResult("AA:00:00:00:00:01", 0));
    EXPECT_EQ(db.GetResultClass("AA:00:00:00:00:01"), ResultWaiting);
    EXPECT_FALSE(db.DeleteAllDevices());
    EXPECT_FALSE(db.ResetAllStatus());
    EXPECT_FALSE(db.ExecuteSql("DELETE FROM ap_info"));
}

class OpenFailure : public testing::Test {
protected:
    void SetUp() override
    {
        CSqlManagement::SetOpenFailureHook([this](const std::string& text) {
            ++calls;
            lastText = text;
        });
    }
    void TearDown() override { CSqlManagement::SetOpenFailureHook({}); }

    int calls = 0;
    std::string lastText;
};

TEST_F(OpenFailure, ManagerStaysWithAClosedConnectionAndTellsOnce)
{
    struct Case {
        const char* name;
        // Prepares the folder and returns the folder the manager is given.
        std::string (*prepare)(const std::string& root);
        bool folderInTheWay;
    };
    // Root may write anywhere, so an unwritable folder is made by other means.
    const Case cases[] = {
        {"data.mdb is a folder",
         [](const std::string& root) {
             std::filesystem::create_directory(root + "data.mdb");
             WriteBytes(root + "data.mdb/kept.txt", "kept");
             return root;
         },
         true},
        {"program folder under a regular file",
         [](const std::string& root) {
             WriteBytes(root + "plain", "not a folder");
             return root + "plain/";
         },
         false},
        {"program folder missing", [](const std::string& root) { return root + "gone/"; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string programFolder = c.prepare(folder.Path());
        calls = 0;
        {
            CSqlManagement db(programFolder);
            EXPECT_EQ(calls, 1);
            EXPECT_EQ(lastText, "Failed to open database, unable to get data.");
            ExpectEveryOperationFails(db);
        }
        EXPECT_EQ(calls, 1);
        // Whatever was in the way is left alone.
        if (c.folderInTheWay) {
            EXPECT_EQ(ReadBytes(folder.Path() + "data.mdb/kept.txt"), "kept");
        }
    }
}

TEST_F(OpenFailure, TextGoesThroughTheLanguageTable)
{
    const char* source = std::getenv("KESTRUNE_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "KESTRUNE_SOURCE_DIR is set by CTest";
    TempFolder program;
    std::filesystem::copy(std::string(source) + "/data/Languages", program.Path() + "Languages");
    InitLanguageForLocale(program.Path(), 2052);
    std::filesystem::create_directory(program.Path() + "data.mdb");
    {
        CSqlManagement db(program.Path());
        EXPECT_FALSE(db.IsOpen());
    }
    InitLanguageForLocale(program.Path(), 1033);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lastText, "打开数据库失败，无法获取数据。");
}

TEST(ResultsDatabase, OneInstanceForTheProcessInTheProgramFolder)
{
    TempFolder program;
    OverrideProgramFolder(program.Path());
    CSqlManagement* db = CSqlManagement::GetInstance();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(CSqlManagement::GetInstance(), db);
    EXPECT_EQ(db->FilePath(), program.Path() + "data.mdb");
    EXPECT_TRUE(std::filesystem::is_regular_file(db->FilePath()));
    EXPECT_TRUE(db->IsOpen());
    EXPECT_TRUE(db->AddDevice(Device("AA:00:00:00:00:01")));
    EXPECT_TRUE(db->DeleteAllDevices());
}

TEST(SqliteLayer, KeepsTheLastErrorInItsTextForm)
{
    TempFolder folder;
    SqliteDatabase database;
    const std::string missing = folder.Path() + "missing/data.mdb";
    EXPECT_FALSE(database.Open(missing));
    EXPECT_FALSE(database.IsOpen());
    EXPECT_EQ(database.LastError().rfind("Connection String = " + missing +
                                             "\nSqliteDatabase Error\n\tCode = 0000000e\n\tCode "
                                             "meaning = unable to open database file\n\tSource = "
                                             "SQLite\n\tDescription = ",
                                         0),
              0u)
        << database.LastError();
    EXPECT_EQ(database.LastError().back(), '\n');

    const std::string path = folder.Path() + "data.mdb";
    ASSERT_TRUE(database.Create(path));
    EXPECT_FALSE(database.Create(path));  // the file is there already
    ASSERT_TRUE(database.Open(path));
    ASSERT_TRUE(database.Execute("CREATE TABLE t(a int)"));
    EXPECT_FALSE(database.Execute("CREATE TABLE t(a int)"));
    EXPECT_NE(database.LastError().find("\tDescription = table t already exists\n"),
              std::string::npos)
        << database.LastError();

    EXPECT_EQ(database.Prepare("SELECT b FROM t"), nullptr);
    EXPECT_EQ(database.LastError(),
              "Query = SELECT b FROM t\nSqliteStatement Error\n\tCode = 00000001\n\tCode meaning "
              "= SQL logic error\n\tSource = SQLite\n\tDescription = no such column: b\n");

    auto insert = database.Prepare("INSERT INTO t VALUES(?1)");
    ASSERT_NE(insert, nullptr);
    EXPECT_FALSE(insert->Bind(2, 5));
    EXPECT_NE(insert->LastError().find("Query = INSERT INTO t VALUES(?1)\nSqliteStatement Error"),
              std::string::npos);
    ASSERT_TRUE(insert->Bind(1, 5));
    EXPECT_EQ(insert->Step(), SqliteStatement::StepResult::Done);
    insert.reset();
    database.Close();
    EXPECT_FALSE(database.Execute("SELECT 1"));
}

}  // namespace
}  // namespace kestrune
