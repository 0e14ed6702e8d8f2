#include "CSqlManagement.h"

#include "Language.h"
#include "ProgramFolder.h"
#include "SqliteDatabase.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kestrune {
namespace {

// The columns with the widths the rows are read back into; text longer than
// its column is cut (at a UTF-8 character boundary) before it is stored.
constexpr const char* kCreateTable =
    "CREATE TABLE ap_info(ID INTEGER PRIMARY KEY AUTOINCREMENT,result char(4),mac char(18),"
    "ap_para_status int,ap_para_status_str char(33),ap_logo_status int,"
    "ap_logo_status_str char(33),ap_antitheft_status int,ap_antitheft_status_str char(33),"
    "ap_date char(33),ap_ssid2 char(33),ap_ssid5 char(33),ap_wpakey2 char(64),"
    "ap_wpakey5 char(64))";
// Every operation looks a row up by its MAC.
constexpr const char* kCreateMacIndex = "CREATE INDEX ap_info_mac ON ap_info(mac)";

constexpr size_t kMacWidth = 18;
constexpr size_t kTextWidth = 33;
constexpr size_t kKeyWidth = 64;

constexpr const char* kFindMac = "SELECT ID FROM ap_info WHERE mac=?1 ORDER BY ID LIMIT 1";
constexpr const char* kInsertDevice =
    "INSERT INTO ap_info(mac,ap_para_status,ap_para_status_str,ap_logo_status,"
    "ap_logo_status_str,ap_antitheft_status,ap_antitheft_status_str,ap_date,ap_ssid2,ap_ssid5,"
    "ap_wpakey2,ap_wpakey5) VALUES(?1,0,?2,0,?2,0,?2,?3,?4,?5,?6,?7)";
constexpr const char* kOverwriteDevice =
    "UPDATE ap_info SET mac=?1,ap_para_status=0,ap_para_status_str=?2,ap_logo_status=0,"
    "ap_logo_status_str=?2,ap_antitheft_status=0,ap_antitheft_status_str=?2,ap_date=?3,"
    "ap_ssid2=?4,ap_ssid5=?5,ap_wpakey2=?6,ap_wpakey5=?7 WHERE ID=?8";
constexpr const char* kGetDevice =
    "SELECT mac,ap_ssid2,ap_ssid5,ap_wpakey2,ap_wpakey5 FROM ap_info WHERE mac=?1 "
    "ORDER BY ID LIMIT 1";
constexpr const char* kGetFirstDevice =
    "SELECT mac,ap_ssid2,ap_ssid5,ap_wpakey2,ap_wpakey5 FROM ap_info ORDER BY ID LIMIT 1";
constexpr const char* kGetStatuses =
    "SELECT ap_para_status,ap_logo_status,ap_antitheft_status FROM ap_info WHERE mac=?1 "
    "ORDER BY ID LIMIT 1";
constexpr const char* kDeleteAll = "DELETE FROM ap_info";
constexpr const char* kResetAll =
    "UPDATE ap_info SET ap_antitheft_status = 0,ap_antitheft_status_str = '',ap_logo_status = "
    "0,ap_logo_status_str = '',ap_para_status = 0,ap_para_status_str = '',result = ''";

// The first row of a MAC is the one an update writes.
std::string UpdateStatement(const char* codeColumn, const char* textColumn)
{
    return std::string("UPDATE ap_info SET ") + codeColumn + "=?1," + textColumn +
           "=?2 WHERE ID=(SELECT ID FROM ap_info WHERE mac=?3 ORDER BY ID LIMIT 1)";
}

const std::string kUpdatePara = UpdateStatement("ap_para_status", "ap_para_status_str");
const std::string kUpdateLogo = UpdateStatement("ap_logo_status", "ap_logo_status_str");
const std::string kUpdateAntiTheft =
    UpdateStatement("ap_antitheft_status", "ap_antitheft_status_str");
const std::string kUpdateResult =
    "UPDATE ap_info SET result=?1 WHERE ID=(SELECT ID FROM ap_info WHERE mac=?2 ORDER BY ID "
    "LIMIT 1)";

std::mutex hookMutex;
CSqlManagement::OpenFailureHook openFailureHook;

// Puts a cached statement back to its start when the operation is done with
// it, so no read stays open between operations.
class StatementUse {
public:
    explicit StatementUse(SqliteStatement* statement) : m_statement(statement) {}
    ~StatementUse()
    {
        if (m_statement)
            m_statement->Reset();
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

private:
    SqliteStatement* m_statement;
};

std::string FitColumn(std::string text, size_t width)
{
    if (text.size() <= width)
        return text;
    size_t length = width;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    text.resize(length);
    return text;
}

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The filter as a LIKE pattern that matches it anywhere in a MAC, with its
// own '%', '_' and '\' standing for themselves.
std::string ContainsPattern(const std::string& filter)
{
    std::string pattern = "%";
    for (char c : filter) {
        if (c == '%' || c == '_' || c == '\\')
            pattern.push_back('\\');
        pattern.push_back(c);
    }
    pattern.push_back('%');
    return pattern;
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The store and whatever the engine may have left beside it.
void RemoveStore(const std::string& path)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        ::unlink((path + suffix).c_str());
}

}  // namespace

CSqlManagement* CSqlManagement::GetInstance()
{
    static CSqlManagement instance(ProgramFolder());
    return &instance;
}

void CSqlManagement::SetOpenFailureHook(OpenFailureHook hook)
{
    std::lock_guard lock(hookMutex);
    openFailureHook = std::move(hook);
}

CSqlManagement::CSqlManagement(const std::string& folder)
    : m_database(std::make_unique<SqliteDatabase>())
{
    m_filePath = folder;
    if (!m_filePath.empty() && m_filePath.back() != '/')
        m_filePath.push_back('/');
    m_filePath += "data.mdb";

    // A file left by an earlier run is discarded; a failure here shows below.
    RemoveStore(m_filePath);

    if (!PathExists(m_filePath)) {
        if (m_database->Create(m_filePath) && m_database->Open(m_filePath) &&
            ExecuteSql(kCreateTable))
            ExecuteSql(kCreateMacIndex);
        m_database->Close();
    }

    if (!m_database->Open(m_filePath)) {
        m_database->Close();
        OpenFailureHook hook;
        {
            std::lock_guard lock(hookMutex);
            hook = openFailureHook;
        }
        const std::string text =
            Translate(std::string_view("Failed to open database, unable to get data."));
        if (hook)
            hook(text);
        else
            std::fprintf(stderr, "%s\n", text.c_str());
    }
}

CSqlManagement::~CSqlManagement()
{
    {
        std::lock_guard lock(m_lock);
        m_database->Close();
    }
    RemoveStore(m_filePath);
}

bool CSqlManagement::IsOpen() const
{
    std::lock_guard lock(m_lock);
    return m_database->IsOpen();
}

bool CSqlManagement::AddDevice(ap_discover_stu device)
{
    const std::string mac = FitColumn(FieldText(device.mac), kMacWidth);
    const std::string date = FitColumn(FieldText(device.date), kTextWidth);
    const std::string ssid2 = FitColumn(FieldText(device.ssid2), kTextWidth);
    const std::string ssid5 = FitColumn(FieldText(device.ssid5), kTextWidth);
    const std::string wpakey2 = FitColumn(FieldText(device.wpakey2), kKeyWidth);
    const std::string wpakey5 = FitColumn(FieldText(device.wpakey5), kKeyWidth);
    const std::string waitText = StatusText(WaitOperate);

    std::lock_guard lock(m_lock);
    if (!m_database->IsOpen())
        return false;

    SqliteStatement* find = m_database->Cached(kFindMac);
    if (!find)
        return false;
    StatementUse findUse(find);
    if (!find->Bind(1, mac))
        return false;
    const auto found = find->Step();
    if (found == SqliteStatement::StepResult::Failed)
        return false;
    const bool exists = found == SqliteStatement::StepResult::Row;
    const int32_t id = exists ? find->Int(0) : 0;
    find->Reset();

    SqliteStatement* write = m_database->Cached(exists ? kOverwriteDevice : kInsertDevice);
    if (!write)
        return false;
    StatementUse writeUse(write);
    bool bound = write->Bind(1, mac) && write->Bind(2, waitText) && write->Bind(3, date) &&
                 write->Bind(4, ssid2) && write->Bind(5, ssid5) && write->Bind(6, wpakey2) &&
                 write->Bind(7, wpakey5);
    if (exists)
        bound = bound && write->Bind(8, id);
    return bound && write->Step() == SqliteStatement::StepResult::Done;
}

bool CSqlManagement::QueryDevices(DeviceList& devices, int& rowCount, int& successCount,
                                  int& failCount, bool ascending, int sortSelector,
                                  const std::string& macFilter)
{
    const char* sortColumn = nullptr;
    if (sortSelector == SortByMac)
        sortColumn = "mac";
    else if (sortSelector == SortByResult)
        sortColumn = "result";

    std::string sql =
        "SELECT mac,ap_date,ap_para_status,ap_logo_status,ap_antitheft_status,ap_ssid2,ap_ssid5,"
        "ap_wpakey2,ap_wpakey5 FROM ap_info";
    if (!macFilter.empty())
        sql += " WHERE mac LIKE ?1 ESCAPE '\\'";
    if (sortColumn) {
        // Rows of equal sort value keep their insertion order.
        sql += std::string(" ORDER BY ") + sortColumn + (ascending ? " ASC" : " DESC") + ",ID ASC";
    }

    std::lock_guard lock(m_lock);
    if (!m_database->IsOpen())
        return false;
    // Without a sort column the statement has no meaning.
    if (!sortColumn)
        return false;
    SqliteStatement* query = m_database->Cached(sql);
    if (!query)
        return false;
    StatementUse use(query);
    if (!macFilter.empty() && !query->Bind(1, ContainsPattern(macFilter)))
        return false;

    DeviceList rows;
    int successes = 0;
    int failures = 0;
    for (;;) {
        const auto step = query->Step();
        if (step == SqliteStatement::StepResult::Failed)
            return false;
        if (step == SqliteStatement::StepResult::Done)
            break;
        ap_info_stu row;
        std::memset(&row, 0, sizeof row);
        CopyField(row.mac, Trimmed(query->Text(0)));
        CopyField(row.date, query->Text(1));
        row.para_status = query->Int(2);
        row.logo_status = query->Int(3);
        row.antitheft_status = query->Int(4);
        CopyField(row.ssid2, query->Text(5));
        CopyField(row.ssid5, query->Text(6));
        CopyField(row.wpakey2, query->Text(7));
        CopyField(row.wpakey5, query->Text(8));
        const ResultClass result =
            ClassifyResult(row.para_status, row.logo_status, row.antitheft_status);
        if (result == ResultSuccess)
            ++successes;
        else if (result == ResultFail)
            ++failures;
        rows.push_back(row);
    }
    rowCount = static_cast<int>(rows.size());
    successCount += successes;
    failCount += failures;
    devices.splice(devices.end(), rows);
    return true;
}

bool CSqlManagement::GetDevice(const std::string& mac, ap_info_stu& device)
{
    std::memset(&device, 0, sizeof device);
    std::lock_guard lock(m_lock);
    if (!m_database->IsOpen())
        return false;
    SqliteStatement* query = m_database->Cached(mac.empty() ? kGetFirstDevice : kGetDevice);
    if (!query)
        return false;
    StatementUse use(query);
    if (!mac.empty() && !query->Bind(1, mac))
        return false;
    const auto step = query->Step();
    if (step == SqliteStatement::StepResult::Failed)
        return false;
    if (step == SqliteStatement::StepResult::Row) {
        CopyField(device.mac, query->Text(0));
        CopyField(device.ssid2, query->Text(1));
        CopyField(device.ssid5, query->Text(2));
        CopyField(device.wpakey2, query->Text(3));
        CopyField(device.wpakey5, query->Text(4));
    }
    return true;
}

namespace {

bool UpdateStatus(SqliteDatabase& database, const std::string& sql, const std::string& mac,
                  int32_t code)
{
    if (!database.IsOpen())
        return false;
    const std::string text = StatusText(code);
    SqliteStatement* update = database.Cached(sql);
    if (!update)
        return false;
    StatementUse use(update);
    return update->Bind(1, code) && update->Bind(2, text) && update->Bind(3, mac) &&
           update->Step() == SqliteStatement::StepResult::Done && database.Changes() > 0;
}

}  // namespace

bool CSqlManagement::UpdateParaStatus(const std::string& mac, int32_t code)
{
    std::lock_guard lock(m_lock);
    return UpdateStatus(*m_database, kUpdatePara, mac, code);
}

bool CSqlManagement::UpdateLogoStatus(const std::string& mac, int32_t code)
{
    std::lock_guard lock(m_lock);
    return UpdateStatus(*m_database, kUpdateLogo, mac, code);
}

bool CSqlManagement::UpdateAntiTheftStatus(const std::string& mac, int32_t code)
{
    std::lock_guard lock(m_lock);
    return UpdateStatus(*m_database, kUpdateAntiTheft, mac, code);
}

bool CSqlManagement::UpdateResult(const std::string& mac, int32_t resultClass)
{
    std::lock_guard lock(m_lock);
    if (!m_database->IsOpen())
        return false;
    SqliteStatement* update = m_database->Cached(kUpdateResult);
    if (!update)
        return false;
    StatementUse use(update);
    return update->Bind(1, std::to_string(resultClass)) && update->Bind(2, mac) &&
           update->Step() == SqliteStatement::StepResult::Done && m_database->Changes() > 0;
}

ResultClass CSqlManagement::GetResultClass(const std::string& mac)
{
    int32_t para = 0;
    int32_t logo = 0;
    int32_t anti = 0;
    {
        std::lock_guard lock(m_lock);
        if (m_database->IsOpen()) {
            SqliteStatement* query = m_database->Cached(kGetStatuses);
            StatementUse use(query);
            if (query && query->Bind(1, mac) && query->Step() == SqliteStatement::StepResult::Row) {
                para = query->Int(0);
                logo = query->Int(1);
                anti = query->Int(2);
            }
        }
    }
    return ClassifyResult(para, logo, anti);
}

bool CSqlManagement::DeleteAllDevices()
{
    return ExecuteSql(kDeleteAll);
}

bool CSqlManagement::ResetAllStatus()
{
    return ExecuteSql(kResetAll);
}

bool CSqlManagement::ExecuteSql(const std::string& statement)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::lock_guard lock(m_lock);
        if (m_database->IsOpen() && m_database->Execute(statement))
            return true;
    }
    return false;
}

}  // namespace kestrune
