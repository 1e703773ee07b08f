#include "cli/summary.h"

#include <algorithm>

#include "cli/exit_codes.h"
#include "records/flash_record.h"
#include "engine/hex_text.h"
#include "files/shown_text.h"

namespace zorvane::cli {

namespace {

std::string checksum(const std::optional<ImageChecksum>& bytes)
{
    return bytes ? ChecksumText(*bytes) : "-";
}

} // namespace

void PrintSummary(std::FILE* out, const std::vector<PortResult>& results, bool colour)
{
    // Escapes take no room on the screen: the columns are padded first.
    const auto paint = [colour](const char* text, const char* escape) {
        return colour ? escape + std::string(text) + "\033[0m" : std::string(text);
    };
    char heading[192];
    std::snprintf(heading, sizeof heading, "%-24s %-16s %-12s %-6s %-9s %-10s %-12s %8s", "Port", "Unit", "Result",
                  "Boot", "Boot sum", "EEPROM sum", "Firmware sum", "Time");
    std::fprintf(out, "%s\n", paint(heading, "\033[1m").c_str());
    for (const PortResult& r : results) {
        const std::string boot = r.report.bootVersion ? BootVersionText(*r.report.bootVersion) : "-";
        const std::string bootSum = r.report.bootChecksum ? BootChecksumText(*r.report.bootChecksum) : "-";
        char outcome[16];
        std::snprintf(outcome, sizeof outcome, "%-12s",
                      NotReleased(r.report.fault) ? "not released" : OutcomeName(r.report.outcome));
        const bool succeeded = r.report.outcome == RunOutcome::Success;
        std::fprintf(out, "%-24s %-16s %s %-6s %-9s %-10s %-12s %6.1f s\n", files::ShownText(r.port).c_str(),
                     files::ShownText(r.unit.value_or("-")).c_str(),
                     paint(outcome, succeeded ? "\033[32m" : "\033[31m").c_str(), boot.c_str(), bootSum.c_str(),
                     checksum(r.report.eepromChecksum).c_str(), checksum(r.report.firmwareChecksum).c_str(),
                     r.report.duration().count());
    }
    std::fflush(out);
}

int ExitCodeForAll(const std::vector<PortResult>& results)
{
    int code = kExitSuccess;
    for (const PortResult& r : results)
        code = std::max(code, ExitCodeFor(r.report.outcome, r.report.fault));
    return code;
}

namespace {

// A word as a POSIX shell reads it back: quoted when it holds anything but
// letters, digits and a few safe marks.
std::string shellWord(const std::string& word)
{
    const bool plain = !word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                               "0123456789-_./=:@%+,") == std::string::npos;
    if (plain)
        return word;
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Whether the argument names a port or a unit, which the command gives anew.
// Returns how many words it takes: 0 when it is kept.
std::size_t portOrUnit(const std::string& argument)
{
    for (const char* name : {"--port", "--unit"}) {
        if (argument == name)
            return 2;
        if (argument.rfind(std::string(name) + "=", 0) == 0)
            return 1;
    }
    return argument == "--ask-unit" ? 1 : 0;
}

} // namespace

std::optional<std::string> FlashAgainCommand(const std::vector<std::string>& arguments,
                                             const std::vector<PortResult>& results)
{
    std::string command = "zorvane-flash";
    bool failed = false;
    for (const PortResult& r : results) {
        if (r.report.outcome == RunOutcome::Success)
            continue;
        failed = true;
        command += " --port " + shellWord(r.port);
        if (r.unit)
            command += " --unit " + shellWord(*r.unit);
    }
    if (!failed)
        return std::nullopt;
    for (std::size_t i = 0; i < arguments.size();) {
        const std::size_t skip = portOrUnit(arguments[i]);
        if (skip == 0)
            command += " " + shellWord(arguments[i]);
        i += std::max<std::size_t>(skip, 1);
    }
    return command;
}

} // namespace zorvane::cli
