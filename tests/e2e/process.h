// A child process for end-to-end tests: its output is collected, and it is
// killed if it outlives its time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace zorvane::testkit {

struct ProcessResult {
    int exitCode = -1;       // -1 when killed by a signal
    bool timedOut = false;
    std::string output;      // standard output and standard error together
};

class Process {
public:
    // Starts argv[0] in the directory cwd with standard input from /dev/null,
    // or from a pipe that send() writes to when withInput.
    Process(const std::vector<std::string>& argv, const std::string& cwd, bool withInput = false);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Reads until a whole line has come; empty when the process ended first or time ran out.
    std::string readLine(std::chrono::milliseconds timeout);
    // Every writer of the output has gone and every line of it was read.
    bool outputEnded() const { return ended_ && buffer_.find('\n', consumed_) == std::string::npos; }
    // Waits for the end; kills the process when the timeout passes.
    ProcessResult wait(std::chrono::milliseconds timeout);
    void signal(int number);
    // A line on the process's standard input; closeInput() ends it.
    void send(const std::string& line);
    void closeInput();

private:
    bool pump(int timeoutMs);

    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    bool ended_ = false;   // the output's writers have all gone
    std::string buffer_;
    std::size_t consumed_ = 0;
};

} // namespace zorvane::testkit
