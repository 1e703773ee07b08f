// What a work order holds a run to: the firmware it names, and the order
// and operator each record carries. Both are checked as input, before any
// port opens, so that a record never names an order in words it cannot show.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/run_host.h"
#include "files/image.h"

namespace zorvane {

constexpr std::size_t kMaxOrderFieldCharacters = 64;

// Why a work order or an operator's name cannot go in a record, its first
// words naming where it was given; none when it can.
std::optional<std::string> OrderFieldProblem(std::string_view given, const std::string& value);

// 64 hex digits of either case, in lower case; none for anything else.
std::optional<std::string> Sha256Text(const std::string& text);

// The SHA-256 a list separated by commas or spaces holds, in lower case; or
// why it cannot be used, its first words naming where it was given.
std::variant<std::vector<std::string>, std::string> ExpectedFirmwareList(std::string_view given,
                                                                         const std::string& list);

// The run's failure for a firmware image whose file SHA-256 and data SHA-256
// are both missing from the list; none when either is in it, or the list is empty.
std::optional<RunFailure> NotExpectedFirmware(const files::Image& firmware, const std::vector<std::string>& expected);

} // namespace zorvane
