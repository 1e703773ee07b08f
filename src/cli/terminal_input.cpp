#include "cli/terminal_input.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "os/signal_wait.h"

namespace zorvane::cli {

std::optional<std::string> ReadLine(const std::stop_token& stop)
{
    return os::ReadInputLine(stop).line;
}

Reply ReadReply(bool okIsDefault, const std::stop_token& stop)
{
    while (!stop.stop_requested()) {
        const std::optional<std::string> read = ReadLine(stop);
        if (!read)
            return stop.stop_requested() ? Reply::Cancel : Reply::NoAnswer;
        const std::string& line = *read;
        if (line.empty())
            return okIsDefault ? Reply::Ok : Reply::NoAnswer;
        const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (first == 'o' || first == 'y')
            return Reply::Ok;
        if (first == 'c' || first == 'n')
            return Reply::Cancel;
        std::fputs("Answer o (OK) or c (Cancel): ", stdout);
        std::fflush(stdout);
    }
    return Reply::Cancel;
}

bool InputIsTerminal()
{
    return os::InputIsTerminal();
}

bool OutputIsTerminal()
{
    return os::OutputIsTerminal();
}

Answer AskForReset(const std::string& question, const std::string& runs,
                   const std::function<void(const std::string&)>& say, std::stop_token stop)
{
    say(question);
    const Reply reply = ReadReply(true, stop);
    if (!InputIsTerminal())
        say("\n");   // a terminal echoed the Enter itself
    if (reply == Reply::Ok)
        return Answer::GoOn;
    say("\nNo answer to the reset prompt: stopping " + runs + " (use --yes to go on without one).\n");
    return Answer::Stop;
}

} // namespace zorvane::cli
