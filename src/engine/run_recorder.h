// Where a run's outcome goes the moment it is decided, before the operator
// sees its ending: the flash record is kept even when the window closes or
// the power fails while the ending box is up.
#pragma once

#include "engine/run_types.h"

namespace zorvane {

class RunRecorder {
public:
    virtual ~RunRecorder() = default;
    // Called once per run on the run's thread; report holds the outcome,
    // the cause and every result value known at that moment.
    virtual void outcomeDecided(const RunRequest& request, const RunReport& report) = 0;
};

} // namespace zorvane
