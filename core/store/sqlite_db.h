// Owners for SQLite's connection and statement objects, and a transaction that rolls back unless committed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace netrov::store {

struct ConnectionCloser {
    void operator()(sqlite3* db) const;
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const;
};

// A prepared statement; finalised when the owner goes. Binding indexes start
// at 1, column indexes at 0, as in SQLite.
class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}

    bool valid() const { return stmt_ != nullptr; }
    void bind(int index, int64_t value);
    void bind(int index, std::string_view text);
    void bind(int index, std::optional<int64_t> value);
    void bind(int index, const std::optional<std::string>& text);
    void bindNull(int index);
    // SQLite's result code: SQLITE_ROW, SQLITE_DONE or an error.
    [[nodiscard]] int step();
    void reset();

    bool isNull(int column) const;
    int64_t integer(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;

private:
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> stmt_;
};

// One connection; closed (with every statement it prepared finalised first,
// since they are owned by the callers) when the owner goes.
class Connection {
public:
    Connection() = default;
    explicit Connection(sqlite3* db) : db_(db) {}

    sqlite3* get() const { return db_.get(); }
    bool valid() const { return db_ != nullptr; }
    // Runs statements that return no rows; SQLite's result code.
    [[nodiscard]] int exec(const char* sql);
    // Prepares one statement; on failure the statement is not valid and code holds SQLite's result.
    Statement prepare(std::string_view sql, int* code = nullptr);
    std::string lastMessage() const;

private:
    std::unique_ptr<sqlite3, ConnectionCloser> db_;
};

// BEGIN IMMEDIATE on creation; rolls back on destruction unless commit() succeeded.
class Transaction {
public:
    explicit Transaction(Connection& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    int beginCode() const { return beginCode_; }
    [[nodiscard]] int commit();

private:
    Connection& db_;
    int beginCode_ = 0;
    bool open_ = false;
};

}  // namespace netrov::store
