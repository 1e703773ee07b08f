#include "cli/terminal_input.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>

namespace zorvane::cli {

namespace {
constexpr int kInputPollMs = 100;   // how often a waiting prompt looks at a stop request
}

std::optional<std::string> ReadLine(const std::stop_token& stop)
{
    std::string line;
    while (!stop.stop_requested()) {
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&pfd, 1, kInputPollMs) <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return std::nullopt;   // end of input: nobody is there to answer
        if (c == '\n')
            return line;
        if (c != '\r')
            line.push_back(c);
    }
    return std::nullopt;
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
    return ::isatty(STDIN_FILENO) != 0;
}

bool OutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) != 0;
}

} // namespace zorvane::cli
