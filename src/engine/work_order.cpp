#include "engine/work_order.h"

#include <algorithm>
#include <cctype>

#include "engine/messages.h"

namespace zorvane {

namespace {

constexpr std::size_t kSha256Digits = 64;
constexpr const char* kNotExpected = "not-expected";

// A UTF-8 byte that continues a character rather than starting one.
bool continuesCharacter(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// A C0 control, DEL, or a C1 control (U+0080 to U+009F, C2 80 to C2 9F in UTF-8).
bool holdsControl(const std::string& value)
{
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte < 0x20 || byte == 0x7F)
            return true;
        if (byte == 0xC2 && i + 1 < value.size() && static_cast<unsigned char>(value[i + 1]) < 0xA0 &&
            continuesCharacter(static_cast<unsigned char>(value[i + 1])))
            return true;
    }
    return false;
}

std::size_t characterCount(const std::string& value)
{
    return static_cast<std::size_t>(std::count_if(value.begin(), value.end(), [](char c) {
        return !continuesCharacter(static_cast<unsigned char>(c));
    }));
}

bool listed(const std::vector<std::string>& expected, const std::string& sha256)
{
    return std::find(expected.begin(), expected.end(), sha256) != expected.end();
}

} // namespace

std::optional<std::string> OrderFieldProblem(std::string_view given, const std::string& value)
{
    if (value.find_first_not_of(' ') == std::string::npos)
        return std::string(given) + " is empty";
    if (holdsControl(value))
        return std::string(given) + " holds a control character";
    if (characterCount(value) > kMaxOrderFieldCharacters)
        return std::string(given) + " is longer than " + std::to_string(kMaxOrderFieldCharacters) + " characters";
    return std::nullopt;
}

std::optional<std::string> Sha256Text(const std::string& text)
{
    if (text.size() != kSha256Digits ||
        !std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower;
}

std::variant<std::vector<std::string>, std::string> ExpectedFirmwareList(std::string_view given,
                                                                         const std::string& list)
{
    std::vector<std::string> expected;
    std::size_t at = 0;
    while ((at = list.find_first_not_of(", \t", at)) != std::string::npos) {
        const std::size_t end = std::min(list.find_first_of(", \t", at), list.size());
        const std::string item = list.substr(at, end - at);
        const std::optional<std::string> sha256 = Sha256Text(item);
        if (!sha256)
            return std::string(given) + ": " + item + " is not a SHA-256 of 64 hex digits";
        expected.push_back(*sha256);
        at = end;
    }
    return expected;
}

std::optional<RunFailure> NotExpectedFirmware(const files::Image& firmware, const std::vector<std::string>& expected)
{
    if (expected.empty() || listed(expected, firmware.file.sha256) || listed(expected, firmware.dataSha256))
        return std::nullopt;
    std::string names;
    for (const std::string& sha256 : expected)
        names += (names.empty() ? "" : " or ") + sha256;
    const std::string& file = firmware.file.fileName;
    const std::string cause =
        file + ": file SHA-256 " + firmware.file.sha256 + ", data SHA-256 " + firmware.dataSha256 + "; expected " + names;
    files::ImageFault fault{files::ImageFaultKind::Damaged, cause, file, 0, {}, kNotExpected};
    return RunFailure{RunOutcome::FlashFailed, MakeMessage(MessageId::NotExpectedFirmware, file, cause), cause,
                      std::move(fault)};
}

} // namespace zorvane
