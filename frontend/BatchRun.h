// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "frontend/BatchArguments.h"
#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// Exit statuses of the batch modes, for scripts; the worst case met wins.
inline constexpr int kBatchAllRead = 0;         // every file gave a symbol; the join is complete
inline constexpr int kBatchSomeWithout = 1;     // a file without a symbol; a join incomplete
inline constexpr int kBatchSomeUnreadable = 2;  // a file missing, unreadable or no image
inline constexpr int kBatchOutput = 3;          // standard output could not be written
inline constexpr int kBatchUsage = 64;          // the arguments are wrong

// Runs --json or --join over the arguments after the mode: no banner, one
// message line per failed file on standard error unless --quiet. Returns
// the exit status.
int runBatch(BatchMode mode, int count, PathChar** arguments);

}  // namespace ostrel2::tessoran
