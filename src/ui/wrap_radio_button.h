// An option button whose caption wraps within its box, as the platform
// buttons' captions do when they are wider than the button.
#pragma once

#include <QtWidgets/QRadioButton>

namespace zorvane::ui {

class WrapRadioButton : public QRadioButton {
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace zorvane::ui

using zorvane::ui::WrapRadioButton;
