#include "srec_memory.h"

#include <array>
#include <cstdio>

#include "files/srecord.h"
#include "files/text_files.h"

namespace zorvane::radio {

std::optional<MemoryMap> ReadSRecordMemory(const std::string& fileName)
{
    using namespace zorvane::files;
    MemoryMap memory;
    try {
        TextStream stream = TextStream::OpenTextFile(fileName);
        SrecLine line{};
        std::array<std::uint8_t, 256> data{};
        while (true) {
            try {
                GetSrecLine(stream, line);
            } catch (const EndOfStreamError&) {
                return memory;
            }
            const std::uint32_t address = static_cast<std::uint32_t>(Ascii2Dec(line[4], line[5]) * 256 +
                                                                     Ascii2Dec(line[6], line[7]));
            const int count = SLine2Hex(line, data, 0);
            for (int i = 0; i < count; ++i)
                memory[address + static_cast<std::uint32_t>(i)] = data[static_cast<std::size_t>(i)];
        }
    } catch (const TextFileError&) {
        return std::nullopt;
    } catch (const BufferRangeError&) {
        return std::nullopt;
    }
}

std::string FirstDifference(const MemoryMap& expected, const MemoryMap& actual)
{
    char text[96];
    for (const auto& [address, byte] : expected) {
        auto found = actual.find(address);
        if (found == actual.end()) {
            std::snprintf(text, sizeof text, "$%04X: expected %02X, nothing there", address, byte);
            return text;
        }
        if (found->second != byte) {
            std::snprintf(text, sizeof text, "$%04X: expected %02X, found %02X", address, byte, found->second);
            return text;
        }
    }
    for (const auto& [address, byte] : actual) {
        if (!expected.contains(address)) {
            std::snprintf(text, sizeof text, "$%04X: %02X written where the image has nothing", address, byte);
            return text;
        }
    }
    return {};
}

} // namespace zorvane::radio
