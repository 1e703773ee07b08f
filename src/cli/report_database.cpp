#include "cli/report_database.h"

#include <memory>
#include <thread>
#include <vector>

#include "records/records_database.h"
#include "report/report_queries.h"

namespace zorvane::cli {

namespace {

using Rows = std::vector<std::string>;

// The answers to some of the questions, in their order, on a connection of their own.
std::variant<std::vector<Rows>, std::string> ask(const std::string& url, const std::vector<report::Question>& questions,
                                                 const report::Period& period, const std::string& zoneName,
                                                 std::size_t units)
{
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
    std::vector<Rows> answers;
    for (const report::Question question : questions) {
        auto rows = database.reportRows(report::QuestionSql(question),
                                        report::QuestionParameters(question, period, zoneName, units));
        if (const std::string* error = std::get_if<std::string>(&rows))
            return *error;
        answers.push_back(std::move(std::get<Rows>(rows)));
    }
    return answers;
}

} // namespace

std::variant<report::Figures, std::string> FiguresFromDatabase(const std::string& url, const report::Period& period,
                                                                report::Zone zone, std::size_t units)
{
    const std::optional<std::string> zoneName = report::ZoneIdentifier(zone);
    if (!zoneName)
        return std::string("this machine's time zone has no name the database knows: set TZ (such as "
                           "TZ=Europe/Berlin), or give --utc");
    // The tallies take as long as the other questions together: they are
    // asked on a second connection meanwhile.
    std::variant<std::vector<Rows>, std::string> tallies, rest;
    {
        const std::jthread second([&] { tallies = ask(url, {report::Question::Tallies}, period, *zoneName, units); });
        rest = ask(url, {report::Question::Spread, report::Question::Firmware, report::Question::Units}, period,
                   *zoneName, units);
    }
    for (const auto* answer : {&tallies, &rest})
        if (const std::string* error = std::get_if<std::string>(answer))
            return *error;
    report::Answers answers = std::move(std::get<std::vector<Rows>>(tallies));
    for (Rows& rows : std::get<std::vector<Rows>>(rest))
        answers.push_back(std::move(rows));
    return report::FiguresOfAnswers(answers, zone);
}

} // namespace zorvane::cli
