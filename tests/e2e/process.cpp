#include "e2e/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace zorvane::testkit {

Process::Process(const std::vector<std::string>& argv, const std::string& cwd, bool withInput)
{
    // The test runs threads: the child of fork() may only call async-signal-safe
    // functions, so every string and array it needs exists before the fork.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    char* const* const envp = environ;
    const char* const dir = cwd.c_str();
    int inputFds[2] = {-1, -1};
    if (withInput && ::pipe2(inputFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const int devNull = withInput ? inputFds[0] : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull < 0)
        throw std::runtime_error("cannot open /dev/null");
    in_ = inputFds[1];
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        ::close(devNull);
        throw std::runtime_error("pipe failed");
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test that dies must not leave its simulator or flasher behind.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // dup2 clears close-on-exec on the copies, so only these three pass to the program.
        if (::dup2(pipeFds[1], STDOUT_FILENO) < 0 || ::dup2(pipeFds[1], STDERR_FILENO) < 0 ||
            ::dup2(devNull, STDIN_FILENO) < 0 || ::chdir(dir) != 0)
            ::_exit(126);
        ::execve(args[0], args.data(), envp);
        ::_exit(127);
    }
    ::close(devNull);
    ::close(pipeFds[1]);
    if (pid_ < 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error("fork failed");
    }
    out_ = pipeFds[0];
}

Process::~Process()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        ::close(out_);
    closeInput();
}

void Process::send(const std::string& line)
{
    const std::string text = line + "\n";
    if (in_ < 0 || ::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("cannot write to the process");
}

void Process::closeInput()
{
    if (in_ >= 0)
        ::close(in_);
    in_ = -1;
}

bool Process::pump(int timeoutMs)
{
    pollfd pfd{out_, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0)
        return true;
    char chunk[4096];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) {
        ended_ = true;
        return false;   // every writer has gone
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

std::string Process::readLine(std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        const auto newline = buffer_.find('\n', consumed_);
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(consumed_, newline - consumed_);
            consumed_ = newline + 1;
            return line;
        }
        if (!pump(50))
            break;
    }
    return {};
}

void Process::signal(int number)
{
    if (pid_ > 0)
        ::kill(pid_, number);
}

ProcessResult Process::wait(std::chrono::milliseconds timeout)
{
    ProcessResult result;
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    bool open = true;
    while (true) {
        if (open)
            open = pump(50);
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_)
            break;
        if (!open)
            ::usleep(10000);
        if (std::chrono::steady_clock::now() >= end) {
            result.timedOut = true;
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
    }
    pid_ = -1;
    // Whatever the process wrote before it ended is still in the pipe.
    while (open) {
        pollfd pfd{out_, POLLIN, 0};
        if (::poll(&pfd, 1, 0) <= 0)
            break;
        open = pump(0);
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = buffer_;
    return result;
}

} // namespace zorvane::testkit
