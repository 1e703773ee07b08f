// zorvane-flash's exit status: 0 only after "Programming Successful!".
#pragma once

#include "engine/flash_run.h"

namespace zorvane::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitUsage = 2,          // bad arguments
    kExitConfiguration = 3,  // the platform's configuration file is missing or incomplete
    kExitPort = 4,           // the port did not open, or failed during the run
    kExitBoot = 5,           // smart mode or boot loading failed
    kExitConfig = 6,         // Erase or Program CONFIG failed
    kExitEeprom = 7,         // Erase EEPROM or the EEPROM image failed
    kExitFlash = 8,          // Erase ROM or the firmware image failed
    kExitCancelled = 9,      // stopped by the operator (Ctrl-C, Cancel at a prompt)
    kExitInternal = 10,      // anything else
    kExitRecord = 11,        // every radio succeeded, but the flash record could not be kept (--record)
    kExitDatabase = 12,      // the records database could not be reached (records commands only)
    kExitNotReleased = 13,   // the release check refused a file: not listed, changed, or the release unverified
    kExitSetAside = 14,      // --forward-records set aside a record the database refused for good
};

// A run's exit status: by its fault when the release refused a file, else by its outcome.
int ExitCodeFor(RunOutcome outcome, const std::optional<RunFault>& fault = std::nullopt);

} // namespace zorvane::cli
