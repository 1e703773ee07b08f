// What the program asks of signals for the whole process, before any thread
// starts: a reader or a terminal that goes away must not end a run, and the
// helper programs it (or a library) starts must not inherit its choices.
#pragma once

namespace zorvane::os {

// Writes to a reader that left fail with an error instead of a signal;
// child processes are reaped even when the parent ignored their ends; and
// every child forked from now on starts with no signal blocked and every
// disposition at its default. Throws std::runtime_error when it cannot.
void SetUpProcessSignals();

} // namespace zorvane::os
