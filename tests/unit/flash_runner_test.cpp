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
        state.gbootFile = "boot.s19";
        state.gfirmwareFile = "main.s19";
        state.gconfigVal = "3F";
        state.gconfigValHex = 0x3F;
    }

    RunResult runToEnd(FlashRunner& runner)
    {
        std::promise<RunResult> done;
        EXPECT_TRUE(runner.start(state, true, [&](const RunResult& r) { done.set_value(r); }));
        RunResult result = done.get_future().get();
        runner.wait();
        return result;
    }

    FlashRunner::PortFactory fakePorts(testkit::FakeClock& clock)
    {
        return [&clock, this] { return portReporting(clock, closedAtEnd); };
    }

    testkit::TempDir dir;
    testkit::RecordingHost host;
    FlashRunState state;
    std::promise<bool> closedAtEnd;
};

TEST_F(Runner, RunsOnItsOwnCopyAndHandsTheResultBack)
{
    testkit::FakeClock clock;
    FlashRunner runner(fakePorts(clock), clock, host);
    const RunResult result = runToEnd(runner);
    EXPECT_EQ(result.outcome, RunOutcome::Success);
    EXPECT_EQ(result.state.greturnedVersion, "1.0");
    EXPECT_EQ(result.state.gcheckSum, 1025 * 0x42 % 65536);
    EXPECT_EQ(state.greturnedVersion, "") << "the caller's state is not touched";
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
    host.onBox = [&](const testkit::ShownBox& box) {
        if (box.title == "KRIX Smart mode") {
            inPrompt.set_value();
            released.wait();
        }
    };
    std::promise<RunResult> done;
    ASSERT_TRUE(runner.start(state, true, [&](const RunResult& r) { done.set_value(r); }));
    inPrompt.get_future().wait();
    EXPECT_TRUE(runner.running());
    EXPECT_FALSE(runner.start(state, true, nullptr));
    release.set_value();
    EXPECT_EQ(done.get_future().get().outcome, RunOutcome::Success);
    runner.wait();

    host.onBox = nullptr;
    closedAtEnd = {};
    EXPECT_EQ(runToEnd(runner).outcome, RunOutcome::Success) << "a new run starts once the last has ended";
}

TEST_F(Runner, CancelWhileAPromptIsOpenShowsNothingMore)
{
    testkit::FakeClock clock;
    FlashRunner runner(fakePorts(clock), clock, host);
    host.onBox = [&](const testkit::ShownBox&) { runner.cancel(); };
    EXPECT_EQ(runToEnd(runner).outcome, RunOutcome::Cancelled);
    EXPECT_EQ(host.titles(), std::vector<std::string>{"KRIX Smart mode"});
    EXPECT_TRUE(closedAtEnd.get_future().get());
    EXPECT_EQ(host.commMenuStates().back(), true);
}

TEST_F(Runner, CancelWakesARealWaitAtOnce)
{
    link::SteadyClock clock;
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
    std::promise<RunResult> done;
    ASSERT_TRUE(runner.start(state, true, [&](const RunResult& r) { done.set_value(r); }));
    waiting.get_future().wait();
    const auto cancelledAt = std::chrono::steady_clock::now();
    runner.cancel();
    EXPECT_EQ(done.get_future().get().outcome, RunOutcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, 500ms);
    EXPECT_TRUE(host.boxes().empty());
    runner.wait();
}

TEST_F(Runner, PortThatCannotBeMadeEndsTheRunWithAMessage)
{
    testkit::FakeClock clock;
    FlashRunner runner([]() -> std::unique_ptr<link::SerialPort> { throw std::runtime_error("no serial support"); },
                       clock, host);
    EXPECT_EQ(runToEnd(runner).outcome, RunOutcome::InternalError);
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_NE(host.boxes()[0].text.find("no serial support"), std::string::npos);
    EXPECT_EQ(host.commMenuStates().back(), true);
}

} // namespace
} // namespace zorvane
