// The phone manager's operator table (287 entries and the closing entry).
#pragma once

#include "common/operator_names.h"

namespace qmx2::manager {
extern const qmx2::common::OperatorEntry kOperatorTable[];
inline constexpr int kOperatorTableEntries = 287;
}  // namespace qmx2::manager
