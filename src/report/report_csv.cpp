#include "report/report_writers.h"

#include <string>

#include "os/utc_time.h"

namespace zorvane::report {

namespace {

// RFC 4180: a field with a comma, a quote or a line break goes in quotes,
// its quotes doubled.
std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

void WriteCsv(std::ostream& out, const Figures& figures)
{
    out << "schema,unit,time,bench,port,station,outcome,fault_kind,firmware_data_sha256,signed_by,runs\r\n";
    for (const UnitRow& row : figures.units) {
        const ReportRun& run = row.run;
        out << kCsvSchema;
        for (const std::string& field : {row.unit, os::UtcText(run.time), run.host, run.port, run.station, run.stage,
                                         run.faultKind, run.firmware, run.signer})
            out << ',' << csvField(field);
        out << ',' << row.runs << "\r\n";
    }
}

} // namespace zorvane::report
