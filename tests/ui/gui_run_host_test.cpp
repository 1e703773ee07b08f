#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QObject>

#include <future>
#include <thread>

#include "ui/gui_run_host.h"

namespace zorvane::ui {
namespace {

using namespace std::chrono_literals;

struct CountingDisplay : RunDisplay {
    BoxButton showRunBox(const BoxRequest&) override
    {
        ++boxes;
        return BoxButton::Ok;
    }
    void showProgress(double) override {}
    void showStatus(const std::string&) override {}
    void showResult(ResultBox, const std::string&) override {}
    int boxes = 0;
};

// The worker asks; the window's thread never shows the box. Whether its
// queued call is dropped or the run is cancelled, the worker hears Stop.
TEST(GuiRunHost, AQuestionNeverShownAnswersStop)
{
    enum class Way { Dropped, Cancelled };
    for (Way way : {Way::Dropped, Way::Cancelled}) {
        QObject context;
        CountingDisplay display;
        GuiRunHost host(context, display);
        std::stop_source stop;
        auto answer = std::async(std::launch::async, [&] {
            return host.confirmReset(MakeMessage(MessageId::ResetRadio), stop.get_token());
        });
        if (way == Way::Cancelled)
            stop.request_stop();
        // Dropping the queued call is what the window's thread does to calls
        // for an object that is going away.
        while (answer.wait_for(0s) != std::future_status::ready) {
            if (way == Way::Dropped)
                QCoreApplication::removePostedEvents(&context, QEvent::MetaCall);
            std::this_thread::yield();
        }
        EXPECT_EQ(answer.get(), Answer::Stop);
        QCoreApplication::removePostedEvents(&context, QEvent::MetaCall);
        EXPECT_EQ(display.boxes, 0);
    }
}

TEST(GuiRunHost, TheOperatorsAnswerReachesTheWorker)
{
    QObject context;
    CountingDisplay display;
    GuiRunHost host(context, display);
    std::stop_source stop;
    auto answer = std::async(std::launch::async, [&] {
        return host.askOnLineError({RunStage::ProgramFlash, 0x8000, MakeMessage(MessageId::LineError), ""},
                                   stop.get_token());
    });
    while (answer.wait_for(0s) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_EQ(answer.get(), Answer::GoOn);
    EXPECT_EQ(display.boxes, 1);
}

} // namespace
} // namespace zorvane::ui
