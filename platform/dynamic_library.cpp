// dlopen and dlsym behind the handheld's library calls.
#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <unistd.h>

namespace qmx2::platform {

DynamicLibrary::~DynamicLibrary() { Unload(); }

namespace {

// The folder of the running program, from which a bare library name is also looked up in
// "../lib": the loader's own search uses the run path of whoever calls dlopen, and under the
// sanitizers that is their runtime, not the program.
std::string ProgramFolder() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

}  // namespace

bool DynamicLibrary::Load(const std::string& name) {
    Unload();
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_ && name.find('/') == std::string::npos) {
        const std::string folder = ProgramFolder();
        for (const char* sub : {"/../lib/", "/"}) {
            if (folder.empty() || handle_) break;
            handle_ = dlopen((folder + sub + name).c_str(), RTLD_NOW | RTLD_LOCAL);
        }
    }
    return handle_ != nullptr;
}

void DynamicLibrary::Unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

void* DynamicLibrary::Find(const char* symbol) const {
    return handle_ ? dlsym(handle_, symbol) : nullptr;
}

void* FindLoadedSymbol(const char* symbol) { return dlsym(RTLD_DEFAULT, symbol); }

}  // namespace qmx2::platform
