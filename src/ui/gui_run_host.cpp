#include "ui/gui_run_host.h"

#include <QtCore/QMetaObject>
#include <QtCore/QObject>

#include <future>
#include <memory>

namespace zorvane::ui {

BoxButton GuiRunHost::MsgBox(const std::string& text, BoxStyle style, const std::string& title)
{
    // The answer comes back through a promise: if the window's thread drops
    // the call unanswered, the promise breaks and the run hears Cancel.
    auto answer = std::make_shared<std::promise<BoxButton>>();
    std::future<BoxButton> button = answer->get_future();
    QMetaObject::invokeMethod(
        &context_,
        [this, answer, request = BoxRequest{text, style, title}] { answer->set_value(display_.showRunBox(request)); },
        Qt::QueuedConnection);
    try {
        return button.get();
    } catch (const std::future_error&) {
        return BoxButton::Cancel;
    }
}

void GuiRunHost::setProgress(double percent)
{
    QMetaObject::invokeMethod(&context_, [this, percent] { display_.showProgress(percent); }, Qt::QueuedConnection);
}

void GuiRunHost::setStatusText(const std::string& text)
{
    QMetaObject::invokeMethod(&context_, [this, text] { display_.showStatus(text); }, Qt::QueuedConnection);
}

void GuiRunHost::setResultBox(ResultBox box, const std::string& text)
{
    QMetaObject::invokeMethod(&context_, [this, box, text] { display_.showResult(box, text); },
                              Qt::QueuedConnection);
}

void GuiRunHost::setCommMenuEnabled(bool enabled)
{
    QMetaObject::invokeMethod(&context_, [this, enabled] { display_.enableCommMenu(enabled); },
                              Qt::QueuedConnection);
}

} // namespace zorvane::ui
