// The registry's SQLite connection: opening and checking the database file, statements,
// transactions, and the bounded wait on a database that another program holds busy.
//
// One RegistryDb is used by one thread at a time (the registry serialises its callers). Every
// SQLite failure inside a transaction is noted; the transaction is then rolled back and the
// caller gets ERROR_GEN_FAILURE with a sentence in LastFailure().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/function_ref.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qmx2::platform {

class Clock;

class RegistryDb {
public:
    ~RegistryDb();
    RegistryDb(const RegistryDb&) = delete;
    RegistryDb& operator=(const RegistryDb&) = delete;

    // Opens or creates the database at `path`. A file that is not a registry database, a
    // damaged one or one held busy past the time-out is left as it is: nullptr and a sentence.
    static std::unique_ptr<RegistryDb> Open(const std::string& path, Clock& clock,
                                            uint32_t busy_timeout_ms, std::string* error);

    // Runs body in a transaction (taking the write lock at once when `write`), commits when the
    // body succeeds and nothing failed, rolls back otherwise. Returns the body's code, or
    // ERROR_GEN_FAILURE when the database failed.
    uint32_t Transact(bool write, FunctionRef<uint32_t()> body);

    sqlite3* handle() { return db_; }
    // Records a failed SQLite call; the running transaction will roll back.
    void NoteFailure(int rc);
    bool failed() const { return failed_; }
    const std::string& last_failure() const { return last_failure_; }

private:
    RegistryDb(sqlite3* db, std::string path, Clock& clock, uint32_t busy_timeout_ms);
    static int OnBusy(void* self, int count);
    bool Exec(const char* sql);
    std::string Describe(int rc) const;
    bool PrepareSchema(std::string* error);

    sqlite3* db_;
    std::string path_;
    Clock& clock_;
    uint32_t busy_timeout_ms_;
    uint64_t busy_since_ = 0;
    bool failed_ = false;
    bool busy_ = false;  // a failure of this transaction was a lock conflict
    std::string last_failure_;
};

// A prepared statement that notes its failures on the database.
class RegistryStatement {
public:
    RegistryStatement(RegistryDb& db, const char* sql);
    ~RegistryStatement();
    RegistryStatement(const RegistryStatement&) = delete;
    RegistryStatement& operator=(const RegistryStatement&) = delete;

    RegistryStatement& Bind(int index, int64_t value);
    RegistryStatement& Bind(int index, std::string_view bytes);  // as a blob
    // True while there is a row; false at the end or on failure (noted on the database).
    bool Step();
    int64_t Int(int column);
    std::string_view Blob(int column);

private:
    RegistryDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace qmx2::platform
