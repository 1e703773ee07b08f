// The window's side of a run: each call from the run's worker thread is
// forwarded to the window's thread in order; displays are queued, message
// boxes wait for the operator's answer.
#pragma once

#include "engine/run_host.h"
#include "ui/run_display.h"

class QObject;

namespace zorvane::ui {

class GuiRunHost final : public RunHost {
public:
    // context: a QObject living on the window's thread.
    GuiRunHost(QObject& context, RunDisplay& display) : context_(context), display_(display) {}

    BoxButton MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    void setProgress(double percent) override;
    void setStatusText(const std::string& text) override;
    void setResultBox(ResultBox box, const std::string& text) override;
    void setCommMenuEnabled(bool enabled) override;

private:
    QObject& context_;
    RunDisplay& display_;
};

} // namespace zorvane::ui
