// Everything a flash run needs of the window that started it: message
// boxes, the progress bar, the status panel, the five result boxes and the
// two Comm menu entries. The window, the command-line flasher and the tests
// each provide one. Calls come from the run's worker thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvane {

// Message box styles by their classic values.
enum class BoxStyle : int {
    OkOnly = 0,       // OK button, no icon ("Programming Successful!")
    OkCancel = 1,     // OK and Cancel, no icon ("Line Error!")
    Exclamation = 48, // warning box: exclamation icon, OK button
};

enum class BoxButton { Ok, Cancel };

enum class ResultBox { BootVers, BootCsum, Config, EepromCsum, FirmwareCsum };

// The stages of a run, for front ends that show where the run is.
enum class RunStage { OpenPort, SmartMode, BootLoad, Config, EraseEeprom, ProgramEeprom, EraseRom, ProgramFlash, Closing };

class RunHost {
public:
    virtual ~RunHost() = default;
    // Shows a modal box; a carriage return in text separates its lines.
    virtual BoxButton MsgBox(const std::string& text, BoxStyle style, const std::string& title) = 0;
    virtual void setProgress(double percent) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setResultBox(ResultBox box, const std::string& text) = 0;
    virtual void setCommMenuEnabled(bool enabled) = 0;

    // Progress details; front ends that show only the window's controls ignore them.
    virtual void stageStarted(RunStage) {}
    virtual void blockAcknowledged(std::uint8_t /*opcode*/, std::uint16_t /*address*/,
                                   std::size_t /*length*/) {}
};

} // namespace zorvane
