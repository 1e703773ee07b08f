// zorvane-flash --check: the configuration and its images read as a run
// would read them, without opening any port.
#pragma once

#include "prepare/run_preparation.h"
#include "trust/release.h"

namespace zorvane::cli {

// Prints each file with its size and SHA-256, the blocks and bytes of each
// image and the time a 7600-baud line needs; returns 0 when a run could
// start, else the exit status of the stage that would fail.
// With a manifest in play, also what it is, who signed it, and that each
// image is listed with the SHA-256 read.
int RunCheck(const prepare::CheckedInput& input);

} // namespace zorvane::cli
