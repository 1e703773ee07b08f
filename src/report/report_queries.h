// The line's report from the records database: the server counts, with SQL
// aggregates over the table's columns, and sends one row per figure; these
// are the questions and the reading of their answers.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "report/report_figures.h"

namespace zorvane::report {

// Each question's parameters: $1 and $2 the period's ends (timestamptz
// text, -infinity and infinity for open ends); $3 for the questions of days
// and hours (tallies, spread) their time zone as the server names it, for
// the units' how many.
enum class Question { Tallies, Spread, Firmware, Units };
constexpr Question kQuestions[] = {Question::Tallies, Question::Spread, Question::Firmware, Question::Units};
const std::string& QuestionSql(Question question);

std::vector<std::string> QuestionParameters(Question question, const Period& period, const std::string& zoneName,
                                            std::size_t units);

// Each question's rows (their first column, a JSON array), in kQuestions' order.
using Answers = std::vector<std::vector<std::string>>;

// The figures, or what in the answers is not what the questions ask for.
std::variant<Figures, std::string> FiguresOfAnswers(const Answers& answers, Zone zone);

} // namespace zorvane::report
