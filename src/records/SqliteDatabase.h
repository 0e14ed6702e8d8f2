#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A small RAII layer over the sqlite3 C API: one connection and its prepared
// statements. Every operation reports success as a boolean and keeps the
// engine's error as the last error; callers decide what to do with it.
// Neither class locks: the owner serialises all use of a connection.
namespace kestrune {

class SqliteDatabase;

// One prepared statement of a connection. Values are only ever bound as
// parameters (1-based), never pasted into the statement text. A statement
// must not outlive the SqliteDatabase object that prepared it.
class SqliteStatement {
public:
    enum class StepResult { Row, Done, Failed };

    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool Bind(int index, std::string_view text);
    bool Bind(int index, int32_t value);
    bool BindNull(int index);

    StepResult Step();
    // Makes the statement ready to run again and drops its bindings.
    void Reset();

    int ColumnCount() const;
    // The index of a named result column, or -1.
    int ColumnIndex(std::string_view name) const;
    // A null text reads as empty, a null integer as 0.
    std::string Text(int column) const;
    int32_t Int(int column) const;
    bool IsNull(int column) const;

    const std::string& Sql() const { return m_sql; }
    int LastErrorCode() const { return m_lastErrorCode; }
    const std::string& LastError() const { return m_lastError; }

private:
    friend class SqliteDatabase;
    SqliteStatement(SqliteDatabase& database, sqlite3_stmt* statement, std::string sql);
    bool Check(int code);

    SqliteDatabase& m_database;
    sqlite3_stmt* m_statement;
    std::string m_sql;
    int m_lastErrorCode = 0;
    std::string m_lastError;
};

class SqliteDatabase {
public:
    SqliteDatabase();
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Creates a new, empty database file (fails when the file exists or
    // cannot be made). The connection stays closed.
    bool Create(const std::string& path);
    // Opens an existing database file for reading and writing and applies
    // the settings of a throw-away store. Closes any earlier connection.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }

    // Runs statements that return no rows.
    bool Execute(const std::string& sql);

    // A fresh statement owned by the caller; null (with the last error kept)
    // when it does not compile or the connection is closed.
    std::unique_ptr<SqliteStatement> Prepare(const std::string& sql);
    // A statement prepared once per connection and reused, reset and with its
    // bindings cleared; owned by the connection and finalised on Close.
    SqliteStatement* Cached(const std::string& sql);

    // Rows changed by the most recent insert, update or delete.
    int Changes() const;

    const std::string& Path() const { return m_path; }
    int LastErrorCode() const { return m_lastErrorCode; }
    const std::string& LastError() const { return m_lastError; }

private:
    friend class SqliteStatement;
    // Builds the last-error text of the connection from an engine code.
    void KeepError(int code, const char* description);
    // The text a statement keeps for an engine code.
    std::string StatementError(const std::string& sql, int code) const;

    sqlite3* m_db = nullptr;
    std::string m_path;
    std::map<std::string, std::unique_ptr<SqliteStatement>, std::less<>> m_cache;
    int m_lastErrorCode = 0;
    std::string m_lastError;
};

}  // namespace kestrune
