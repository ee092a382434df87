// An in-memory registry for tests of the manager's settings: keys by path, values in the order
// they were first written, and switches to make opening or writing fail.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::manager::testing {

class FakeRegistry : public platform::Registry {
public:
    struct Value {
        std::u16string name;
        uint32_t type;
        std::string data;
    };
    bool fail_open = false;
    bool fail_write = false;

    uint32_t CreateKey(platform::RegKey parent, platform::WideView path, platform::RegKey* key,
                       bool* created) override {
        std::lock_guard lock(mu_);
        if (fail_open) return platform::ERROR_GEN_FAILURE;
        const std::u16string full = Full(parent, path);
        const bool is_new = keys_.find(full) == keys_.end();
        keys_[full];
        if (created) *created = is_new;
        return Handle(full, key);
    }
    uint32_t OpenKey(platform::RegKey parent, platform::WideView path, platform::RegKey* key) override {
        std::lock_guard lock(mu_);
        const std::u16string full = Full(parent, path);
        if (fail_open || keys_.find(full) == keys_.end()) return platform::ERROR_FILE_NOT_FOUND;
        return Handle(full, key);
    }
    uint32_t CloseKey(platform::RegKey key) override {
        std::lock_guard lock(mu_);
        ++closes_;
        return handles_.erase(key) ? platform::ERROR_SUCCESS : platform::ERROR_INVALID_HANDLE;
    }
    uint32_t DeleteKey(platform::RegKey, platform::WideView path) override {
        std::lock_guard lock(mu_);
        return keys_.erase(std::u16string(path)) ? platform::ERROR_SUCCESS
                                                 : platform::ERROR_FILE_NOT_FOUND;
    }
    uint32_t QueryValue(platform::RegKey key, platform::WideView name, uint32_t* type, void* data,
                        uint32_t* size) override {
        std::lock_guard lock(mu_);
        Value* v = Find(key, name);
        if (!v) return platform::ERROR_FILE_NOT_FOUND;
        return CopyOut(*v, type, data, size);
    }
    uint32_t SetValue(platform::RegKey key, platform::WideView name, uint32_t type,
                      const void* data, uint32_t size) override {
        std::lock_guard lock(mu_);
        if (fail_write) return platform::ERROR_GEN_FAILURE;
        std::string bytes(static_cast<const char*>(data), size);
        if (Value* v = Find(key, name)) {
            v->type = type;
            v->data = bytes;
        } else {
            Values(key).push_back({std::u16string(name), type, bytes});
        }
        return platform::ERROR_SUCCESS;
    }
    uint32_t DeleteValue(platform::RegKey key, platform::WideView name) override {
        std::lock_guard lock(mu_);
        auto& vs = Values(key);
        for (auto it = vs.begin(); it != vs.end(); ++it)
            if (it->name == name) {
                vs.erase(it);
                return platform::ERROR_SUCCESS;
            }
        return platform::ERROR_FILE_NOT_FOUND;
    }
    uint32_t EnumKey(platform::RegKey key, uint32_t index, platform::WideChar* name,
                     uint32_t* name_chars) override {
        std::lock_guard lock(mu_);
        const std::u16string prefix = handles_.at(key) + u"\\";
        uint32_t i = 0;
        for (const auto& [path, values] : keys_) {
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::u16string child = path.substr(prefix.size());
            if (child.find(u'\\') != std::u16string::npos) continue;
            if (i++ != index) continue;
            if (child.size() + 1 > *name_chars) return platform::ERROR_MORE_DATA;
            child.copy(name, child.size());
            name[child.size()] = 0;
            *name_chars = static_cast<uint32_t>(child.size());
            return platform::ERROR_SUCCESS;
        }
        return platform::ERROR_NO_MORE_ITEMS;
    }
    uint32_t EnumValue(platform::RegKey key, uint32_t index, platform::WideChar* name,
                       uint32_t* name_chars, uint32_t* type, void* data, uint32_t* size) override {
        std::lock_guard lock(mu_);
        auto& vs = Values(key);
        if (index >= vs.size()) return platform::ERROR_NO_MORE_ITEMS;
        const Value& v = vs[index];
        if (v.name.size() + 1 > *name_chars) return platform::ERROR_MORE_DATA;
        v.name.copy(name, v.name.size());
        name[v.name.size()] = 0;
        *name_chars = static_cast<uint32_t>(v.name.size());
        return CopyOut(v, type, data, size);
    }

    // Test helpers on the manager's key.
    void SetText(const std::u16string& key, const std::u16string& name, const std::u16string& text,
                 uint32_t bytes = 0) {
        std::lock_guard lock(mu_);
        std::string data(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
        if (bytes > data.size()) data.resize(bytes, '\0');
        keys_[key];
        auto& vs = keys_[key];
        for (auto& v : vs)
            if (v.name == name) {
                v.data = data;
                return;
            }
        vs.push_back({name, platform::REG_SZ, data});
    }
    const Value* Get(const std::u16string& key, const std::u16string& name) {
        std::lock_guard lock(mu_);
        for (auto& v : keys_[key])
            if (v.name == name) return &v;
        return nullptr;
    }
    // The text of a string value up to its terminator; "<absent>" when missing.
    std::string Text(const std::u16string& key, const std::u16string& name) {
        std::lock_guard lock(mu_);
        const Value* v = Get(key, name);
        if (!v) return "<absent>";
        std::string out;
        for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) {
            const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(v->data[i]) |
                                                     (static_cast<unsigned char>(v->data[i + 1]) << 8));
            if (c == 0) break;
            out.push_back(static_cast<char>(c));
        }
        return out;
    }
    int open_handles() const { return static_cast<int>(handles_.size()); }

private:
    std::u16string Full(platform::RegKey parent, platform::WideView path) {
        auto it = handles_.find(parent);
        return it == handles_.end() ? std::u16string(path) : it->second + u"\\" + std::u16string(path);
    }
    uint32_t Handle(platform::WideView path, platform::RegKey* key) {
        *key = next_++;
        handles_[*key] = std::u16string(path);
        return platform::ERROR_SUCCESS;
    }
    std::vector<Value>& Values(platform::RegKey key) { return keys_[handles_.at(key)]; }
    Value* Find(platform::RegKey key, platform::WideView name) {
        for (auto& v : Values(key))
            if (v.name == name) return &v;
        return nullptr;
    }
    static uint32_t CopyOut(const Value& v, uint32_t* type, void* data, uint32_t* size) {
        if (type) *type = v.type;
        const uint32_t need = static_cast<uint32_t>(v.data.size());
        if (data && *size < need) {
            *size = need;
            return platform::ERROR_MORE_DATA;
        }
        if (data) v.data.copy(static_cast<char*>(data), need);
        *size = need;
        return platform::ERROR_SUCCESS;
    }

    std::map<std::u16string, std::vector<Value>> keys_;
    std::map<platform::RegKey, std::u16string> handles_;
    platform::RegKey next_ = 0x100;
    int closes_ = 0;
    std::recursive_mutex mu_;
};

inline constexpr char16_t kKey[] = u"Software\\Orvan\\QMX2";

}  // namespace qmx2::manager::testing
