// Captured modem replies for parser tests (tests/support/real_replies.h).
#pragma once

#include "tests/support/real_replies.h"

namespace qmx2::manager::testing {

using ::qmx2::testing::RealRepliesDir;
using ::qmx2::testing::RealReply;
using ::qmx2::testing::WithCrLf;

}  // namespace qmx2::manager::testing
