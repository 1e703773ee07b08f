#include "cli/check_command.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/run_text.h"
#include "engine/hex_text.h"
#include "engine/run_plan.h"

namespace zorvane::cli {

namespace {

void printFile(const char* kind, const files::FileContent& file)
{
    std::printf("%-9s %s, %zu bytes, sha256 %s\n", kind, file.fileName.c_str(), file.bytes.size(),
                file.sha256.c_str());
}

std::string rangesText(const std::vector<files::AddressRange>& ranges)
{
    std::string text;
    for (const files::AddressRange& range : ranges)
        text += (text.empty() ? "$" : ", $") + HexText(range.first) + "-$" + HexText(range.last);
    return text.empty() ? "none" : text;
}

void printImage(const char* kind, const files::Image& image)
{
    printFile(kind, image.file);
    std::printf("%-9s %zu data bytes at %s in %zu blocks, data sha256 %s\n", "", image.dataBytes,
                rangesText(image.ranges).c_str(), image.blocks.size(), image.dataSha256.c_str());
}

} // namespace

int RunCheck(const files::ConfigReading& reading)
{
    const files::PlatformConfig& config = reading.config;
    std::printf("%-9s %s, sha256 %s\n", "Config", config.configFile.c_str(), config.configSha256.c_str());
    for (const std::string& warning : reading.warnings)
        std::printf("%-9s %s\n", "", warning.c_str());

    const RunPlan plan = PlanRun(config);
    if (plan.failure) {
        std::fputs((BoxText(plan.failure->message.title, plan.failure->message.text) +
                    CauseLine(plan.failure->message, plan.failure->cause))
                       .c_str(),
                   stdout);
        return ExitCodeFor(plan.failure->outcome);
    }
    const RunImages& images = *plan.images;
    printFile("Boot", images.boot.file);
    std::printf("%-9s %zu bytes, checksum $%s, data sha256 %s\n", "", files::kBootBytes,
                HexText(images.boot.checksum).c_str(), images.boot.dataSha256.c_str());
    if (images.eeprom)
        printImage("EEPROM", *images.eeprom);
    printImage("Firmware", images.firmware);
    std::printf("Expected time on a 7600-baud line: %.1f s\nA run could start.\n", plan.lineTime.count());
    return kExitSuccess;
}

} // namespace zorvane::cli
