// Whether a person is at the program's standard input, so that a program without windows can
// ask its questions there.
#pragma once

namespace qmx2::platform {

bool StandardInputIsTerminal();

}  // namespace qmx2::platform
