// What the window shows of a run, called on the window's own thread.
#pragma once

#include <string>

#include "engine/run_types.h"
#include "ui/message_box.h"

namespace zorvane::ui {

class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    // A run's box; returns when the operator has closed it.
    virtual BoxButton showRunBox(const BoxRequest& request) = 0;
    virtual void showProgress(double percent) = 0;
    virtual void showStatus(const std::string& text) = 0;
    virtual void showResult(ResultBox box, const std::string& text) = 0;
};

} // namespace zorvane::ui
