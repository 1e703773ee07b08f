// What an S-record file puts where: the data of its S1 records by address.
// Used to check that the radio holds exactly what an image says.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace zorvane::radio {

using MemoryMap = std::map<std::uint32_t, std::uint8_t>;

// nullopt when the file cannot be read as S-records.
std::optional<MemoryMap> ReadSRecordMemory(const std::string& fileName);

// The first address at which two maps differ, as text; empty when equal.
std::string FirstDifference(const MemoryMap& expected, const MemoryMap& actual);

} // namespace zorvane::radio
