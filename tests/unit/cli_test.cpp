#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "cli/cli_options.h"
#include "cli/reset_gate.h"
#include "cli/summary.h"

namespace zorvane::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliOptions, WhatTheCommandLineAccepts)
{
    const struct Case {
        Args args;
        const char* error;   // empty: accepted
    } cases[] = {
        {{"--port", "1", "--platform", "pellamar"}, ""},
        {{"--port", "/dev/ttyUSB0", "--port", "./ttyRADIO", "--config", "x.cfg", "--yes"}, ""},
        {{"--port", "3", "--platform", "pellamar"}, "--port takes 1, 2 or a device path"},
        {{"--port", "ttyUSB0", "--platform", "pellamar"}, "--port takes 1, 2 or a device path"},
        {{"--platform", "pellamar"}, "--port is required"},
        {{"--port", "1"}, "give either --platform or --config"},
        {{"--port", "1", "--port", "2", "--platform", "other", "--on-line-error", "ask"},
         "--on-line-error ask takes one port"},
        {{"--port", "1", "--port", "2", "--platform", "other", "--on-line-error", "continue"}, ""},
        {{"--port", "1", "--port", "2", "--platform", "other", "--trace", "t.txt"}, "--trace takes one port"},
        {{"--port", "1", "--platform", "other", "--record", "r.jsonl", "--no-record"},
         "give either --record or --no-record"},
        {{"--check", "--platform", "tessivar"}, ""},
        {{"--check"}, "give either --platform or --config"},
        {{"--list-ports"}, ""},
        {{"--port"}, "--port needs a value"},
        {{"--ports", "1"}, "unknown argument: --ports"},
    };
    for (const Case& c : cases) {
        CliOptions options;
        const std::optional<std::string> error = ParseCliOptions(c.args, options);
        if (*c.error == '\0')
            EXPECT_EQ(error, std::nullopt) << c.args[0] << " " << c.args[1];
        else
            EXPECT_EQ(error.value_or("").rfind(c.error, 0), 0u) << error.value_or("(accepted)");
    }
}

TEST(CliOptions, LineErrorsAreAskedOnlyWithOnePort)
{
    CliOptions one;
    ASSERT_EQ(ParseCliOptions({"--port", "1", "--platform", "other"}, one), std::nullopt);
    EXPECT_EQ(one.lineErrorAnswer(), LineErrorAnswer::Ask);
    CliOptions two;
    ASSERT_EQ(ParseCliOptions({"--port", "1", "--port", "/dev/ttyUSB0", "--platform", "other"}, two), std::nullopt);
    EXPECT_EQ(two.lineErrorAnswer(), LineErrorAnswer::Cancel);
}

// Three radios: one run ends before its prompt, the other two wait for
// each other; the operator is asked once, about the two.
TEST(ResetGate, AsksOnceWhenEveryRunIsIn)
{
    std::atomic<int> asked{0};
    std::vector<std::string> askedAbout;
    ResetGate gate({"A", "B", "C"}, [&](const std::vector<std::string>& ports, std::stop_token) {
        ++asked;
        askedAbout = ports;
        return Answer::GoOn;
    });
    std::stop_source stop;
    Answer a = Answer::Stop;
    Answer c = Answer::Stop;
    std::thread runA([&] { a = gate.arrive(0, stop.get_token()); });
    std::thread runC([&] { c = gate.arrive(2, stop.get_token()); });
    gate.leave(1, stop.get_token());
    runA.join();
    runC.join();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedAbout, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(a, Answer::GoOn);
    EXPECT_EQ(c, Answer::GoOn);
    gate.leave(0, stop.get_token());   // an arrived run that ends changes nothing
    EXPECT_EQ(asked, 1);
}

TEST(ResetGate, AStopReleasesTheWaitingRuns)
{
    ResetGate gate({"A", "B"}, [](const std::vector<std::string>&, std::stop_token) { return Answer::GoOn; });
    std::stop_source stop;
    Answer a = Answer::GoOn;
    std::thread runA([&] { a = gate.arrive(0, stop.get_token()); });
    stop.request_stop();   // B never comes: Ctrl-C
    runA.join();
    EXPECT_EQ(a, Answer::Stop);
}

TEST(Summary, ExitStatusOfSeveralRuns)
{
    const auto results = [](std::initializer_list<RunOutcome> outcomes) {
        std::vector<PortResult> all;
        for (RunOutcome outcome : outcomes) {
            RunReport report;
            report.outcome = outcome;
            all.push_back({"p", report});
        }
        return all;
    };
    EXPECT_EQ(ExitCodeForAll(results({RunOutcome::Success, RunOutcome::Success})), 0);
    EXPECT_EQ(ExitCodeForAll(results({RunOutcome::Success, RunOutcome::FlashFailed, RunOutcome::Success})), 8);
    EXPECT_EQ(ExitCodeForAll(results({RunOutcome::BootFailed, RunOutcome::PortFailed})), 5);
}

} // namespace
} // namespace zorvane::cli
