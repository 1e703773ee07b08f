// How the flasher names a run's stages and writes its messages.
#pragma once

#include <chrono>
#include <string>

#include "engine/messages.h"
#include "engine/run_types.h"

namespace zorvane::cli {

// "Boot loading", "FLASH", ...
const char* StageName(RunStage stage);
// The stage for programs: "open-port", "boot", "flash", ...
const char* StageId(RunStage stage);

// A message's lines for a terminal: the carriage return becomes a line feed.
std::string AsLines(std::string text);

// A message box on a terminal: "[title] text" and a line feed.
std::string BoxText(const std::string& title, const std::string& text);

// The line that follows a message: "  cause: ..." with a line feed, or
// nothing when there is no cause or the message's second line is the cause.
std::string CauseLine(const Message& message, const std::string& cause);

// A progress line's redraw interval: a terminal needs no more.
inline constexpr auto kProgressRedraw = std::chrono::milliseconds(100);

} // namespace zorvane::cli
