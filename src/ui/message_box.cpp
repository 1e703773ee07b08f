#include "ui/message_box.h"

#include <QtWidgets/QMessageBox>

namespace zorvane::ui {

BoxRequest RequestFor(const Message& message)
{
    return {message.text, message.style, message.title, message.id};
}

BoxButton ShowBox(QWidget* parent, const BoxRequest& request, const BoxResponder& responder)
{
    if (responder)
        return responder(request);

    QString text = QString::fromStdString(request.text);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(request.style == BoxStyle::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(request.title), text,
                    request.style == BoxStyle::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);   // file names and causes are never markup
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::WindowModal);
    return box.exec() == QMessageBox::Cancel ? BoxButton::Cancel : BoxButton::Ok;
}

} // namespace zorvane::ui
