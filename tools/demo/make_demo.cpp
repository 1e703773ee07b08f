// zorvane-make-demo DIR: lays out a working directory for a flash run
// against the simulator: the three platform configuration files, a boot
// file of exactly 1025 bytes, and firmware (32 KiB) and EEPROM (2 KiB)
// images of made-up but realistic content.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "srec_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBootBytes = 1025;
constexpr std::size_t kFirmwareBytes = 32 * 1024;
constexpr std::size_t kEepromBytes = 2 * 1024;
constexpr std::uint16_t kFirmwareBase = 0x8000;
constexpr std::uint16_t kEepromBase = 0x0000;

// Deterministic bytes that look like code: a few repeated opcodes among
// varying operands.
Bytes codeLike(std::size_t count, std::uint32_t seed)
{
    Bytes bytes(count);
    std::uint32_t x = seed;
    for (std::size_t i = 0; i < count; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes[i] = (i % 3 == 0) ? static_cast<std::uint8_t>(0x80 + (x >> 28)) : static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

bool writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zorvane-make-demo DIR\n");
        return 2;
    }
    namespace zr = zorvane::radio;
    const std::filesystem::path dir(argv[1]);
    std::filesystem::create_directories(dir);

    const struct {
        const char* name;
        std::string text;
    } files[] = {
        {"pellamar.cfg", "ORVIK Pellamar, service bench settings\r\n"
                         "boot: boot.s19\r\nsrecord: pellamar.s19\r\neeprom: pellamar_ee.s19\r\nconfig: 3f\r\n"},
        {"tessivar.cfg", "ORVIK Tessivar: no EEPROM image\r\n"
                         "boot:\tboot.s19\r\nsrecord:\ttessivar.s19\r\nconfig:\tA5\r\n"},
        {"default.cfg", "Other platform\r\nboot: boot.s19\r\nsrecord: firmware.s19\r\neeprom: eeprom.s19\r\nconfig: 00\r\n"},
        {"boot.s19", zr::SRecordImage(0x0000, codeLike(kBootBytes, 1), 32)},
        {"pellamar.s19", zr::SRecordImage(kFirmwareBase, codeLike(kFirmwareBytes, 2), 32)},
        {"pellamar_ee.s19", zr::SRecordImage(kEepromBase, codeLike(kEepromBytes, 3), 16)},
        {"tessivar.s19", zr::SRecordImage(kFirmwareBase, codeLike(kFirmwareBytes, 4), 32)},
        {"firmware.s19", zr::SRecordImage(kFirmwareBase, codeLike(kFirmwareBytes, 5), 32)},
        {"eeprom.s19", zr::SRecordImage(kEepromBase, codeLike(kEepromBytes, 6), 16)},
    };
    for (const auto& f : files) {
        if (!writeFile(dir / f.name, f.text)) {
            std::fprintf(stderr, "zorvane-make-demo: cannot write %s\n", (dir / f.name).c_str());
            return 1;
        }
    }
    return 0;
}
