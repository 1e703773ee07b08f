#include "files/record_reader.h"

#include <algorithm>
#include <array>
#include <span>

namespace zorvane::files {

namespace {

bool isHexDigit(std::uint8_t code)
{
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F');
}

bool isWhiteSpace(std::uint8_t code)
{
    return code == ' ' || code == '\t' || code == '\r' || code == '\n' || code == '\v' || code == '\f';
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

std::uint8_t upperCase(char c)
{
    const auto code = static_cast<std::uint8_t>(c);
    return (code >= 'a' && code <= 'z') ? static_cast<std::uint8_t>(code - ('a' - 'A')) : code;
}

// The bytes a record's count must at least cover: its address and checksum.
int minimumCount(std::uint8_t type)
{
    switch (type) {
    case '0': case '1': case '5': case '9': return 3;
    case '2': case '6': case '8': return 4;
    case '3': case '7': return 5;
    default: return 1;
    }
}

// The checksum a record's count, address and data digits give (positions 2
// up to length - 2), and the one it carries (the two before length).
unsigned expectedChecksum(std::span<const std::uint8_t> codes, std::size_t length)
{
    unsigned sum = 0;
    for (std::size_t k = 2; k + 2 < length; k += 2)
        sum += static_cast<unsigned>(Ascii2Dec(codes[k], codes[k + 1]));
    return 0xFF - (sum & 0xFF);
}

unsigned carriedChecksum(std::span<const std::uint8_t> codes, std::size_t length)
{
    return static_cast<unsigned>(Ascii2Dec(codes[length - 2], codes[length - 1]));
}

// The file's text up to a DOS end-of-file character standing on a line of
// its own; the whole text when there is none.
std::size_t markedEnd(std::string_view text)
{
    for (std::size_t at = text.find(kDosEndOfFile); at != std::string_view::npos;
         at = text.find(kDosEndOfFile, at + 1)) {
        const bool lineStart = at == 0 || isLineEnd(text[at - 1]);
        const bool lineEnd = at + 1 == text.size() || isLineEnd(text[at + 1]);
        if (lineStart && lineEnd)
            return at;
    }
    return text.size();
}

// A line's text without its leading spaces and tabs.
std::string_view trimmed(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view{} : line.substr(first);
}

// Calls visit(text, line start) for every line from `from` on that ends
// before `to`, and for the one that `to` cuts when lastToo is set.
template <typename Visit>
void forEachLine(std::string_view text, std::size_t from, std::size_t to, bool lastToo, Visit visit)
{
    std::size_t lineStart = from;
    for (std::size_t i = from; i < to; ++i) {
        if (!isLineEnd(text[i]))
            continue;
        visit(text.substr(lineStart, i - lineStart), lineStart);
        if (text[i] == '\r' && i + 1 < to && text[i + 1] == '\n')
            ++i;
        lineStart = i + 1;
    }
    if (lastToo && lineStart < to)
        visit(text.substr(lineStart, to - lineStart), lineStart);
}

} // namespace

std::string CharacterText(std::uint8_t code)
{
    if (code > 0x20 && code < 0x7F)
        return "\"" + std::string(1, static_cast<char>(code)) + "\"";
    return "character $" + HexByteText(code);
}

LineIndex::LineIndex(std::string_view text)
{
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            starts_.push_back(i + 1);
}

long LineIndex::lineOf(std::size_t position) const
{
    return static_cast<long>(std::upper_bound(starts_.begin(), starts_.end(), position) - starts_.begin());
}

long LineIndex::columnOf(std::size_t position) const
{
    return static_cast<long>(position - starts_[static_cast<std::size_t>(lineOf(position)) - 1]) + 1;
}

bool ReadsAsS1Record(std::string_view text)
{
    std::string line;
    for (char c : text) {
        if (isLineEnd(c))
            break;
        line.push_back(static_cast<char>(upperCase(c)));
    }
    const auto code = [&](std::size_t k) { return static_cast<std::uint8_t>(line[k]); };
    if (line.size() < 4 || line[0] != 'S' || line[1] != '1' || !isHexDigit(code(2)) || !isHexDigit(code(3)))
        return false;
    const int count = Ascii2Dec(code(2), code(3));
    const auto length = static_cast<std::size_t>(2 * count + 4);
    if (count < minimumCount('1') || line.size() < length)
        return false;
    for (std::size_t k = 2; k < length; ++k)
        if (!isHexDigit(code(k)))
            return false;
    const std::span<const std::uint8_t> codes(reinterpret_cast<const std::uint8_t*>(line.data()), line.size());
    if (carriedChecksum(codes, length) != expectedChecksum(codes, length))
        return false;
    return std::all_of(line.begin() + static_cast<long>(length), line.end(),
                       [](char c) { return isWhiteSpace(static_cast<std::uint8_t>(c)); });
}

RecordReader::RecordReader(const FileContent& file)
    : file_(file),
      end_(markedEnd(file.bytes)),
      stream_(TextStream::FromText(file.fileName, file.bytes.substr(0, end_))),
      lines_(file.bytes)
{
}

std::optional<SrecRecord> RecordReader::next()
{
    if (stream_.Position() >= end_)
        return std::nullopt;
    const std::size_t start = file_.bytes.find_first_of("Ss", stream_.Position());
    if (start == std::string::npos || start >= end_)
        return std::nullopt;
    checkSkippedLines(stream_.Position(), start, false);
    start_ = start;
    long length = 0;
    try {
        length = GetSrecLine(stream_, line_);
    } catch (const EndOfStreamError&) {
        refuse("cut-short", "the file ends inside the record");
    } catch (const BufferRangeError&) {
        checkCount();
        refuse("too-long", "the count $" + countText() + " makes the record longer than " + std::to_string(kSrecLineSize - 1) +
               " characters");
    }
    checkRecord(length, stream_.Position() - start);

    SrecRecord record;
    record.line = lines_.lineOf(start);
    record.type = static_cast<char>(line_[1]);
    record.address = static_cast<std::uint32_t>(Ascii2Dec(line_[4], line_[5]) * 256 + Ascii2Dec(line_[6], line_[7]));
    checkType(record);
    if (record.type == '1') {
        std::array<std::uint8_t, kSrecLineSize> data{};
        record.data.assign(data.begin(), data.begin() + SLine2Hex(line_, data, 0));
    } else {
        record.address = 0;
    }
    return record;
}

void RecordReader::refuse(const char* rule, const std::string& what) const
{
    refuseLine(lines_.lineOf(start_), rule, what);
}

void RecordReader::refuseLine(long line, const char* rule, const std::string& what) const
{
    throw Refusal{ImageFaultKind::Damaged, file_.fileName + " line " + std::to_string(line) + ": " + what, line, rule};
}

std::string RecordReader::countText() const
{
    return std::string{static_cast<char>(line_[2]), static_cast<char>(line_[3])};
}

std::string RecordReader::at(long position) const
{
    return " at column " + std::to_string(lines_.columnOf(start_ + static_cast<std::size_t>(position)));
}

void RecordReader::checkCount() const
{
    for (long k = 2; k <= 3; ++k)
        if (!isHexDigit(line_[static_cast<std::size_t>(k)]))
            refuse("digit", CharacterText(line_[static_cast<std::size_t>(k)]) + at(k) + " is not a hexadecimal digit");
}

// length: what the record's count makes it; read: the characters taken from
// its "S" on, the one after the checksum included.
void RecordReader::checkRecord(long length, std::size_t read)
{
    checkCount();
    if (static_cast<long>(read) < length)
        refuse("cut-short", "the file ends inside the record");
    for (long k = 4; k < length; ++k)
        if (!isHexDigit(line_[static_cast<std::size_t>(k)]))
            refuse("digit", CharacterText(line_[static_cast<std::size_t>(k)]) + at(k) + " is not a hexadecimal digit");
    const int count = Ascii2Dec(line_[2], line_[3]);
    if (count < minimumCount(line_[1]))
        refuse("count", "the count $" + countText() + " is too small for an S" + std::string(1, static_cast<char>(line_[1])) +
               " record");
    const std::uint8_t after = line_[static_cast<std::size_t>(length)];
    if (static_cast<long>(read) > length && after == static_cast<std::uint8_t>(kDosEndOfFile))
        end_ = stream_.Position();
    else if (static_cast<long>(read) > length && !isWhiteSpace(after))
        refuse("count", "the count $" + countText() + " ends the record" + at(length) + ", where " + CharacterText(after) +
               " follows");
    const unsigned checksum = carriedChecksum(line_, static_cast<std::size_t>(length));
    const unsigned expected = expectedChecksum(line_, static_cast<std::size_t>(length));
    if (checksum != expected)
        refuse("checksum", "checksum $" + HexByteText(checksum) + ", the line's bytes give $" + HexByteText(expected));
}

// The checksum leaves the type out: a changed type must not turn data into
// a header or an end, nor an end into data.
void RecordReader::checkType(const SrecRecord& record)
{
    const auto type = static_cast<std::uint8_t>(record.type);
    if (type < '0' || type > '9')
        refuse("record-type", CharacterText(type) + at(1) + " is not a record type");
    const std::string name = std::string("S") + record.type;
    if (type == '4')
        refuse("record-type", "there is no " + name + " record type");
    const int dataBytes = Ascii2Dec(line_[2], line_[3]) - minimumCount(type);
    switch (type) {
    case '0':
        if (dataRecords_ > 0)
            refuse("header", "an S0 header record after the data records");
        if (header_)
            refuse("header", "a second S0 header record");
        if (record.address != 0)
            refuse("header", "an S0 header record has address 0000, not $" + HexByteText(record.address >> 8) +
                   HexByteText(record.address & 0xFF));
        header_ = Header{record.line, static_cast<std::uint32_t>(std::max(dataBytes, 0))};
        break;
    case '1':
        ++dataRecords_;
        break;
    case '5': case '6': case '7': case '8': case '9':
        if (dataBytes > 0)
            refuse("count", "the count $" + countText() + " gives the " + name + " record " + std::to_string(dataBytes) +
                   " data byte" + (dataBytes == 1 ? "" : "s") + ", where it carries none");
        if (type == '5' || type == '6') {
            long counted = record.address;
            if (type == '6')
                counted = counted * 256 + Ascii2Dec(line_[8], line_[9]);
            if (counted != dataRecords_)
                refuse("record-count", "the " + name + " record counts " + std::to_string(counted) + " data records, the file has " +
                       std::to_string(dataRecords_) + " before it");
        }
        break;
    default:
        break;
    }
}

// A whole line skipped as text that would be an S1 record but for its first
// character is a data record whose "S" was changed: its data would be lost.
void RecordReader::checkSkippedLines(std::size_t from, std::size_t to, bool lastToo) const
{
    forEachLine(file_.bytes, from, to, lastToo, [&](std::string_view text, std::size_t lineStart) {
        const std::string_view line = trimmed(text);
        if (line.empty() || upperCase(line[0]) == 'S')   // a record, not text
            return;
        const long number = lines_.lineOf(lineStart);
        if (ReadsAsS1Record("S" + std::string(line.substr(1)))) {
            const auto first = static_cast<std::uint8_t>(line[0]);
            const std::string shown = first > 0x20 && first < 0x7F ? CharacterText(first) : "$" + HexByteText(first);
            refuseLine(number, "skipped-line", "the line reads as an S1 record whose first character is " + shown);
        }
        if (ReadsAsS1Record("S" + std::string(line)))
            refuseLine(number, "skipped-line", "the line reads as an S1 record without its \"S\"");
    });
}

void RecordReader::refuseDataAfter(long endLine) const
{
    const std::size_t from = stream_.Position();
    checkSkippedLines(from, end_, true);
    forEachLine(file_.bytes, from, end_, true, [&](std::string_view text, std::size_t lineStart) {
        const std::string_view line = trimmed(text);
        if (line.size() >= 4 && upperCase(line[0]) == 'S' && line[1] == '1' &&
            isHexDigit(upperCase(line[2])) && isHexDigit(upperCase(line[3])))
            refuseLine(lines_.lineOf(lineStart), "after-end", "an S1 record after the end record of line " +
                                                     std::to_string(endLine) + ": its data would not be programmed");
    });
}

} // namespace zorvane::files
