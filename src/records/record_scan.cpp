#include "records/record_scan.h"

#include <cctype>

#include "records/record_id.h"

namespace zorvane {

namespace {

// A number with more digits than a double holds exactly, or an exponent, is
// left to the full parser's rules.
constexpr std::size_t kPlainDigits = 15;

class Scanner {
public:
    Scanner(std::string_view line, int deepest, RecordFields& fields, bool& idPresent)
        : text_(line), deepest_(deepest), fields_(fields), idPresent_(idPresent)
    {
    }

    LineScan scan()
    {
        space();
        // The full parser takes a NUL byte outside a string for the end of
        // its input, and so does this reading.
        const bool whole = at_ < text_.size() && text_[at_] == '{' && value(0, {}) &&
                           (space(), at_ == text_.size() || text_[at_] == '\0');
        return unsure_ ? LineScan::Unsure : whole ? LineScan::Record : LineScan::NotRecord;
    }

private:
    void space()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool take(char c)
    {
        space();
        if (at_ >= text_.size() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }
    bool bail() { return unsure_ = true, false; }

    // A member's value at the given depth (1: the record's own members).
    bool value(int depth, std::string_view key)
    {
        space();
        if (at_ >= text_.size())
            return false;
        const char c = text_[at_];
        if (c == '{' || c == '[')
            return container(depth, key, c == '{');
        if (c == '"') {
            std::string_view content;
            bool escaped = false;
            if (!string(content, escaped))
                return false;
            return taken(depth, key, content, escaped);
        }
        noteOther(depth, key);
        if (c == 't' || c == 'f' || c == 'n')
            return literal(c == 't' ? "true" : c == 'f' ? "false" : "null");
        return number();
    }

    bool container(int depth, std::string_view key, bool object)
    {
        noteOther(depth, key);
        if (depth == 1 && key == "outcome" && object)
            fields_.outcome = inOutcome_ = true;   // its stage is read anew
        if (depth + 1 > deepest_)
            return false;
        ++at_;
        const char close = object ? '}' : ']';
        if (take(close))
            return leave(depth);
        do {
            std::string_view name;
            bool escaped = false;
            if (object && (!(space(), at_ < text_.size() && text_[at_] == '"') || !string(name, escaped) || !take(':')))
                return false;
            if (escaped && depth + 1 <= 2)
                return bail();   // a member's name with escapes may spell one of ours
            if (!value(depth + 1, object ? name : std::string_view()))
                return false;
        } while (take(','));
        return take(close) && leave(depth);
    }
    bool leave(int depth)
    {
        if (depth == 1)
            inOutcome_ = false;
        return true;
    }

    // A string's content between its quotes, its escapes checked; a \u
    // escape is the full parser's.
    bool string(std::string_view& content, bool& escaped)
    {
        const std::size_t start = ++at_;
        while (at_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                content = text_.substr(start, at_++ - start);
                return true;
            }
            if (c == '\\') {
                escaped = true;
                if (++at_ >= text_.size())
                    return false;
                if (text_[at_] == 'u')
                    return bail();
                if (std::string_view("\"\\/bfnrt").find(text_[at_]) == std::string_view::npos)
                    return false;
                ++at_;
            } else if (c < 0x20) {
                return false;
            } else if (c < 0x80) {
                ++at_;
            } else if (!utf8()) {
                return false;
            }
        }
        return false;
    }

    // One UTF-8 sequence: no overlong form, no surrogate, nothing past U+10FFFF.
    bool utf8()
    {
        const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(text_[at_ + i]); };
        const unsigned char lead = byte(0);
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4                   ? 4
                                                                                    : 0;
        if (length == 0 || at_ + length > text_.size())
            return false;
        const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (byte(1) < low || byte(1) > high)
            return false;
        for (std::size_t i = 2; i < length; ++i)
            if (byte(i) < 0x80 || byte(i) > 0xBF)
                return false;
        at_ += length;
        return true;
    }

    bool literal(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word)
            return false;
        at_ += word.size();
        return true;
    }

    bool number()
    {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        const std::size_t digits = at_;
        if (at_ < text_.size() && text_[at_] == '0')
            ++at_;
        else if (!run())
            return false;
        std::size_t count = at_ - digits;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            const std::size_t fraction = at_;
            if (!run())
                return false;
            count += at_ - fraction;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E'))
            return bail();
        return at_ > start && (count <= kPlainDigits || bail());
    }
    bool run()
    {
        const std::size_t start = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
            ++at_;
        return at_ > start;
    }

    // A member that is no string: as with a repeated name, the last one
    // counts, so what an earlier one said is gone.
    void noteOther(int depth, std::string_view key)
    {
        if (depth == 1 && key == "id") {
            idPresent_ = true;
            fields_.id.reset();
        } else if (depth == 1 && key == "time") {
            fields_.time.clear();
        } else if (depth == 1 && key == "unit") {
            fields_.unit.reset();
        } else if (depth == 1 && key == "outcome") {
            fields_.outcome = false;
            fields_.stage.reset();
        } else if (depth == 2 && inOutcome_ && key == "stage") {
            fields_.stage.reset();
        }
    }
    bool taken(int depth, std::string_view key, std::string_view content, bool escaped)
    {
        const bool ours = (depth == 1 && (key == "id" || key == "time" || key == "unit")) ||
                          (depth == 2 && inOutcome_ && key == "stage");
        if (!ours) {
            noteOther(depth, key);   // an "outcome" that is a string is none
            return true;
        }
        if (escaped)
            return bail();
        if (depth == 1 && key == "id") {
            idPresent_ = true;
            fields_.id = IsUuidText(content) ? std::optional<std::string>(content) : std::nullopt;
        } else if (depth == 1 && key == "time") {
            fields_.time = content;
        } else if (depth == 1 && key == "unit") {
            fields_.unit = content;
        } else {
            fields_.stage = content;
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int deepest_;
    RecordFields& fields_;
    bool& idPresent_;
    bool inOutcome_ = false;
    bool unsure_ = false;
};

} // namespace

LineScan ScanRecordLine(std::string_view line, int deepest, RecordFields& fields, bool& idPresent)
{
    return Scanner(line, deepest, fields, idPresent).scan();
}

} // namespace zorvane
