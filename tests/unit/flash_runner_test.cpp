#include <gtest/gtest.h>

#include <future>

#include "engine/flash_runner.h"
#include "kit/radio_port.h"
#include "kit/recording_host.h"
#include "kit/scripted_radio.h"
#include "kit/temp_dir.h"
#include "srec_writer.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<testkit::RadioPort> portReporting(testkit::FakeClock& clock, std::promise<bool>& closedAtEnd)
{
    return std::make_unique<testkit::RadioPort>(
        clock, [&closedAtEnd](testkit::RadioPort& port) { closedAtEnd.set_value(!port.PortOpen()); });
}

class Runner : public ::testing::Test {
protected:
    Runner()
    {
        std::vector<std::uint8_t> boot(1025, 0x42);
        std::vector<std::uint8_t> firmware(64, 0x24);
        dir.write("boot.s19", radio::SRecordImage(0, boot, 100));
        dir.write("main.s19", radio::SRecordImage(0x8000, firmware));
        request.platform = files::PlatformConfig{"tessivar.cfg", "boot.s19", "main.s19", "", "3F", 0x3F};
    }

    RunReport runToEnd(FlashRunner& runner)
    {
        std::promise<RunReport> done;
        EXPECT_TRUE(runner.start(request, [&](const RunReport& r) { done.set_value(r); }));
        RunReport report = done.get_future().get();
        runner.wait();
        return report;
    }

    FlashRunner::PortFactory fakePorts(testkit::FakeClock& clock)
    {
        return [&clock, this] { return portReporting(clock, closedAtEnd); };
    }

    testkit::TempDir dir;
    testkit::RecordingHost host;
    RunRequest request;
    std::promise<bool> closedAtEnd;
};

TEST_F(Runner, HandsTheReportBack)
{
    testkit::FakeClock clock;
    FlashRunner runner(fakePorts(clock), clock, host);
    const RunReport report = runToEnd(runner);
    EXPECT_EQ(report.outcome, RunOutcome::Success);
    EXPECT_EQ(report.bootVersion, "1.0");
    EXPECT_EQ(report.bootChecksum, 1025 * 0x42 % 65536);
    EXPECT_TRUE(closedAtEnd.get_future().get());
    EXPECT_FALSE(runner.running());
}

TEST_F(Runner, SecondStartIsRefusedWhileARunIsInProgress)
{
    testkit::FakeClock clock;
    FlashRunner runner(fakePorts(clock), clock, host);
    std::promise<void> inPrompt;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    host.onMessage = [&](const Message& message) {
        if (message.id == MessageId::ResetRadio) {
            inPrompt.set_value();
            released.wait();
        }
    };
    std::promise<RunReport> done;
    ASSERT_TRUE(runner.start(request, [&](const RunReport& r) { done.set_value(r); }));
    inPrompt.get_future().wait();
    EXPECT_TRUE(runner.running());
    EXPECT_FALSE(runner.start(request, nullptr));
    release.set_value();
    EXPECT_EQ(done.get_future().get().outcome, RunOutcome::Success);
    runner.wait();

    host.onMessage = nullptr;
    closedAtEnd = {};
    EXPECT_EQ(runToEnd(runner).outcome, RunOutcome::Success) << "a new run starts once the last has ended";
}

TEST_F(Runner, StartingAgainDoesNotWaitForTheLastRunsHandler)
{
    // Bounded only so that a start that waits fails the test instead of hanging it.
    constexpr auto kLongerThanAnyStart = 10s;
    testkit::FakeClock clock;
    FlashRunner runner(fakePorts(clock), clock, host);
    std::promise<void> firstEnding;
    std::promise<void> secondStarted;
    std::future<void> started = secondStarted.get_future();
    std::future_status firstSaw = std::future_status::timeout;
    ASSERT_TRUE(runner.start(request, [&](const RunReport&) {
        firstEnding.set_value();
        firstSaw = started.wait_for(kLongerThanAnyStart);   // as a record still being written
    }));
    firstEnding.get_future().wait();

    closedAtEnd = {};
    std::promise<RunReport> secondDone;
    EXPECT_TRUE(runner.start(request, [&](const RunReport& r) { secondDone.set_value(r); }));
    secondStarted.set_value();
    EXPECT_EQ(secondDone.get_future().get().outcome, RunOutcome::Success);
    runner.wait();
    EXPECT_EQ(firstSaw, std::future_status::ready) << "the second start waited for the first run's handler";
}

TEST_F(Runner, CancelWhileAPromptIsOpenShowsNothingMore)
{
    testkit::FakeClock clock;
    FlashRunner runner(fakePorts(clock), clock, host);
    host.onMessage = [&](const Message&) { runner.cancel(); };
    EXPECT_EQ(runToEnd(runner).outcome, RunOutcome::Cancelled);
    EXPECT_EQ(host.messageIds(), std::vector{MessageId::ResetRadio});
    EXPECT_TRUE(closedAtEnd.get_future().get());
}

// The real clock, with every sleep an hour longer: only a stop request
// that wakes the sleep lets the run end.
class HourLongSleeps final : public link::Clock {
public:
    time_point now() const override { return real_.now(); }
    bool sleepUntil(time_point deadline, std::stop_token stop) override
    {
        return real_.sleepUntil(deadline + std::chrono::hours(1), stop);
    }

private:
    link::SteadyClock real_;
};

TEST_F(Runner, CancelWakesARealWaitAtOnce)
{
    HourLongSleeps clock;
    testkit::FakeClock portClock;   // stamps the writes; the run waits on the real clock
    std::promise<void> waiting;
    FlashRunner runner(
        [&] {
            auto port = portReporting(portClock, closedAtEnd);
            // The first smart-mode write is followed by a one-second wait.
            port->onWrite = [&waiting, first = true](auto, auto) mutable {
                if (std::exchange(first, false))
                    waiting.set_value();
            };
            return port;
        },
        clock, host);
    std::promise<RunReport> done;
    ASSERT_TRUE(runner.start(request, [&](const RunReport& r) { done.set_value(r); }));
    waiting.get_future().wait();
    runner.cancel();
    EXPECT_EQ(done.get_future().get().outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(host.messages().empty());
    runner.wait();
}

TEST_F(Runner, PortThatCannotBeMadeEndsTheRunWithAMessage)
{
    testkit::FakeClock clock;
    FlashRunner runner([]() -> std::unique_ptr<link::SerialPort> { throw std::runtime_error("no serial support"); },
                       clock, host);
    const RunReport report = runToEnd(runner);
    EXPECT_EQ(report.outcome, RunOutcome::InternalError);
    EXPECT_EQ(report.cause, "no serial support");
    ASSERT_TRUE(report.fault);
    EXPECT_EQ(FaultFieldsOf(*report.fault).kind, "internal");
    EXPECT_EQ(host.messageIds(), std::vector{MessageId::RunNotStarted});
}

} // namespace
} // namespace zorvane
