#include "cli/report_database.h"

#include <memory>

#include "records/records_database.h"
#include "report/report_queries.h"

namespace zorvane::cli {

std::variant<report::Figures, std::string> FiguresFromDatabase(const std::string& url, const report::Period& period,
                                                                report::Zone zone, std::size_t units)
{
    const std::optional<std::string> zoneName = report::ZoneIdentifier(zone);
    if (!zoneName)
        return std::string("this machine's time zone has no name the database knows: set TZ (such as "
                           "TZ=Europe/Berlin), or give --utc");
    os::SocketWaiter waiter;
    auto connected = RecordsDatabase::Connect(url, waiter);
    if (const std::string* error = std::get_if<std::string>(&connected))
        return *error;
    RecordsDatabase& database = *std::get<std::unique_ptr<RecordsDatabase>>(connected);
    const std::variant<int, std::string> version = database.schemaVersion();
    if (const std::string* error = std::get_if<std::string>(&version))
        return *error;
    if (std::optional<std::string> problem = SchemaProblem(std::get<int>(version), url))
        return *problem;
    report::Answers answers;
    for (const report::Question question : report::kQuestions) {
        auto rows =
            database.reportRows(report::QuestionSql(question), report::QuestionParameters(question, period, *zoneName, units));
        if (const std::string* error = std::get_if<std::string>(&rows))
            return *error;
        answers.push_back(std::move(std::get<std::vector<std::string>>(rows)));
    }
    return report::FiguresOfAnswers(answers, zone);
}

} // namespace zorvane::cli
