// The registry's SQLite connection.
#include "platform/registry_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/clock.h"
#include "platform/comm_types.h"

namespace qmx2::platform {
namespace {

// Marks a database as ours, so that another program's SQLite file is never taken over.
constexpr int kApplicationId = 0x514D5832;  // "QMX2"

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS reg_keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  key INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  seq INTEGER NOT NULL,"
    "  PRIMARY KEY(key, fold));"
    "CREATE INDEX IF NOT EXISTS reg_values_order ON reg_values(key, seq);"
    "INSERT OR IGNORE INTO reg_keys(id, parent, name, fold) VALUES(1, 0, x'', x'');";

// A file that exists and is not empty must start with SQLite's header; anything else is
// somebody's data and must not be touched.
bool LooksLikeSqlite(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return true;  // missing: SQLite creates it; unreadable: SQLite reports why
    char header[16] = {};
    in.read(header, sizeof header);
    if (in.gcount() == 0) return true;
    return in.gcount() == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0;
}

}  // namespace

RegistryDb::RegistryDb(sqlite3* db, std::string path, Clock& clock, uint32_t busy_timeout_ms)
    : db_(db), path_(std::move(path)), clock_(clock), busy_timeout_ms_(busy_timeout_ms) {}

RegistryDb::~RegistryDb() { sqlite3_close_v2(db_); }

std::unique_ptr<RegistryDb> RegistryDb::Open(const std::string& path, Clock& clock,
                                             uint32_t busy_timeout_ms, std::string* error) {
    if (!LooksLikeSqlite(path)) {
        *error = "The registry database " + path +
                 " is not a database file; it was left untouched. Move it away to start with "
                 "an empty registry.";
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        *error = "The registry database " + path + " cannot be opened: " +
                 (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ".";
        sqlite3_close_v2(db);
        return nullptr;
    }
    std::unique_ptr<RegistryDb> self(new RegistryDb(db, path, clock, busy_timeout_ms));
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_handler(db, &RegistryDb::OnBusy, self.get());
    if (!self->PrepareSchema(error)) return nullptr;
    return self;
}

bool RegistryDb::PrepareSchema(std::string* error) {
    failed_ = false;
    {
        RegistryStatement check(*this, "PRAGMA quick_check");
        if (check.Step() && check.Blob(0) != "ok") {
            *error = "The registry database " + path_ + " is damaged (" +
                     std::string(check.Blob(0)) +
                     "); it was left as it is. Move it away to start with an empty registry.";
            return false;
        }
    }
    int64_t tables = 0, app_id = 0;
    {
        RegistryStatement count(*this, "SELECT count(*) FROM sqlite_schema");
        if (count.Step()) tables = count.Int(0);
        RegistryStatement id(*this, "PRAGMA application_id");
        if (id.Step()) app_id = id.Int(0);
    }
    if (failed_) {
        *error = last_failure_;
        return false;
    }
    if (tables > 0 && app_id != kApplicationId) {
        *error = "The file " + path_ +
                 " is a database of another program, not a registry; it was left untouched.";
        return false;
    }
    // Only now that the file is known to be ours (or new) is it changed. WAL lets readers go on
    // while one program writes; FULL keeps every committed change.
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=FULL")) {
        *error = last_failure_;
        return false;
    }
    if (tables > 0) return true;  // ours, and made before: no need to wait for the write lock
    const uint32_t rc = Transact(true, [&]() -> uint32_t {
        Exec(kSchema);
        Exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) {
        *error = last_failure_;
        return false;
    }
    return true;
}

int RegistryDb::OnBusy(void* p, int count) {
    auto* self = static_cast<RegistryDb*>(p);
    const uint64_t now = self->clock_.TickMs();
    if (count == 0) self->busy_since_ = now;
    const uint64_t waited = now - self->busy_since_;
    if (waited >= self->busy_timeout_ms_) {
        return 0;
    }
    // The holder is another connection, maybe another process: give it the processor, then
    // wait a little longer each time.
    std::this_thread::yield();
    const uint64_t step = count < 4 ? (1u << count) : 10u;
    self->clock_.SleepMs(static_cast<uint32_t>(std::min(step, self->busy_timeout_ms_ - waited)));
    return 1;
}

uint32_t RegistryDb::Transact(bool write, FunctionRef<uint32_t()> body) {
    const uint64_t start = clock_.TickMs();
    for (;;) {
        failed_ = false;
        busy_ = false;
        uint32_t result = ERROR_GEN_FAILURE;
        if (Exec(write ? "BEGIN IMMEDIATE" : "BEGIN")) {
            result = body();
            if (failed_) result = ERROR_GEN_FAILURE;
            if (result == ERROR_SUCCESS && !Exec("COMMIT")) result = ERROR_GEN_FAILURE;
        }
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        // SQLite answers some lock conflicts at once, without waiting: run the whole
        // transaction again until the bound has passed.
        const uint64_t waited = clock_.TickMs() - start;
        if (!busy_ || waited >= busy_timeout_ms_) return result;
        std::this_thread::yield();
        clock_.SleepMs(static_cast<uint32_t>(std::min<uint64_t>(10, busy_timeout_ms_ - waited)));
    }
}

bool RegistryDb::Exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return true;
    NoteFailure(rc);
    return false;
}

void RegistryDb::NoteFailure(int rc) {
    failed_ = true;
    busy_ = busy_ || (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
    last_failure_ = Describe(rc);
}

std::string RegistryDb::Describe(int rc) const {
    const std::string what = "The registry database " + path_;
    const std::string detail = sqlite3_errmsg(db_);
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return what + " is locked by another program; gave up after " +
               std::to_string(busy_timeout_ms_) + " ms.";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return what + " is damaged (" + detail +
               "); it was left as it is. Move it away to start with an empty registry.";
    case SQLITE_FULL:
        return what + " cannot grow: the disk is full.";
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        return what + " cannot be written (" + detail + ").";
    default:
        return what + " failed (" + detail + ").";
    }
}

RegistryStatement::RegistryStatement(RegistryDb& db, const char* sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) db_.NoteFailure(rc);
}

RegistryStatement::~RegistryStatement() { sqlite3_finalize(stmt_); }

RegistryStatement& RegistryStatement::Bind(int index, int64_t value) {
    if (stmt_) sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

RegistryStatement& RegistryStatement::Bind(int index, std::string_view bytes) {
    if (!stmt_) return *this;
    // An empty view may have no data pointer, which SQLite would store as NULL.
    if (bytes.empty())
        sqlite3_bind_zeroblob(stmt_, index, 0);
    else
        sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

bool RegistryStatement::Step() {
    if (!stmt_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) db_.NoteFailure(rc);
    return false;
}

int64_t RegistryStatement::Int(int column) { return sqlite3_column_int64(stmt_, column); }

std::string_view RegistryStatement::Blob(int column) {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (!data || size <= 0) return {};
    return {static_cast<const char*>(data), static_cast<size_t>(size)};
}

}  // namespace qmx2::platform
