#include "cli/run_text.h"

#include <algorithm>

#include "files/shown_text.h"
namespace zorvane::cli {

const char* StageId(RunStage stage)
{
    switch (stage) {
    case RunStage::OpenPort: return "open-port";
    case RunStage::SmartMode: return "smart-mode";
    case RunStage::BootLoad: return "boot";
    case RunStage::Config: return "config";
    case RunStage::EraseEeprom: return "erase-eeprom";
    case RunStage::ProgramEeprom: return "eeprom";
    case RunStage::EraseRom: return "erase-rom";
    case RunStage::ProgramFlash: return "flash";
    case RunStage::Closing: return "closing";
    }
    return "closing";
}

const char* StageName(RunStage stage)
{
    switch (stage) {
    case RunStage::OpenPort: return "Opening the port";
    case RunStage::SmartMode: return "Smart mode";
    case RunStage::BootLoad: return "Boot loading";
    case RunStage::Config: return "CONFIG";
    case RunStage::EraseEeprom: return "Erasing EEPROM";
    case RunStage::ProgramEeprom: return "EEPROM";
    case RunStage::EraseRom: return "Erasing ROM";
    case RunStage::ProgramFlash: return "FLASH";
    case RunStage::Closing: return "Closing";
    }
    return "";
}

std::string AsLines(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

// A box's words can hold names from outside (files, ports, servers): what
// reaches the terminal is never a control sequence.
std::string BoxText(const std::string& title, const std::string& text)
{
    return "[" + files::ShownText(title) + "] " + files::ShownLines(AsLines(text)) + "\n";
}

std::string CauseLine(const Message& message, const std::string& cause)
{
    return cause.empty() || message.causeInText ? std::string() : "  cause: " + files::ShownText(cause) + "\n";
}

} // namespace zorvane::cli
