#include "os/hang_up.h"

namespace zorvane::os {

// Windows sends a program with windows no hang-up.
HangUpSignal::HangUpSignal() = default;
HangUpSignal::~HangUpSignal() = default;
void HangUpSignal::take() {}

} // namespace zorvane::os
