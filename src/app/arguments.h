// zorvane's command line, read before the window or any display is needed:
// --help and --version answer on the terminal, Qt's own options go on to
// Qt, and what the window cannot use is refused.
#pragma once

#include <string>
#include <vector>

namespace zorvane::app {

// The exit status of refused arguments, as zorvane-flash's.
inline constexpr int kExitUsage = 2;

enum class Start { Window, Help, Version, Refused };

struct WindowArguments {
    Start start = Start::Window;
    std::string folder;    // FOLDER as an absolute path; empty when none is named
    std::string refusal;   // why the arguments are refused (Start::Refused)
};

// arguments: the program's arguments after its name.
WindowArguments ReadWindowArguments(const std::vector<std::string>& arguments);

} // namespace zorvane::app
