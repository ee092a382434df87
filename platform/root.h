// Where the handheld lives on this machine: the folder that holds its files, its registry and
// its installed programs.
#pragma once

#include <string>
#include <string_view>

#include "platform/function_ref.h"

namespace qmx2::platform {

// Reads an environment variable; null when it is not set.
using EnvLookup = FunctionRef<const char*(const char*)>;

// The handheld root: `option` (a --root argument) when not empty, else $QMX2_ROOT, else
// $XDG_DATA_HOME/qmx2/handheld, else ~/.local/share/qmx2/handheld. Relative folders are made
// absolute, so that programs started from elsewhere find the same root. False with a sentence in
// *error when no folder can be found (no HOME either).
bool ResolveRoot(std::string_view option, std::string* root, std::string* error);
bool ResolveRoot(std::string_view option, EnvLookup env, std::string* root, std::string* error);

}  // namespace qmx2::platform
