#include "cli/line_error_policy.h"

namespace zorvane::cli {

LineErrorDecision DecideLineError(LineErrorAnswer configured, bool canAsk)
{
    switch (configured) {
    case LineErrorAnswer::Continue:
        return {Answer::GoOn, "Going on with the next block (--on-line-error continue)."};
    case LineErrorAnswer::Cancel:
        return {Answer::Stop, "Stopping (--on-line-error cancel)."};
    case LineErrorAnswer::Ask:
        break;
    }
    if (!canAsk)
        return {Answer::Stop, "No terminal to ask: stopping."};
    return {std::nullopt, {}};
}

Answer AnswerWithoutAsking(LineErrorAnswer configured, const std::function<void(const std::string&)>& say)
{
    const LineErrorDecision decided = DecideLineError(configured, false);
    say(decided.said);
    return decided.answer.value_or(Answer::Stop);
}

} // namespace zorvane::cli
