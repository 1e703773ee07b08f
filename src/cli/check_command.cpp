#include "cli/check_command.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/run_text.h"
#include "engine/hex_text.h"
#include "engine/run_plan.h"
#include "files/sha256.h"

namespace zorvane::cli {

namespace {

void printFile(const char* kind, const std::string& fileName)
{
    if (fileName.empty())
        return;
    if (const std::optional<files::FileDigest> digest = files::DigestFile(fileName))
        std::printf("%-9s %-24s %9llu bytes  sha256 %s\n", kind, fileName.c_str(),
                    static_cast<unsigned long long>(digest->size), digest->sha256.c_str());
    else
        std::printf("%-9s %-24s cannot be read\n", kind, fileName.c_str());
}

void printImage(const char* kind, const std::optional<ImageCheck>& image)
{
    if (image)
        std::printf("%-9s %zu blocks, %zu bytes\n", kind, image->blocks, image->dataBytes);
}

} // namespace

int RunCheck(const files::PlatformConfig& config)
{
    printFile("Boot", config.bootFile);
    printFile("EEPROM", config.eepromFile);
    printFile("Firmware", config.firmwareFile);

    const RunPlan plan = PlanRun(config);
    if (plan.failure) {
        std::fputs((BoxText(plan.failure->message.title, plan.failure->message.text) +
                    CauseLine(plan.failure->message, plan.failure->cause))
                       .c_str(),
                   stdout);
        return ExitCodeFor(plan.failure->outcome);
    }
    std::printf("%-9s %zu bytes, checksum $%s\n", "Boot code", kBootBytes, HexText(plan.boot.checksum).c_str());
    printImage("EEPROM", plan.eeprom);
    printImage("FLASH", plan.firmware);
    std::printf("Expected time on a 7600-baud line: %.1f s\nA run could start.\n", plan.lineTime.count());
    return kExitSuccess;
}

} // namespace zorvane::cli
