// An in-memory registry for the commander's tests: keys by path, values with their type and
// exact bytes, subkeys enumerated in name order.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::commander::testing {

class MemoryRegistry : public platform::Registry {
public:
    using WideString = platform::WideString;
    using WideView = platform::WideView;
    using RegKey = platform::RegKey;

    struct Value {
        uint32_t type;
        std::vector<uint8_t> bytes;
    };

    uint32_t CreateKey(RegKey parent, WideView path, RegKey* key, bool* created) override {
        const WideString full = Join(parent, path);
        for (size_t cut = full.find(u'\\'); cut != WideString::npos; cut = full.find(u'\\', cut + 1))
            if (keys_.emplace(Lower(full.substr(0, cut)), std::map<WideString, Value>{}).second)
                names_[Lower(full.substr(0, cut))] = full.substr(0, cut);
        const bool is_new = keys_.emplace(Lower(full), std::map<WideString, Value>{}).second;
        if (is_new) names_[Lower(full)] = full;
        if (created) *created = is_new;
        *key = Handle(full);
        return platform::ERROR_SUCCESS;
    }
    uint32_t OpenKey(RegKey parent, WideView path, RegKey* key) override {
        const WideString full = Join(parent, path);
        if (!keys_.count(Lower(full))) return platform::ERROR_FILE_NOT_FOUND;
        *key = Handle(full);
        return platform::ERROR_SUCCESS;
    }
    uint32_t CloseKey(RegKey key) override { return handles_.erase(key) ? 0 : platform::ERROR_INVALID_HANDLE; }
    uint32_t DeleteKey(RegKey parent, WideView path) override {
        const WideString full = Lower(Join(parent, path));
        std::erase_if(keys_, [&](const auto& k) {
            return k.first == full || k.first.rfind(full + u"\\", 0) == 0;
        });
        return platform::ERROR_SUCCESS;
    }
    uint32_t QueryValue(RegKey key, WideView name, uint32_t* type, void* data, uint32_t* size) override {
        auto* values = ValuesOf(key);
        if (!values) return platform::ERROR_INVALID_HANDLE;
        auto it = values->find(Lower(WideString(name)));
        if (it == values->end()) return platform::ERROR_FILE_NOT_FOUND;
        const uint32_t need = static_cast<uint32_t>(it->second.bytes.size());
        if (type) *type = it->second.type;
        if (data && *size < need) {
            *size = need;
            return platform::ERROR_MORE_DATA;
        }
        if (data) std::memcpy(data, it->second.bytes.data(), need);
        *size = need;
        return platform::ERROR_SUCCESS;
    }
    uint32_t SetValue(RegKey key, WideView name, uint32_t type, const void* data, uint32_t size) override {
        auto* values = ValuesOf(key);
        if (!values) return platform::ERROR_INVALID_HANDLE;
        const uint8_t* p = static_cast<const uint8_t*>(data);
        (*values)[Lower(WideString(name))] = Value{type, std::vector<uint8_t>(p, p + size)};
        return platform::ERROR_SUCCESS;
    }
    uint32_t DeleteValue(RegKey key, WideView name) override {
        auto* values = ValuesOf(key);
        return values && values->erase(Lower(WideString(name))) ? 0 : platform::ERROR_FILE_NOT_FOUND;
    }
    uint32_t EnumKey(RegKey key, uint32_t index, platform::WideChar* name, uint32_t* chars) override {
        auto h = handles_.find(key);
        if (h == handles_.end()) return platform::ERROR_INVALID_HANDLE;
        const WideString prefix = Lower(h->second) + u"\\";
        uint32_t i = 0;
        for (const auto& [k, v] : keys_) {
            if (k.rfind(prefix, 0) != 0 || k.find(u'\\', prefix.size()) != WideString::npos) continue;
            if (i++ != index) continue;
            const WideString child = names_[k].substr(prefix.size());
            if (*chars <= child.size()) return platform::ERROR_MORE_DATA;
            std::copy(child.begin(), child.end(), name);
            name[child.size()] = 0;
            *chars = static_cast<uint32_t>(child.size());
            return platform::ERROR_SUCCESS;
        }
        return platform::ERROR_NO_MORE_ITEMS;
    }
    uint32_t EnumValue(RegKey, uint32_t, platform::WideChar*, uint32_t*, uint32_t*, void*,
                       uint32_t*) override {
        return platform::ERROR_NO_MORE_ITEMS;
    }

    // Test helpers on full paths.
    void SetText(WideView path, WideView name, WideView text) {
        RegKey k = 0;
        CreateKey(platform::HKEY_LOCAL_MACHINE, path, &k, nullptr);
        WideString t(text);
        SetValue(k, name, platform::REG_SZ, t.c_str(), static_cast<uint32_t>((t.size() + 1) * 2));
        CloseKey(k);
    }
    void SetNumber(WideView path, WideView name, uint32_t n) {
        RegKey k = 0;
        CreateKey(platform::HKEY_LOCAL_MACHINE, path, &k, nullptr);
        SetValue(k, name, platform::REG_DWORD, &n, sizeof n);
        CloseKey(k);
    }
    const Value* Get(WideView path, WideView name) {
        auto k = keys_.find(Lower(WideString(path)));
        if (k == keys_.end()) return nullptr;
        auto v = k->second.find(Lower(WideString(name)));
        return v == k->second.end() ? nullptr : &v->second;
    }
    // A text value as written, terminator included; "<none>" when missing.
    std::u16string Text(WideView path, WideView name) {
        const Value* v = Get(path, name);
        if (!v) return u"<none>";
        return std::u16string(reinterpret_cast<const char16_t*>(v->bytes.data()), v->bytes.size() / 2);
    }
    size_t OpenHandles() const { return handles_.size(); }

private:
    static WideString Lower(WideString s) {
        for (auto& c : s)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        return s;
    }
    WideString Join(RegKey parent, WideView path) {
        auto h = handles_.find(parent);
        if (h == handles_.end()) return WideString(path);
        return h->second + u"\\" + WideString(path);
    }
    RegKey Handle(const WideString& full) {
        handles_[next_] = full;
        return next_++;
    }
    std::map<WideString, Value>* ValuesOf(RegKey key) {
        auto h = handles_.find(key);
        if (h == handles_.end()) return nullptr;
        auto k = keys_.find(Lower(h->second));
        return k == keys_.end() ? nullptr : &k->second;
    }

    std::map<WideString, std::map<WideString, Value>> keys_;
    std::map<WideString, WideString> names_;
    std::map<RegKey, WideString> handles_;
    RegKey next_ = 1;
};

}  // namespace qmx2::commander::testing
