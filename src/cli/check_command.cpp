#include "cli/check_command.h"

#include "link/protocol.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/run_text.h"
#include "engine/hex_text.h"
#include "engine/run_plan.h"
#include "files/shown_text.h"

namespace zorvane::cli {

namespace {

void printFile(const char* kind, const files::FileContent& file, const char* listed)
{
    std::printf("%-9s %s, %zu bytes, sha256 %s%s\n", kind, files::ShownText(file.fileName).c_str(), file.bytes.size(),
                file.sha256.c_str(), listed);
}

std::string rangesText(const std::vector<files::AddressRange>& ranges)
{
    std::string text;
    for (const files::AddressRange& range : ranges)
        text += (text.empty() ? "$" : ", $") + HexText(range.first) + "-$" + HexText(range.last);
    return text.empty() ? "none" : text;
}

void printRelease(const trust::Release& release)
{
    if (!release.manifest) {
        std::printf("%-9s none in the working folder: any files are programmed\n", "Manifest");
        return;
    }
    std::printf("%-9s %s, sha256 %s\n", "Manifest", files::ShownText(release.manifest->fileName).c_str(),
                release.manifest->sha256.c_str());
    if (release.signatureFile.empty())
        std::printf("%-9s not signed\n", "");
    else
        std::printf("%-9s %s: good signature by %s (%s)\n", "", files::ShownText(release.signatureFile).c_str(),
                    release.signedBy.c_str(), files::ShownText(release.signerId).c_str());
}

// "listed" once a manifest vouches for the file; the plan stops at one it does not.
const char* listedIn(const std::shared_ptr<const files::Manifest>& manifest)
{
    return manifest ? ", listed in the manifest" : "";
}

void printImage(const char* kind, const files::Image& image, const char* listed)
{
    printFile(kind, image.file, listed);
    std::printf("%-9s %zu data bytes at %s in %zu blocks, data sha256 %s\n", "", image.dataBytes,
                rangesText(image.ranges).c_str(), image.blocks.size(), image.dataSha256.c_str());
}

} // namespace

int RunCheck(const prepare::CheckedInput& input)
{
    const files::ConfigReading& reading = input.config;
    const trust::Release& release = input.release;
    const files::PlatformConfig& config = reading.config;
    std::printf("%-9s %s, sha256 %s%s\n", "Config", files::ShownText(config.configFile).c_str(),
                config.configSha256.c_str(), listedIn(release.manifest));
    for (const std::string& warning : reading.warnings)
        std::printf("%-9s %s\n", "", files::ShownText(warning).c_str());
    printRelease(release);

    const RunPlan plan = PlanRun(prepare::ImagesFor(input));
    if (plan.failure) {
        std::fputs((BoxText(plan.failure->message.title, plan.failure->message.text) +
                    CauseLine(plan.failure->message, plan.failure->cause))
                       .c_str(),
                   stdout);
        return ExitCodeFor(plan.failure->outcome, plan.failure->fault);
    }
    const RunImages& images = *plan.images;
    const char* listed = listedIn(release.manifest);
    printFile("Boot", images.boot.file, listed);
    std::printf("%-9s %zu bytes, checksum $%s, data sha256 %s\n", "", files::kBootBytes,
                HexText(images.boot.checksum).c_str(), images.boot.dataSha256.c_str());
    if (images.eeprom)
        printImage("EEPROM", *images.eeprom, listed);
    printImage("Firmware", images.firmware, listed);
    std::printf("Expected time on a %d-baud line: %.1f s\nA run could start.\n", static_cast<int>(link::kRadioBaud),
                plan.lineTime.count());
    return kExitSuccess;
}

} // namespace zorvane::cli
