// The commander's own operator table (328 entries and the closing entry).
#pragma once

#include "common/operator_names.h"

namespace qmx2::commander {
extern const qmx2::common::OperatorEntry kOperatorTable[];
inline constexpr int kOperatorTableEntries = 328;
}  // namespace qmx2::commander
