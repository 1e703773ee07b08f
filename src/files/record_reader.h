// Reading an image file's records one by one and checking each whole: its
// digits, count, checksum and type, where a header may stand, what an end
// or count record may carry, and the lines skipped between records. The
// checksum does not cover the type character or the "S", so those get rules
// of their own: one changed character must never drop or add data unseen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/image.h"
#include "files/srecord.h"
#include "files/text_files.h"

namespace zorvane::files {

// Thrown inside the readers; each public reader turns it into its fault.
struct Refusal {
    ImageFaultKind kind;
    std::string text;
    long line = 0;          // the line the rule refused; 0: the file as a whole
    const char* rule = "";  // which rule, as the fault names it
};

// DOS tools end a text file with this character; nothing after it is read.
constexpr char kDosEndOfFile = '\x1A';

// A character as a fault names it: "G", or its code when it does not print.
std::string CharacterText(std::uint8_t code);

// Where each line of a file starts, counted as the text stream counts them:
// CR LF, LF and a lone CR each end a line.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);
    long lineOf(std::size_t position) const;
    long columnOf(std::size_t position) const;

private:
    std::vector<std::size_t> starts_;
};

// True when text, up to the end of its line, is one whole S1 record (digits,
// count and checksum right) with nothing after it but white space.
bool ReadsAsS1Record(std::string_view text);

class RecordReader {
public:
    explicit RecordReader(const FileContent& file);

    // The next record; nullopt when only text without a record is left, or
    // at a DOS end-of-file character.
    std::optional<SrecRecord> next();
    // The record last read, as the line buffer holds it.
    const SrecLine& line() const { return line_; }

    // The S0 header read so far: its line and how many data bytes it holds.
    struct Header {
        long line = 0;
        std::uint32_t dataBytes = 0;
    };
    const std::optional<Header>& header() const { return header_; }
    // rule: the rule's name in a fault's facts ("checksum", "record-type", ...).
    [[noreturn]] void refuse(const char* rule, const std::string& what) const;
    [[noreturn]] void refuseLine(long line, const char* rule, const std::string& what) const;
    // Nothing after the end record is programmed: refuses a data record in
    // the text that follows it, up to the end of the file.
    void refuseDataAfter(long endLine) const;

private:
    std::string countText() const;
    std::string at(long position) const;
    void checkCount() const;
    void checkRecord(long length, std::size_t read);
    void checkType(const SrecRecord& record);
    void checkSkippedLines(std::size_t from, std::size_t to, bool lastToo) const;

    const FileContent& file_;
    std::size_t end_ = 0;   // a DOS end-of-file character, or the file's end
    TextStream stream_;
    LineIndex lines_;
    SrecLine line_{};
    std::size_t start_ = 0;
    std::optional<Header> header_;
    long dataRecords_ = 0;
};

} // namespace zorvane::files
