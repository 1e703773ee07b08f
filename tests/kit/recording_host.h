// A RunHost that remembers everything the run showed, and answers message
// boxes from a script (OK unless told otherwise).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace zorvane::testkit {

struct ShownBox {
    std::string text;
    BoxStyle style;
    std::string title;
};

class RecordingHost final : public RunHost {
public:
    BoxButton MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    void setProgress(double percent) override;
    void setStatusText(const std::string& text) override;
    void setResultBox(ResultBox box, const std::string& text) override;
    void setCommMenuEnabled(bool enabled) override;

    // Answers for the boxes to come, in order; OK once they run out.
    std::deque<BoxButton> answers;
    // Called for every box before it is answered.
    std::function<void(const ShownBox&)> onBox;

    std::vector<ShownBox> boxes() const;
    std::vector<std::string> titles() const;
    std::vector<std::string> statusTexts() const;
    std::vector<double> progress() const;
    std::vector<bool> commMenuStates() const;
    std::string result(ResultBox box) const;
    // Result boxes that hold text, in the window's order.
    std::vector<ResultBox> filledResults() const;

private:
    mutable std::mutex mutex_;
    std::vector<ShownBox> boxes_;
    std::vector<std::string> status_;
    std::vector<double> progress_;
    std::vector<bool> comm_;
    std::map<ResultBox, std::string> results_;
};

} // namespace zorvane::testkit
