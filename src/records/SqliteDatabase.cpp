#include "SqliteDatabase.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <cstdio>

namespace kestrune {
namespace {

std::string ErrorBody(const char* layer, int code, const char* description)
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "%s Error\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = "
                  "%s\n",
                  layer, static_cast<unsigned long>(static_cast<unsigned int>(code)),
                  sqlite3_errstr(code), "SQLite", description ? description : "");
    return text;
}

}  // namespace

// --- SqliteStatement --------------------------------------------------------

SqliteStatement::SqliteStatement(SqliteDatabase& database, sqlite3_stmt* statement, std::string sql)
    : m_database(database), m_statement(statement), m_sql(std::move(sql))
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

bool SqliteStatement::Check(int code)
{
    if (code == SQLITE_OK)
        return true;
    m_lastErrorCode = code;
    m_lastError = m_database.StatementError(m_sql, code);
    return false;
}

bool SqliteStatement::Bind(int index, std::string_view text)
{
    return Check(sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT));
}

bool SqliteStatement::Bind(int index, int32_t value)
{
    return Check(sqlite3_bind_int(m_statement, index, value));
}

bool SqliteStatement::BindNull(int index)
{
    return Check(sqlite3_bind_null(m_statement, index));
}

SqliteStatement::StepResult SqliteStatement::Step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return StepResult::Row;
    if (code == SQLITE_DONE)
        return StepResult::Done;
    // sqlite3_step gives the generic code; the connection holds the detailed one.
    Check(m_database.m_db ? sqlite3_extended_errcode(m_database.m_db) : code);
    return StepResult::Failed;
}

void SqliteStatement::Reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int SqliteStatement::ColumnCount() const
{
    return sqlite3_column_count(m_statement);
}

int SqliteStatement::ColumnIndex(std::string_view name) const
{
    const int count = sqlite3_column_count(m_statement);
    for (int i = 0; i < count; ++i) {
        const char* column = sqlite3_column_name(m_statement, i);
        if (column && sqlite3_strnicmp(column, name.data(), static_cast<int>(name.size())) == 0 &&
            column[name.size()] == '\0')
            return i;
    }
    return -1;
}

std::string SqliteStatement::Text(int column) const
{
    const auto* text = sqlite3_column_text(m_statement, column);
    if (!text)
        return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(m_statement, column)));
}

int32_t SqliteStatement::Int(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

// --- SqliteDatabase ---------------------------------------------------------

SqliteDatabase::SqliteDatabase() = default;

SqliteDatabase::~SqliteDatabase()
{
    Close();
}

void SqliteDatabase::KeepError(int code, const char* description)
{
    m_lastErrorCode = code;
    m_lastError =
        "Connection String = " + m_path + "\n" +
        ErrorBody("SqliteDatabase", code, description ? description : sqlite3_errstr(code));
}

std::string SqliteDatabase::StatementError(const std::string& sql, int code) const
{
    return "Query = " + sql + "\n" +
           ErrorBody("SqliteStatement", code, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
}

bool SqliteDatabase::Create(const std::string& path)
{
    Close();
    m_path = path;
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
        KeepError(SQLITE_CANTOPEN, "the database file already exists");
        return false;
    }
    sqlite3* db = nullptr;
    int code =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    // Writing the header makes the file a database of its own right away.
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "PRAGMA user_version=0", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        KeepError(code, db ? sqlite3_errmsg(db) : nullptr);
    sqlite3_close_v2(db);
    return code == SQLITE_OK;
}

bool SqliteDatabase::Open(const std::string& path)
{
    Close();
    m_path = path;
    sqlite3* db = nullptr;
    int code =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        // A store thrown away at every start and exit, written by many threads
        // through one connection: no journal file, no syncs, and the file lock
        // kept from the first read on (saves locking and re-reading the header
        // at every statement; no other process has any business in it). The
        // query at the end reads the header, so a file that is no database
        // fails here rather than later.
        code = sqlite3_exec(db,
                            "PRAGMA locking_mode=EXCLUSIVE;"
                            "PRAGMA journal_mode=MEMORY;"
                            "PRAGMA synchronous=OFF;"
                            "PRAGMA temp_store=MEMORY;"
                            "SELECT count(*) FROM sqlite_master;",
                            nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) {
        KeepError(code, db ? sqlite3_errmsg(db) : nullptr);
        sqlite3_close_v2(db);
        return false;
    }
    m_db = db;
    return true;
}

void SqliteDatabase::Close()
{
    m_cache.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDatabase::Execute(const std::string& sql)
{
    if (!m_db) {
        KeepError(SQLITE_MISUSE, "the connection is closed");
        return false;
    }
    char* message = nullptr;
    const int code = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
    if (code != SQLITE_OK)
        KeepError(sqlite3_extended_errcode(m_db), message);
    sqlite3_free(message);
    return code == SQLITE_OK;
}

std::unique_ptr<SqliteStatement> SqliteDatabase::Prepare(const std::string& sql)
{
    if (!m_db) {
        KeepError(SQLITE_MISUSE, "the connection is closed");
        return nullptr;
    }
    sqlite3_stmt* statement = nullptr;
    const int code = sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (code != SQLITE_OK || !statement) {
        sqlite3_finalize(statement);
        m_lastErrorCode = code != SQLITE_OK ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
        m_lastError = StatementError(sql, m_lastErrorCode);
        return nullptr;
    }
    return std::unique_ptr<SqliteStatement>(new SqliteStatement(*this, statement, sql));
}

SqliteStatement* SqliteDatabase::Cached(const std::string& sql)
{
    auto found = m_cache.find(sql);
    if (found == m_cache.end()) {
        auto statement = Prepare(sql);
        if (!statement)
            return nullptr;
        found = m_cache.emplace(sql, std::move(statement)).first;
    }
    found->second->Reset();
    return found->second.get();
}

int SqliteDatabase::Changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

}  // namespace kestrune
