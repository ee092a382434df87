// An in-memory registry for driver tests: keys by path, values with type and exact bytes.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::driver::testing {

class MemoryRegistry : public platform::Registry {
public:
    using WideView = platform::WideView;

    void SetText(const std::u16string& key, const std::u16string& name, const std::u16string& text) {
        std::vector<uint8_t> bytes;
        for (const char16_t c : text) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.insert(bytes.end(), 2, 0);
        keys_[Lower(key)][Lower(name)] = {platform::REG_SZ, bytes};
    }
    void SetNumber(const std::u16string& key, const std::u16string& name, uint32_t n) {
        std::vector<uint8_t> bytes(4);
        std::memcpy(bytes.data(), &n, 4);
        keys_[Lower(key)][Lower(name)] = {platform::REG_DWORD, bytes};
    }
    void SetBinary(const std::u16string& key, const std::u16string& name, std::vector<uint8_t> b) {
        keys_[Lower(key)][Lower(name)] = {platform::REG_BINARY, std::move(b)};
    }
    void Remove(const std::u16string& key, const std::u16string& name) {
        keys_[Lower(key)].erase(Lower(name));
    }

    uint32_t CreateKey(platform::RegKey parent, WideView path, platform::RegKey* key,
                       bool* created) override {
        keys_[Lower(std::u16string(path))];
        if (created) *created = false;
        return OpenKey(parent, path, key);
    }
    uint32_t OpenKey(platform::RegKey, WideView path, platform::RegKey* key) override {
        auto it = keys_.find(Lower(std::u16string(path)));
        if (it == keys_.end()) return platform::ERROR_FILE_NOT_FOUND;
        handles_[next_] = it->first;
        *key = next_++;
        return platform::ERROR_SUCCESS;
    }
    uint32_t CloseKey(platform::RegKey key) override {
        handles_.erase(key);
        return platform::ERROR_SUCCESS;
    }
    uint32_t DeleteKey(platform::RegKey, WideView path) override {
        keys_.erase(Lower(std::u16string(path)));
        return platform::ERROR_SUCCESS;
    }
    uint32_t QueryValue(platform::RegKey key, WideView name, uint32_t* type, void* data,
                        uint32_t* size) override {
        auto h = handles_.find(key);
        if (h == handles_.end()) return platform::ERROR_INVALID_HANDLE;
        auto& values = keys_[h->second];
        auto v = values.find(Lower(std::u16string(name)));
        if (v == values.end()) return platform::ERROR_FILE_NOT_FOUND;
        if (type) *type = v->second.type;
        const uint32_t need = static_cast<uint32_t>(v->second.bytes.size());
        if (data && *size < need) {
            *size = need;
            return platform::ERROR_MORE_DATA;
        }
        if (data) std::memcpy(data, v->second.bytes.data(), need);
        *size = need;
        return platform::ERROR_SUCCESS;
    }
    uint32_t SetValue(platform::RegKey key, WideView name, uint32_t type, const void* data,
                      uint32_t size) override {
        auto h = handles_.find(key);
        if (h == handles_.end()) return platform::ERROR_INVALID_HANDLE;
        const auto* p = static_cast<const uint8_t*>(data);
        keys_[h->second][Lower(std::u16string(name))] = {type, std::vector<uint8_t>(p, p + size)};
        return platform::ERROR_SUCCESS;
    }
    uint32_t DeleteValue(platform::RegKey key, WideView name) override {
        auto h = handles_.find(key);
        if (h == handles_.end()) return platform::ERROR_INVALID_HANDLE;
        keys_[h->second].erase(Lower(std::u16string(name)));
        return platform::ERROR_SUCCESS;
    }
    uint32_t EnumKey(platform::RegKey, uint32_t, platform::WideChar*, uint32_t*) override {
        return platform::ERROR_NO_MORE_ITEMS;
    }
    uint32_t EnumValue(platform::RegKey, uint32_t, platform::WideChar*, uint32_t*, uint32_t*,
                       void*, uint32_t*) override {
        return platform::ERROR_NO_MORE_ITEMS;
    }
    size_t open_handles() const { return handles_.size(); }

private:
    struct Value {
        uint32_t type;
        std::vector<uint8_t> bytes;
    };
    static std::u16string Lower(std::u16string s) {
        for (auto& c : s)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        return s;
    }
    std::map<std::u16string, std::map<std::u16string, Value>> keys_;
    std::map<platform::RegKey, std::u16string> handles_;
    platform::RegKey next_ = 1;
};

}  // namespace qmx2::driver::testing
