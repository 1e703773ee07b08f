// The window's message boxes: modal over their window, with the exclamation
// icon for warnings and none otherwise. Tests answer them through a
// responder instead of showing them.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/messages.h"

class QWidget;

namespace zorvane::ui {

enum class BoxButton { Ok, Cancel };

struct BoxRequest {
    std::string text;   // lines separated by a carriage return
    BoxStyle style;
    std::string title;
    std::optional<MessageId> id = std::nullopt;   // a run's message; the window's own boxes have none
};

// A run's message as a box.
BoxRequest RequestFor(const Message& message);

using BoxResponder = std::function<BoxButton(const BoxRequest&)>;

// Shows the box and returns the button chosen; the responder, when set, answers instead.
BoxButton ShowBox(QWidget* parent, const BoxRequest& request, const BoxResponder& responder);

} // namespace zorvane::ui
