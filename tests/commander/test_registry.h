// The real registry of a fresh handheld root in a temporary folder, with helpers that write and
// read values by full path, for the commander's tests.
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/comm_types.h"
#include "platform/registry.h"
#include "tests/commander/temp_root.h"

namespace qmx2::commander::testing {

class TestRegistry {
public:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> bytes;
    };

    TestRegistry() {
        std::string error;
        db_ = platform::OpenRegistry(root_.path(), &error);
    }
    platform::Registry& db() { return *db_; }
    operator platform::Registry&() { return *db_; }

    void SetText(platform::WideView path, platform::WideView name, platform::WideView text) {
        const platform::WideString t(text);
        Set(path, name, platform::REG_SZ, t.c_str(), static_cast<uint32_t>((t.size() + 1) * 2));
    }
    void SetNumber(platform::WideView path, platform::WideView name, uint32_t n) {
        Set(path, name, platform::REG_DWORD, &n, sizeof n);
    }
    void DeleteKey(platform::RegKey parent, platform::WideView path) { db_->DeleteKey(parent, path); }

    std::optional<Value> Get(platform::WideView path, platform::WideView name) {
        platform::RegKey key = 0;
        if (db_->OpenKey(platform::HKEY_LOCAL_MACHINE, path, &key) != platform::ERROR_SUCCESS) return {};
        Value v;
        uint32_t size = 0;
        std::optional<Value> result;
        if (db_->QueryValue(key, name, &v.type, nullptr, &size) == platform::ERROR_SUCCESS) {
            v.bytes.resize(size);
            if (db_->QueryValue(key, name, &v.type, v.bytes.data(), &size) == platform::ERROR_SUCCESS)
                result = v;
        }
        db_->CloseKey(key);
        return result;
    }
    // A text value as written, terminator included; "<none>" when missing.
    std::u16string Text(platform::WideView path, platform::WideView name) {
        const std::optional<Value> v = Get(path, name);
        if (!v) return u"<none>";
        std::u16string s(v->bytes.size() / 2, u'\0');
        std::memcpy(s.data(), v->bytes.data(), s.size() * 2);
        return s;
    }

private:
    void Set(platform::WideView path, platform::WideView name, uint32_t type, const void* data, uint32_t size) {
        platform::RegKey key = 0;
        if (db_->CreateKey(platform::HKEY_LOCAL_MACHINE, path, &key) != platform::ERROR_SUCCESS) return;
        db_->SetValue(key, name, type, data, size);
        db_->CloseKey(key);
    }

    TempRoot root_;
    std::unique_ptr<platform::Registry> db_;
};

}  // namespace qmx2::commander::testing
