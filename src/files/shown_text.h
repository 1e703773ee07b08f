// Text that comes from outside the program (file names, unit labels, device
// descriptions, a server's words) as a terminal, a log or a table shows it:
// a control character there could move the cursor, retitle the terminal or
// forge a line, so each is written out as \xHH instead.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorvane::files {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// True for U+0080 to U+009F, the C1 controls, at a well-formed sequence.
bool IsC1Control(std::string_view text, std::size_t at);

// Every character below $20, $7F, a C1 control (U+0080 to U+009F, or a lone
// byte $80 to $9F) as \xHH; everything else as it is.
std::string ShownText(std::string_view text);

// The same for text of several lines: its line feeds stay.
std::string ShownLines(std::string_view text);

} // namespace zorvane::files
