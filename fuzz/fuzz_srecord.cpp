// The checked image readers over arbitrary bytes, the way a run reads the
// boot file and the EEPROM and firmware images: every input ends in an
// image or a fault, never in a crash, an access out of bounds or an
// exception that escapes.
#include <cstdint>
#include <string>
#include <variant>

#include "files/image.h"

using namespace zorvane::files;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    unsigned sum = 0;

    const auto boot = CheckBootImage("fuzz.s19", bytes);
    if (const BootImage* image = std::get_if<BootImage>(&boot))
        sum += image->checksum;
    else
        sum += static_cast<unsigned>(std::get<ImageFault>(boot).text.size());

    const auto image = CheckImage("fuzz.s19", bytes);
    if (const Image* read = std::get_if<Image>(&image)) {
        // Every block lies in one page and holds what the records held.
        std::size_t blockBytes = 0;
        for (const ImageBlock& block : read->blocks) {
            if (block.data.empty() || block.data.size() > static_cast<std::size_t>(kPageBytes) ||
                block.start / kPageBytes != (block.start + block.data.size() - 1) / kPageBytes)
                __builtin_trap();
            blockBytes += block.data.size();
        }
        if (blockBytes != read->dataBytes)
            __builtin_trap();
        sum += static_cast<unsigned>(read->blocks.size());
    } else {
        sum += static_cast<unsigned>(std::get<ImageFault>(image).text.size());
    }
    return sum == 0xFFFFFFFF ? 1 : 0;
}
