#include "files/shown_text.h"

#include <algorithm>

#include "files/hex_text.h"

namespace zorvane::files {

namespace {

void escapeByte(std::string& out, unsigned char byte)
{
    out += "\\x" + HexDigits(byte, 2, HexCase::Lower);
}

std::string shown(std::string_view text, bool keepLineFeeds)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, at);
            // A lone $80-$9F is a control on an 8-bit terminal; $A0-$FF stay, so
            // that a Latin-1 name shows as it did.
            const bool control = length == 0 ? byte <= 0x9F : IsC1Control(text, at);
            if (control) {
                for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
                    escapeByte(out, static_cast<unsigned char>(text[at + i]));
            } else {
                out.append(text.substr(at, std::max<std::size_t>(length, 1)));
            }
            at += std::max<std::size_t>(length, 1);
            continue;
        }
        if ((byte < 0x20 && !(keepLineFeeds && byte == '\n')) || byte == 0x7F)
            escapeByte(out, byte);
        else
            out += static_cast<char>(byte);
        ++at;
    }
    return out;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80;   // the second byte's range excludes overlong forms and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

bool IsC1Control(std::string_view text, std::size_t at)
{
    return Utf8SequenceLength(text, at) == 2 && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

std::string ShownText(std::string_view text)
{
    return shown(text, false);
}

std::string ShownLines(std::string_view text)
{
    return shown(text, true);
}

} // namespace zorvane::files
