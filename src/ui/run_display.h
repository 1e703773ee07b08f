// What the window shows of a run, called on the window's own thread.
#pragma once

#include <string>

#include "engine/run_host.h"
#include "ui/message_box.h"

namespace zorvane::ui {

class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    virtual BoxButton showRunBox(const BoxRequest& request) = 0;
    virtual void showProgress(double percent) = 0;
    virtual void showStatus(const std::string& text) = 0;
    virtual void showResult(ResultBox box, const std::string& text) = 0;
    virtual void enableCommMenu(bool enabled) = 0;
};

} // namespace zorvane::ui
