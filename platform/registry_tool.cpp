// The commands of qmx2-reg.
#include "platform/registry_tool.h"

#include <filesystem>
#include <map>
#include <memory>

#include "platform/comm_types.h"
#include "platform/registry.h"
#include "platform/registry_names.h"
#include "platform/registry_text.h"
#include "platform/root.h"

namespace qmx2::platform {
namespace {

constexpr const char* kUsage =
    "Usage: qmx2-reg [--root DIR] query KEY [/v NAME | /ve]\n"
    "       qmx2-reg [--root DIR] add KEY (/v NAME | /ve) [/t REG_SZ|REG_DWORD|REG_BINARY] /d DATA [/f]\n"
    "       qmx2-reg [--root DIR] delete KEY [/v NAME | /ve] [/f]\n"
    "       qmx2-reg [--root DIR] export KEY\n"
    "KEY is HKLM\\path or HKEY_LOCAL_MACHINE\\path.\n";
constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.";
constexpr const char* kDone = "The operation completed successfully.";

struct Command {
    std::string verb, key_text, key_path;
    std::map<std::string, std::string> options;  // "/v" → NAME, "/f" → ""
    bool Has(const char* o) const { return options.count(o) > 0; }
};

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool Parse(const std::vector<std::string>& args, std::string* root, Command* cmd,
           std::string* error) {
    size_t i = 0;
    if (i < args.size() && args[i] == "--root") {
        if (i + 1 >= args.size()) return *error = "The option --root needs a folder.", false;
        *root = args[i + 1];
        i += 2;
    } else if (i < args.size() && args[i].rfind("--root=", 0) == 0) {
        *root = args[i++].substr(7);
    }
    if (i >= args.size()) return *error = "Missing the command.\n" + std::string(kUsage), false;
    cmd->verb = Lower(args[i++]);
    if (cmd->verb != "query" && cmd->verb != "add" && cmd->verb != "delete" && cmd->verb != "export")
        return *error = "Unknown command \"" + args[i - 1] + "\"; use query, add, delete or export.",
               false;
    if (i >= args.size() || args[i].empty() || args[i][0] == '/')
        return *error = "Missing the key, such as HKLM\\Software\\Orvan\\QMX2.", false;
    cmd->key_text = args[i++];
    if (!ParseKeyArgument(cmd->key_text, &cmd->key_path, error)) return false;
    for (; i < args.size(); ++i) {
        const std::string option = Lower(args[i]);
        if (option == "/v" || option == "/t" || option == "/d") {
            if (i + 1 >= args.size())
                return *error = "The option " + option + " needs a value.", false;
            cmd->options[option] = args[++i];
        } else if (option == "/ve" || option == "/f") {
            cmd->options[option] = "";
        } else {
            return *error = "Unknown option \"" + args[i] + "\".", false;
        }
    }
    if (cmd->Has("/v") && cmd->Has("/ve"))
        return *error = "Give either /v NAME or /ve, not both.", false;
    if (cmd->verb != "add" && (cmd->Has("/t") || cmd->Has("/d")))
        return *error = "The options /t and /d belong to the add command.", false;
    return true;
}

bool ValueName(const Command& cmd, WideString* name) {
    if (cmd.Has("/ve")) {
        name->clear();
        return true;
    }
    if (!cmd.Has("/v")) return false;
    *name = FromUtf8(cmd.options.at("/v"));
    return true;
}

// Reads value `index` of `key` with buffers grown until it fits.
uint32_t ReadValueAt(Registry& reg, RegKey key, uint32_t index, WideString* name, uint32_t* type,
                     std::string* data) {
    std::vector<WideChar> name_buf(kMaxRegNameChars + 1);
    data->assign(256, '\0');
    for (;;) {
        uint32_t chars = static_cast<uint32_t>(name_buf.size());
        uint32_t size = static_cast<uint32_t>(data->size());
        const uint32_t rc = reg.EnumValue(key, index, name_buf.data(), &chars, type, data->data(), &size);
        if (rc == ERROR_MORE_DATA && size > data->size()) {
            data->assign(size, '\0');
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        name->assign(name_buf.data(), chars);
        data->resize(size);
        return ERROR_SUCCESS;
    }
}

std::string DisplayName(const WideString& name) { return name.empty() ? "(Default)" : ToUtf8(name); }

class Tool {
public:
    Tool(Registry& reg, std::ostream& out, std::ostream& err) : reg_(reg), out_(out), err_(err) {}

    int Run(const Command& cmd) {
        if (cmd.verb == "query") return Query(cmd);
        if (cmd.verb == "add") return Add(cmd);
        if (cmd.verb == "delete") return Delete(cmd);
        return Export(cmd);
    }

private:
    int Failed(uint32_t rc) {
        if (rc == ERROR_GEN_FAILURE && !reg_.LastFailure().empty())
            err_ << "ERROR: " << reg_.LastFailure() << "\n";
        else if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED)
            err_ << kNotFound << "\n";
        else
            err_ << "ERROR: The registry refused the request (error " << rc << ").\n";
        return 1;
    }

    std::string FullName(const std::string& path) {
        return path.empty() ? "HKEY_LOCAL_MACHINE" : "HKEY_LOCAL_MACHINE\\" + path;
    }

    int Query(const Command& cmd);
    int Add(const Command& cmd);
    int Delete(const Command& cmd);
    int Export(const Command& cmd);
    uint32_t ExportKey(RegKey key, const std::string& path);

    Registry& reg_;
    std::ostream& out_;
    std::ostream& err_;
};

// Closes a key when the command is done with it.
struct OpenedKey {
    Registry& reg;
    RegKey key = 0;
    ~OpenedKey() {
        if (key) reg.CloseKey(key);
    }
};

int Tool::Query(const Command& cmd) {
    OpenedKey k{reg_};
    if (const uint32_t rc = reg_.OpenKey(HKEY_LOCAL_MACHINE, FromUtf8(cmd.key_path), &k.key))
        return Failed(rc);
    WideString wanted;
    const bool one = ValueName(cmd, &wanted);
    std::string lines;
    bool found = false;
    for (uint32_t i = 0;; ++i) {
        WideString name;
        uint32_t type = 0;
        std::string data;
        const uint32_t rc = ReadValueAt(reg_, k.key, i, &name, &type, &data);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return Failed(rc);
        if (one && FoldName(name) != FoldName(wanted)) continue;
        found = true;
        lines += "    " + DisplayName(name) + "    " + TypeName(type) + "    " + ShowData(type, data) + "\n";
    }
    if (one && !found) return Failed(ERROR_FILE_NOT_FOUND);
    out_ << "\n" << FullName(cmd.key_path) << "\n" << lines;
    if (one) return 0;
    for (uint32_t i = 0;; ++i) {
        WideChar name[kMaxRegNameChars + 1];
        uint32_t chars = kMaxRegNameChars + 1;
        const uint32_t rc = reg_.EnumKey(k.key, i, name, &chars);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return Failed(rc);
        out_ << "\n" << FullName(cmd.key_path.empty() ? ToUtf8(WideView(name, chars))
                                   : cmd.key_path + "\\" + ToUtf8(WideView(name, chars))) << "\n";
    }
    return 0;
}

int Tool::Add(const Command& cmd) {
    WideString name;
    if (!ValueName(cmd, &name)) {
        err_ << "ERROR: Missing /v NAME (or /ve for the default value).\n";
        return 1;
    }
    uint32_t type = REG_SZ;
    if (cmd.Has("/t") && !ParseTypeName(cmd.options.at("/t"), &type)) {
        err_ << "ERROR: Unknown type \"" << cmd.options.at("/t")
             << "\": use REG_SZ, REG_DWORD or REG_BINARY.\n";
        return 1;
    }
    if (!cmd.Has("/d")) {
        err_ << "ERROR: Missing /d DATA: add needs the data to write.\n";
        return 1;
    }
    std::string bytes, error;
    if (!EncodeData(type, cmd.options.at("/d"), &bytes, &error)) {
        err_ << "ERROR: " << error << "\n";
        return 1;
    }
    OpenedKey k{reg_};
    if (const uint32_t rc = reg_.CreateKey(HKEY_LOCAL_MACHINE, FromUtf8(cmd.key_path), &k.key))
        return Failed(rc);
    if (!cmd.Has("/f") && reg_.QueryValue(k.key, name, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        err_ << "ERROR: The value \"" << DisplayName(name)
             << "\" already exists; add /f to overwrite it.\n";
        return 1;
    }
    if (const uint32_t rc = reg_.SetValue(k.key, name, type, bytes.data(),
                                          static_cast<uint32_t>(bytes.size())))
        return Failed(rc);
    out_ << kDone << "\n";
    return 0;
}

int Tool::Delete(const Command& cmd) {
    WideString name;
    if (ValueName(cmd, &name)) {
        OpenedKey k{reg_};
        uint32_t rc = reg_.OpenKey(HKEY_LOCAL_MACHINE, FromUtf8(cmd.key_path), &k.key);
        if (rc == ERROR_SUCCESS) rc = reg_.DeleteValue(k.key, name);
        if (rc != ERROR_SUCCESS) return Failed(rc);
    } else {
        if (cmd.key_path.empty()) {
            err_ << "ERROR: The root key HKEY_LOCAL_MACHINE cannot be deleted.\n";
            return 1;
        }
        if (const uint32_t rc = reg_.DeleteKey(HKEY_LOCAL_MACHINE, FromUtf8(cmd.key_path)))
            return Failed(rc);
    }
    out_ << kDone << "\n";
    return 0;
}

int Tool::Export(const Command& cmd) {
    OpenedKey k{reg_};
    if (const uint32_t rc = reg_.OpenKey(HKEY_LOCAL_MACHINE, FromUtf8(cmd.key_path), &k.key))
        return Failed(rc);
    out_ << "Windows Registry Editor Version 5.00\n";
    if (const uint32_t rc = ExportKey(k.key, cmd.key_path)) return Failed(rc);
    return 0;
}

uint32_t Tool::ExportKey(RegKey key, const std::string& path) {
    out_ << "\n[" << FullName(path) << "]\n";
    for (uint32_t i = 0;; ++i) {
        WideString name;
        uint32_t type = 0;
        std::string data;
        const uint32_t rc = ReadValueAt(reg_, key, i, &name, &type, &data);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        out_ << ExportLine(ToUtf8(name), type, data) << "\n";
    }
    for (uint32_t i = 0;; ++i) {
        WideChar name[kMaxRegNameChars + 1];
        uint32_t chars = kMaxRegNameChars + 1;
        uint32_t rc = reg_.EnumKey(key, i, name, &chars);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        const WideView sub(name, chars);
        OpenedKey k{reg_};
        rc = reg_.OpenKey(key, sub, &k.key);
        if (rc == ERROR_SUCCESS) rc = ExportKey(k.key, (path.empty() ? "" : path + "\\") + ToUtf8(sub));
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

}  // namespace

int RunRegistryTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string root_option, root, error;
    Command cmd;
    if (!args.empty() && (args[0] == "--help" || args[0] == "/?")) {
        out << kUsage;
        return 0;
    }
    if (!Parse(args, &root_option, &cmd, &error)) {
        err << "ERROR: " << error << "\n";
        return 1;
    }
    if (!ResolveRoot(root_option, &root, &error)) {
        err << "ERROR: " << error << "\n";
        return 1;
    }
    // Looking at a handheld that has no registry must not make one (a mistyped --root).
    if (cmd.verb != "add" && !std::filesystem::exists(std::filesystem::path(root) / "registry.db")) {
        err << "ERROR: The handheld folder " << root << " has no registry yet.\n";
        return 1;
    }
    auto reg = OpenRegistry(root, &error);
    if (!reg) {
        err << "ERROR: " << error << "\n";
        return 1;
    }
    return Tool(*reg, out, err).Run(cmd);
}

}  // namespace qmx2::platform
