#include "engine/hex_text.h"

#include "files/hex_text.h"

namespace zorvane {

std::string HexText(std::uint32_t value)
{
    return files::HexDigits(value);
}

std::string BootVersionText(const std::string& version)
{
    return "R" + version;
}

std::string BootChecksumText(std::uint16_t checksum)
{
    return "$" + HexText(checksum);
}

std::string ChecksumText(const ImageChecksum& bytes)
{
    return "$" + HexText(bytes[0]) + HexText(bytes[1]);
}

} // namespace zorvane
