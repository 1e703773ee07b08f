#include "ui/gui_run_host.h"

#include "engine/answer_slot.h"

namespace zorvane::ui {

Answer GuiRunHost::ask(const Message& message, std::stop_token stop)
{
    // Only the queued call holds the promise: if the window's thread drops
    // the call unanswered, the promise answers Stop as it goes.
    auto slot = std::make_shared<AnswerSlot>();
    post([this, answer = AnswerPromise(slot), request = RequestFor(message)] {
        answer.give(display_.showRunBox(request) == BoxButton::Ok ? Answer::GoOn : Answer::Stop);
    });
    return slot->wait(stop);
}

void GuiRunHost::progress(const RunProgress& progress)
{
    post([this, percent = progress.percent] { display_.showProgress(percent); });
}

void GuiRunHost::statusChanged(const std::string& text)
{
    post([this, text] { display_.showStatus(text); });
}

void GuiRunHost::resultsCleared()
{
    post([this] {
        for (ResultBox box : {ResultBox::BootVers, ResultBox::BootCsum, ResultBox::Config, ResultBox::EepromCsum,
                              ResultBox::FirmwareCsum})
            display_.showResult(box, {});
    });
}

void GuiRunHost::resultReady(ResultBox box, const std::string& text)
{
    post([this, box, text] { display_.showResult(box, text); });
}

Answer GuiRunHost::confirmReset(const Message& prompt, std::stop_token stop)
{
    return ask(prompt, stop);
}

Answer GuiRunHost::askOnLineError(const LineErrorQuestion& question, std::stop_token stop)
{
    return ask(question.message, stop);
}

void GuiRunHost::showFailure(const RunFailure& failure, std::stop_token stop)
{
    ask(failure.message, stop);
}

void GuiRunHost::showSuccess(const Message& message, std::stop_token stop)
{
    ask(message, stop);
}

} // namespace zorvane::ui
