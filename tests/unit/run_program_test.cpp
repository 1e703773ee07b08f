// Helper programs are waited for correctly whatever this process was
// given to do with the end of its children.
#include <gtest/gtest.h>

#include <csignal>

#include "os/process_signals.h"
#include "os/run_program.h"

namespace zorvane {
namespace {

#ifndef _WIN32
TEST(RunQuietly, AParentIgnoringChildEndsNeitherHangsNorLosesTheStatus)
{
    EXPECT_EQ(os::RunQuietly("sh", {"-c", "exit 3"}), 3);
    EXPECT_EQ(os::RunQuietly("zorvane-no-such-program", {}), -1);
    // With SIGCHLD ignored the system reaps the helper: the wait ends, its status is lost.
    std::signal(SIGCHLD, SIG_IGN);
    EXPECT_EQ(os::RunQuietly("sh", {"-c", "exit 3"}), -1);
    // Set up as the programs do at start, the status is there again.
    os::SetUpProcessSignals();
    EXPECT_EQ(os::RunQuietly("sh", {"-c", "exit 3"}), 3);
    std::signal(SIGCHLD, SIG_DFL);
}
#endif

} // namespace
} // namespace zorvane
