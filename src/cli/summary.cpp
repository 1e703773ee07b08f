#include "cli/summary.h"

#include <algorithm>

#include "cli/exit_codes.h"
#include "records/flash_record.h"
#include "engine/hex_text.h"

namespace zorvane::cli {

namespace {

std::string checksum(const std::optional<ImageChecksum>& bytes)
{
    return bytes ? ChecksumText(*bytes) : "-";
}

} // namespace

void PrintSummary(std::FILE* out, const std::vector<PortResult>& results)
{
    std::fprintf(out, "%-24s %-10s %-6s %-9s %-10s %-12s %8s\n", "Port", "Result", "Boot", "Boot sum", "EEPROM sum",
                 "Firmware sum", "Time");
    for (const PortResult& r : results) {
        const std::string boot = r.report.bootVersion ? "R" + *r.report.bootVersion : "-";
        const std::string bootSum = r.report.bootChecksum ? "$" + HexText(*r.report.bootChecksum) : "-";
        std::fprintf(out, "%-24s %-10s %-6s %-9s %-10s %-12s %6.1f s\n", r.port.c_str(), OutcomeName(r.report.outcome),
                     boot.c_str(), bootSum.c_str(), checksum(r.report.eepromChecksum).c_str(),
                     checksum(r.report.firmwareChecksum).c_str(), r.report.duration().count());
    }
    std::fflush(out);
}

int ExitCodeForAll(const std::vector<PortResult>& results)
{
    int code = kExitSuccess;
    for (const PortResult& r : results)
        code = std::max(code, ExitCodeFor(r.report.outcome));
    return code;
}

} // namespace zorvane::cli
