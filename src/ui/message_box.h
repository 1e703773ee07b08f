// The window's message boxes: modal over their window, with the exclamation
// icon for warnings and none otherwise. Tests answer them through a
// responder instead of showing them.
#pragma once

#include <functional>
#include <string>

#include "engine/run_host.h"

class QWidget;

namespace zorvane::ui {

struct BoxRequest {
    std::string text;   // lines separated by a carriage return
    BoxStyle style;
    std::string title;
};

using BoxResponder = std::function<BoxButton(const BoxRequest&)>;

// Shows the box and returns the button chosen; the responder, when set, answers instead.
BoxButton ShowBox(QWidget* parent, const BoxRequest& request, const BoxResponder& responder);

} // namespace zorvane::ui
