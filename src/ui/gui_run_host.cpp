#include "ui/gui_run_host.h"

#include <QtCore/QMetaObject>
#include <QtCore/QObject>

namespace zorvane::ui {

BoxButton GuiRunHost::MsgBox(const std::string& text, BoxStyle style, const std::string& title)
{
    BoxButton button = BoxButton::Cancel;
    QMetaObject::invokeMethod(
        &context_, [&] { button = display_.showRunBox({text, style, title}); }, Qt::BlockingQueuedConnection);
    return button;
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
