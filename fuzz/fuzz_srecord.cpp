// GetSrecLine and SLine2Hex over arbitrary files, the way the boot loader and
// the image programmer use them: every input ends in records, an end of
// stream or a range error, never in a crash or an access out of bounds.
#include <array>
#include <cstdio>

#include "engine/image_programmer.h"
#include "files/srecord.h"
#include "fuzz_file.h"

using namespace zorvane::files;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name = WriteFuzzFile(".s19", data, size);
    unsigned sum = 0;

    // Gathering as the boot loader does: into a 1026-byte buffer.
    try {
        TextStream stream = TextStream::OpenTextFile(name);
        SrecLine line{};
        std::array<std::uint8_t, 1026> boot{};
        std::int32_t count = 0;
        while (count < 1025) {
            sum += static_cast<unsigned>(GetSrecLine(stream, line));
            count += SLine2Hex(line, boot, count);
        }
        for (std::uint8_t b : boot)
            sum += b;
    } catch (const TextFileError&) {
    } catch (const BufferRangeError&) {
    }

    // The image programmer's check of a whole file.
    try {
        const zorvane::ImageCheck check = zorvane::CheckImageFile(name);
        sum += static_cast<unsigned>(check.lineCount) + (check.fault ? static_cast<unsigned>(check.fault->size()) : 0);
    } catch (const TextFileError&) {
    }

    std::remove(name.c_str());
    return sum == 0xFFFFFFFF ? 1 : 0;
}
