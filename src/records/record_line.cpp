#include "records/record_line.h"

#include "records/record_id.h"
#include "records/record_scan.h"

namespace zorvane {

namespace {

// Deeper than any record goes: such a line is damage, and a database's
// parser may refuse it as if for a passing reason, holding up every record
// after it.
constexpr int kDeepest = 32;

// Takes the few fields a reader needs as the parser meets them, and the
// same limits as RecordObject: one object, no deeper than kDeepest.
class FieldReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    RecordFields fields;
    bool idPresent = false;

    bool null() override { return value(nullptr); }
    bool boolean(bool) override { return value(nullptr); }
    bool number_integer(number_integer_t) override { return value(nullptr); }
    bool number_unsigned(number_unsigned_t) override { return value(nullptr); }
    bool number_float(number_float_t, const string_t&) override { return value(nullptr); }
    bool string(string_t& text) override { return value(&text); }
    bool binary(binary_t&) override { return value(nullptr); }
    bool key(string_t& name) override { return key_ = name, true; }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

    bool whole() const { return topIsObject_; }

private:
    bool value(const std::string* text)
    {
        if (depth_ == 1 && key_ == "id") {
            idPresent = true;
            fields.id = text != nullptr && IsUuidText(*text) ? std::optional(*text) : std::nullopt;
        } else if (depth_ == 1 && key_ == "time") {
            fields.time = text != nullptr ? *text : "";
        } else if (depth_ == 1 && key_ == "unit") {
            fields.unit = text != nullptr ? std::optional(*text) : std::nullopt;
        } else if (depth_ == 1 && key_ == "outcome") {
            fields.outcome = false;
            fields.stage.reset();
        } else if (depth_ == 2 && inOutcome_ && key_ == "stage") {
            fields.stage = text != nullptr ? std::optional(*text) : std::nullopt;
        }
        return true;
    }
    bool open(bool object)
    {
        if (depth_ == 0)
            topIsObject_ = object;
        if (depth_ == 1 || (depth_ == 2 && inOutcome_))
            value(nullptr);   // a member that is no string
        if (depth_ == 1 && object && key_ == "outcome")
            fields.outcome = inOutcome_ = true;
        return ++depth_ <= kDeepest;
    }
    bool close()
    {
        if (--depth_ == 1)
            inOutcome_ = false;
        return true;
    }

    int depth_ = 0;
    bool topIsObject_ = false;
    bool inOutcome_ = false;
    std::string key_;
};

} // namespace

std::optional<nlohmann::json> RecordObject(std::string_view line)
{
    bool tooDeep = false;
    const auto depthCheck = [&tooDeep](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        tooDeep = tooDeep || depth > kDeepest;
        return !tooDeep;
    };
    // Without exceptions: a damaged line is an everyday thing in a file that
    // a crash or a full disk can cut short.
    nlohmann::json object = nlohmann::json::parse(line, depthCheck, false);
    if (tooDeep || object.is_discarded() || !object.is_object())
        return std::nullopt;
    return object;
}


std::optional<std::string> RecordIdOf(std::string_view line)
{
    std::optional<RecordFields> fields = RecordFieldsOf(line);
    return fields ? std::move(fields->id) : std::nullopt;
}

std::optional<RecordFields> RecordFieldsOf(std::string_view line)
{
    RecordFields quick;
    bool idPresent = false;
    switch (ScanRecordLine(line, kDeepest, quick, idPresent)) {
    case LineScan::NotRecord: return std::nullopt;
    case LineScan::Record:
        if (!idPresent)
            quick.id = IdFromLine(line);
        return quick;
    case LineScan::Unsure: break;
    }
    FieldReader reader;
    if (!nlohmann::json::sax_parse(line, &reader) || !reader.whole())
        return std::nullopt;
    if (!reader.idPresent)
        reader.fields.id = IdFromLine(line);
    return reader.fields;
}

} // namespace zorvane
