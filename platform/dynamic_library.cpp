// dlopen and dlsym behind the handheld's library calls.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace qmx2::platform {

DynamicLibrary::~DynamicLibrary() { Unload(); }

bool DynamicLibrary::Load(const std::string& name) {
    Unload();
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
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
