// Libraries bound by name at run time, as the handheld's LoadLibrary/GetProcAddress offer them:
// the device host loads the driver this way and the driver binds the PC Card services.
#pragma once

#include <string>

namespace qmx2::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads `name` ("libpcmcia.so") through the loader's search path; false if it cannot.
    bool Load(const std::string& name);
    void Unload();
    bool loaded() const { return handle_ != nullptr; }
    // The address of an exported name, or nullptr.
    void* Find(const char* symbol) const;

private:
    void* handle_ = nullptr;
};

// A name exported by any library already in the process (the host's kernel services).
void* FindLoadedSymbol(const char* symbol);

}  // namespace qmx2::platform
