// zorvane-radiosim: a KRIX box and a radio on the far end of a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "simulator.h"
#include "zorvane_version.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t resetSignalled = 0;

void onStop(int)
{
    stopRequested = 1;
}

void onReset(int)
{
    resetSignalled = 1;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zorvane::radio;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }
    // Alone, --version is the program's, as the other two programs have it;
    // with a value it is the simulated boot code's.
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "-V")) {
        std::printf("zorvane-radiosim %s\n", zorvane::kVersion);
        return 0;
    }
    SimOptions options;
    if (auto error = ParseSimOptions(args, options)) {
        std::fprintf(stderr, "zorvane-radiosim: %s\n%s", error->c_str(), kSimUsage);
        return 2;
    }

    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    std::signal(SIGUSR1, onReset);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        Simulator simulator(options);
        const std::string slave = simulator.open();
        std::printf("%s\n", slave.c_str());
        std::fflush(stdout);
        simulator.serve(stopRequested, resetSignalled);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zorvane-radiosim: %s\n", e.what());
        return 1;
    }
    return 0;
}
