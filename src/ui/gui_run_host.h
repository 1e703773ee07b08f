// The window's side of a run: each event from the run's worker thread is
// forwarded to the window's thread in order; displays are queued, boxes
// wait for the operator's answer.
#pragma once

#include <QtCore/QMetaObject>
#include <QtCore/QObject>

#include "engine/run_host.h"
#include "ui/run_display.h"

namespace zorvane::ui {

class GuiRunHost final : public RunHost {
public:
    // context: a QObject living on the window's thread.
    GuiRunHost(QObject& context, RunDisplay& display) : context_(context), display_(display) {}

    void stageStarted(RunStage) override {}
    void progress(const RunProgress& progress) override;
    void statusChanged(const std::string& text) override;
    void resultsCleared() override;
    void resultReady(ResultBox box, const std::string& text) override;
    Answer confirmReset(const Message& prompt, std::stop_token stop) override;
    Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) override;
    void showFailure(const RunFailure& failure, std::stop_token stop) override;
    void showSuccess(const Message& message, std::stop_token stop) override;

private:
    // Shows the box on the window's thread and waits for its answer; Stop
    // when stop is requested or the window's thread drops the call.
    Answer ask(const Message& message, std::stop_token stop);
    // Queues a call to the display on the window's thread.
    template <typename Display>
    void post(Display&& display)
    {
        QMetaObject::invokeMethod(&context_, std::forward<Display>(display), Qt::QueuedConnection);
    }

    QObject& context_;
    RunDisplay& display_;
};

} // namespace zorvane::ui
