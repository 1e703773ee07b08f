#include "srec_writer.h"

#include <algorithm>
#include <cstdio>

namespace zorvane::radio {

namespace {

void appendHex(std::string& text, unsigned value)
{
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", value & 0xFF);
    text += digits;
}

} // namespace

std::string SRecord(char type, std::uint16_t address, std::span<const std::uint8_t> data)
{
    const unsigned count = static_cast<unsigned>(data.size()) + 3;   // address, data, checksum
    std::string text = "S";
    text += type;
    appendHex(text, count);
    appendHex(text, address >> 8);
    appendHex(text, address & 0xFF);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    for (std::uint8_t byte : data) {
        appendHex(text, byte);
        sum += byte;
    }
    appendHex(text, ~sum & 0xFF);
    return text;
}

std::vector<std::string> S1Records(std::uint16_t address, std::span<const std::uint8_t> data,
                                   std::size_t recordBytes)
{
    std::vector<std::string> records;
    for (std::size_t offset = 0; offset < data.size(); offset += recordBytes) {
        const std::size_t n = std::min(recordBytes, data.size() - offset);
        records.push_back(SRecord('1', static_cast<std::uint16_t>(address + offset), data.subspan(offset, n)));
    }
    return records;
}

std::string SRecordImage(std::uint16_t address, std::span<const std::uint8_t> data, std::size_t recordBytes)
{
    static constexpr std::uint8_t kHeader[] = {'Z', 'O', 'R', 'V', 'A', 'N', 'E'};
    std::string text = SRecord('0', 0, kHeader) + "\r\n";
    for (const std::string& record : S1Records(address, data, recordBytes))
        text += record + "\r\n";
    text += SRecord('9', 0, {}) + "\r\n";
    return text;
}

} // namespace zorvane::radio
