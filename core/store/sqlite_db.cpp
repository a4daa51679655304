// Owners for SQLite's connection and statement objects, and a transaction that rolls back unless committed.
#include "sqlite_db.h"

#include <sqlite3.h>

namespace netrov::store {

void ConnectionCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void StatementFinalizer::operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }

void Statement::bind(int index, int64_t value) { sqlite3_bind_int64(stmt_.get(), index, value); }

void Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int index, std::optional<int64_t> value) {
    if (value)
        bind(index, *value);
    else
        bindNull(index);
}

void Statement::bind(int index, const std::optional<std::string>& text) {
    if (text)
        bind(index, std::string_view(*text));
    else
        bindNull(index);
}

void Statement::bindNull(int index) { sqlite3_bind_null(stmt_.get(), index); }

int Statement::step() { return sqlite3_step(stmt_.get()); }

void Statement::reset() {
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
}

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL; }

int64_t Statement::integer(int column) const { return sqlite3_column_int64(stmt_.get(), column); }

std::optional<int64_t> Statement::optionalInteger(int column) const {
    if (isNull(column))
        return std::nullopt;
    return integer(column);
}

std::string Statement::text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_.get(), column);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_.get(), column)));
}

std::optional<std::string> Statement::optionalText(int column) const {
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

int Connection::exec(const char* sql) { return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr); }

Statement Connection::prepare(std::string_view sql, int* code) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    if (code)
        *code = rc;
    // On failure SQLite leaves raw null; the owner takes whatever it gave.
    return Statement(raw);
}

std::string Connection::lastMessage() const { return db_ ? sqlite3_errmsg(db_.get()) : "no connection"; }

Transaction::Transaction(Connection& db) : db_(db) {
    beginCode_ = db_.exec("BEGIN IMMEDIATE");
    open_ = beginCode_ == SQLITE_OK;
}

Transaction::~Transaction() {
    if (open_)
        (void)db_.exec("ROLLBACK");
}

int Transaction::commit() {
    int rc = db_.exec("COMMIT");
    // A failed COMMIT may leave the transaction open (SQLITE_BUSY); the destructor rolls it back.
    if (rc == SQLITE_OK || sqlite3_get_autocommit(db_.get()))
        open_ = false;
    return rc;
}

}  // namespace netrov::store
