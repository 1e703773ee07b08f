// The simulator's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "radio_model.h"

namespace zorvane::radio {

struct SimOptions {
    std::string link;                  // symbolic link to the slave side
    int runs = 0;                      // 0: serve until killed
    bool resetNeedsSignal = false;     // wait for SIGUSR1 before the boot ROM listens
    std::string dumpDir;
    bool pace = false;
    std::string logFile;
    RadioSettings radio;
    double echoDelaySeconds = 0;
    double noiseRate = 0;
    unsigned noiseSeed = 1;
    std::optional<long> disconnectAfterBytes;
};

// Parses the arguments (without the program name). Returns an error text
// for anything it does not understand.
std::optional<std::string> ParseSimOptions(const std::vector<std::string>& args, SimOptions& options);

extern const char* const kSimUsage;

} // namespace zorvane::radio
