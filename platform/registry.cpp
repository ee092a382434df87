// The registry on SQLite: keys form a tree of rows under the local-machine root (row 1), values
// are rows of their key holding type and exact bytes. Names are kept as the writer gave them and
// found through their folded form. Key rows are never renumbered, so a handle to a deleted key
// cannot reach a key created later.
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/registry.h"
#include "platform/registry_db.h"
#include "platform/registry_names.h"

namespace qmx2::platform {
namespace {

constexpr int64_t kRootId = 1;

// Lets one caller at a time use the connection. Waiting goes through the clock, so that a
// virtual clock counts a waiting caller as blocked while the holder sleeps on a busy database.
class CallerTurns {
public:
    explicit CallerTurns(Clock& clock) : clock_(clock) {}
    void Take() {
        uint64_t mine = 0;
        clock_.Update([&] { mine = next_++; });
        clock_.WaitFor([&] { return serving_ == mine; }, kInfinite);
    }
    void Give() {
        clock_.Update([&] { ++serving_; });
    }

private:
    Clock& clock_;
    uint64_t next_ = 0;
    uint64_t serving_ = 0;
};

class SqliteRegistry final : public Registry {
public:
    SqliteRegistry(std::unique_ptr<Clock> own_clock, Clock& clock, std::unique_ptr<RegistryDb> db)
        : own_clock_(std::move(own_clock)), turns_(clock), db_(std::move(db)) {}

    uint32_t CreateKey(RegKey parent, WideView path, RegKey* key, bool* created) override;
    uint32_t OpenKey(RegKey parent, WideView path, RegKey* key) override;
    uint32_t CloseKey(RegKey key) override;
    uint32_t DeleteKey(RegKey parent, WideView path) override;
    uint32_t QueryValue(RegKey key, WideView name, uint32_t* type, void* data,
                        uint32_t* size) override;
    uint32_t SetValue(RegKey key, WideView name, uint32_t type, const void* data,
                      uint32_t size) override;
    uint32_t DeleteValue(RegKey key, WideView name) override;
    uint32_t EnumKey(RegKey key, uint32_t index, WideChar* name, uint32_t* name_chars) override;
    uint32_t EnumValue(RegKey key, uint32_t index, WideChar* name, uint32_t* name_chars,
                       uint32_t* type, void* data, uint32_t* size) override;
    std::string LastFailure() const override {
        Turn turn(turns_);
        return db_->last_failure();
    }

private:
    struct Turn {
        explicit Turn(CallerTurns& t) : turns(t) { turns.Take(); }
        ~Turn() { turns.Give(); }
        CallerTurns& turns;
    };

    bool Lookup(RegKey key, int64_t* id) const;
    RegKey NewHandle(int64_t id);
    uint32_t KeyAlive(int64_t id);
    uint32_t Resolve(int64_t from, const std::vector<WideString>& names, int64_t* id);

    std::unique_ptr<Clock> own_clock_;
    mutable CallerTurns turns_;
    std::unique_ptr<RegistryDb> db_;
    std::map<RegKey, int64_t> handles_;
    RegKey next_handle_ = 0x100;
};

bool SqliteRegistry::Lookup(RegKey key, int64_t* id) const {
    if (key == HKEY_LOCAL_MACHINE) {
        *id = kRootId;
        return true;
    }
    const auto it = handles_.find(key);
    if (it == handles_.end()) return false;
    *id = it->second;
    return true;
}

RegKey SqliteRegistry::NewHandle(int64_t id) {
    while (next_handle_ == 0 || next_handle_ == HKEY_LOCAL_MACHINE || handles_.count(next_handle_))
        ++next_handle_;
    handles_[next_handle_] = id;
    return next_handle_++;
}

uint32_t SqliteRegistry::KeyAlive(int64_t id) {
    RegistryStatement s(*db_, "SELECT 1 FROM reg_keys WHERE id = ?");
    return s.Bind(1, id).Step() ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

uint32_t SqliteRegistry::Resolve(int64_t from, const std::vector<WideString>& names, int64_t* id) {
    int64_t at = from;
    for (const auto& name : names) {
        RegistryStatement s(*db_, "SELECT id FROM reg_keys WHERE parent = ? AND fold = ?");
        if (!s.Bind(1, at).Bind(2, UnitsAsBytes(FoldName(name), true)).Step())
            return ERROR_FILE_NOT_FOUND;
        at = s.Int(0);
    }
    *id = at;
    return ERROR_SUCCESS;
}

uint32_t SqliteRegistry::CreateKey(RegKey parent, WideView path, RegKey* key, bool* created) {
    if (!key) return ERROR_INVALID_PARAMETER;
    Turn turn(turns_);
    int64_t from = 0, id = 0;
    std::vector<WideString> names;
    if (!Lookup(parent, &from)) return ERROR_INVALID_HANDLE;
    if (!SplitKeyPath(path, &names)) return ERROR_INVALID_PARAMETER;
    bool made = false;
    const uint32_t rc = db_->Transact(true, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(from); alive != ERROR_SUCCESS) return alive;
        id = from;
        for (const auto& name : names) {
            const std::string fold = UnitsAsBytes(FoldName(name), true);
            RegistryStatement find(*db_, "SELECT id FROM reg_keys WHERE parent = ? AND fold = ?");
            if (find.Bind(1, id).Bind(2, fold).Step()) {
                id = find.Int(0);
                made = false;
                continue;
            }
            RegistryStatement add(*db_,
                                  "INSERT INTO reg_keys(parent, name, fold) VALUES(?, ?, ?)");
            add.Bind(1, id).Bind(2, UnitsAsBytes(name, false)).Bind(3, fold).Step();
            id = sqlite3_last_insert_rowid(db_->handle());
            made = true;
        }
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    *key = NewHandle(id);
    if (created) *created = made;
    return ERROR_SUCCESS;
}

uint32_t SqliteRegistry::OpenKey(RegKey parent, WideView path, RegKey* key) {
    if (!key) return ERROR_INVALID_PARAMETER;
    Turn turn(turns_);
    int64_t from = 0, id = 0;
    std::vector<WideString> names;
    if (!Lookup(parent, &from)) return ERROR_INVALID_HANDLE;
    if (!SplitKeyPath(path, &names)) return ERROR_INVALID_PARAMETER;
    const uint32_t rc = db_->Transact(false, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(from); alive != ERROR_SUCCESS) return alive;
        return Resolve(from, names, &id);
    });
    if (rc != ERROR_SUCCESS) return rc;
    *key = NewHandle(id);
    return ERROR_SUCCESS;
}

uint32_t SqliteRegistry::CloseKey(RegKey key) {
    Turn turn(turns_);
    if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    return handles_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

uint32_t SqliteRegistry::DeleteKey(RegKey parent, WideView path) {
    Turn turn(turns_);
    int64_t from = 0;
    std::vector<WideString> names;
    if (!Lookup(parent, &from)) return ERROR_INVALID_HANDLE;
    if (!SplitKeyPath(path, &names) || names.empty()) return ERROR_INVALID_PARAMETER;
    return db_->Transact(true, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(from); alive != ERROR_SUCCESS) return alive;
        int64_t id = 0;
        if (const uint32_t found = Resolve(from, names, &id); found != ERROR_SUCCESS) return found;
        static constexpr const char* kSubtree =
            "WITH RECURSIVE sub(id) AS (SELECT ? UNION ALL "
            "SELECT k.id FROM reg_keys k JOIN sub ON k.parent = sub.id) ";
        RegistryStatement values(*db_, (std::string(kSubtree) +
                                         "DELETE FROM reg_values WHERE key IN sub").c_str());
        values.Bind(1, id).Step();
        RegistryStatement keys(*db_,
                               (std::string(kSubtree) + "DELETE FROM reg_keys WHERE id IN sub").c_str());
        keys.Bind(1, id).Step();
        return ERROR_SUCCESS;
    });
}

uint32_t SqliteRegistry::QueryValue(RegKey key, WideView name, uint32_t* type, void* data,
                                    uint32_t* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    Turn turn(turns_);
    int64_t id = 0;
    if (!Lookup(key, &id) || !IsValidValueName(name)) return ERROR_FILE_NOT_FOUND;
    // The caller's sizes are read once: a transaction may run again after a lock conflict.
    const uint32_t room = size ? *size : 0;
    return db_->Transact(false, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(id); alive != ERROR_SUCCESS) return alive;
        RegistryStatement s(*db_, "SELECT type, data FROM reg_values WHERE key = ? AND fold = ?");
        if (!s.Bind(1, id).Bind(2, UnitsAsBytes(FoldName(name), true)).Step())
            return ERROR_FILE_NOT_FOUND;
        const std::string_view bytes = s.Blob(1);
        const auto needed = static_cast<uint32_t>(bytes.size());
        if (type) *type = static_cast<uint32_t>(s.Int(0));
        if (size) *size = needed;
        if (!data) return ERROR_SUCCESS;
        if (room < needed) return ERROR_MORE_DATA;
        if (needed) std::memcpy(data, bytes.data(), needed);
        return ERROR_SUCCESS;
    });
}

uint32_t SqliteRegistry::SetValue(RegKey key, WideView name, uint32_t type, const void* data,
                                  uint32_t size) {
    if ((!data && size) || size > kMaxRegValueBytes || !IsValidValueName(name))
        return ERROR_INVALID_PARAMETER;
    Turn turn(turns_);
    int64_t id = 0;
    if (!Lookup(key, &id)) return ERROR_INVALID_HANDLE;
    return db_->Transact(true, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(id); alive != ERROR_SUCCESS) return alive;
        // A value written again keeps its name's case and its place in the enumeration.
        RegistryStatement s(*db_,
                            "INSERT INTO reg_values(key, name, fold, type, data, seq) "
                            "VALUES(?1, ?2, ?3, ?4, ?5, "
                            "(SELECT coalesce(max(seq), 0) + 1 FROM reg_values WHERE key = ?1)) "
                            "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, "
                            "data = excluded.data");
        s.Bind(1, id)
            .Bind(2, UnitsAsBytes(name, false))
            .Bind(3, UnitsAsBytes(FoldName(name), true))
            .Bind(4, static_cast<int64_t>(type))
            .Bind(5, std::string_view(static_cast<const char*>(data), data ? size : 0))
            .Step();
        return ERROR_SUCCESS;
    });
}

uint32_t SqliteRegistry::DeleteValue(RegKey key, WideView name) {
    Turn turn(turns_);
    int64_t id = 0;
    if (!Lookup(key, &id)) return ERROR_INVALID_HANDLE;
    if (!IsValidValueName(name)) return ERROR_FILE_NOT_FOUND;
    return db_->Transact(true, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(id); alive != ERROR_SUCCESS) return alive;
        RegistryStatement s(*db_, "DELETE FROM reg_values WHERE key = ? AND fold = ?");
        s.Bind(1, id).Bind(2, UnitsAsBytes(FoldName(name), true)).Step();
        return sqlite3_changes(db_->handle()) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

uint32_t SqliteRegistry::EnumKey(RegKey key, uint32_t index, WideChar* name,
                                 uint32_t* name_chars) {
    if (!name || !name_chars) return ERROR_INVALID_PARAMETER;
    Turn turn(turns_);
    int64_t id = 0;
    if (!Lookup(key, &id)) return ERROR_FILE_NOT_FOUND;
    const uint32_t room = *name_chars;
    return db_->Transact(false, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(id); alive != ERROR_SUCCESS) return alive;
        RegistryStatement s(*db_,
                            "SELECT name FROM reg_keys WHERE parent = ? "
                            "ORDER BY fold, name LIMIT 1 OFFSET ?");
        if (!s.Bind(1, id).Bind(2, index).Step()) return ERROR_NO_MORE_ITEMS;
        const std::string_view bytes = s.Blob(0);
        const WideString units = UnitsFromBytes(bytes.data(), bytes.size());
        *name_chars = static_cast<uint32_t>(units.size());
        if (units.size() + 1 > room) return ERROR_MORE_DATA;
        std::memcpy(name, units.data(), units.size() * sizeof(WideChar));
        name[units.size()] = 0;
        return ERROR_SUCCESS;
    });
}

uint32_t SqliteRegistry::EnumValue(RegKey key, uint32_t index, WideChar* name,
                                   uint32_t* name_chars, uint32_t* type, void* data,
                                   uint32_t* size) {
    if (!name || !name_chars || (data && !size)) return ERROR_INVALID_PARAMETER;
    Turn turn(turns_);
    int64_t id = 0;
    if (!Lookup(key, &id)) return ERROR_FILE_NOT_FOUND;
    const uint32_t name_room = *name_chars, data_room = size ? *size : 0;
    return db_->Transact(false, [&]() -> uint32_t {
        if (const uint32_t alive = KeyAlive(id); alive != ERROR_SUCCESS) return alive;
        RegistryStatement s(*db_,
                            "SELECT name, type, data FROM reg_values WHERE key = ? "
                            "ORDER BY seq LIMIT 1 OFFSET ?");
        if (!s.Bind(1, id).Bind(2, index).Step()) return ERROR_NO_MORE_ITEMS;
        const std::string_view name_bytes = s.Blob(0);
        const WideString units = UnitsFromBytes(name_bytes.data(), name_bytes.size());
        const std::string_view bytes = s.Blob(2);
        const auto needed = static_cast<uint32_t>(bytes.size());
        *name_chars = static_cast<uint32_t>(units.size());
        if (type) *type = static_cast<uint32_t>(s.Int(1));
        if (size) *size = needed;
        // Nothing is copied unless both the name and the data fit.
        if (units.size() + 1 > name_room || (data && data_room < needed)) return ERROR_MORE_DATA;
        std::memcpy(name, units.data(), units.size() * sizeof(WideChar));
        name[units.size()] = 0;
        if (data && needed) std::memcpy(data, bytes.data(), needed);
        return ERROR_SUCCESS;
    });
}

}  // namespace

std::unique_ptr<Registry> OpenRegistry(const std::string& root_dir, std::string* error,
                                       const RegistryOptions& options) {
    std::string ignored;
    if (!error) error = &ignored;
    std::error_code ec;
    std::filesystem::create_directories(root_dir, ec);
    if (ec) {
        *error = "The handheld folder " + root_dir + " cannot be created: " + ec.message() + ".";
        return nullptr;
    }
    std::unique_ptr<Clock> own_clock;
    Clock* clock = options.clock;
    if (!clock) {
        own_clock = MakeRealClock();
        clock = own_clock.get();
    }
    auto db = RegistryDb::Open((std::filesystem::path(root_dir) / "registry.db").string(), *clock,
                               options.busy_timeout_ms, error);
    if (!db) return nullptr;
    return std::make_unique<SqliteRegistry>(std::move(own_clock), *clock, std::move(db));
}

std::unique_ptr<Registry> OpenRegistry(const std::string& root_dir, std::string* error) {
    return OpenRegistry(root_dir, error, RegistryOptions{});
}

}  // namespace qmx2::platform
