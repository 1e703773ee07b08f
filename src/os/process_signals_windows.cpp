#include "os/process_signals.h"

namespace zorvane::os {

// Windows has no broken-pipe signal, no inherited dispositions and no
// children to reap.
void SetUpProcessSignals() {}

} // namespace zorvane::os
