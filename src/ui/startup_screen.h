// The start-up screen: a borderless card with the product's name, version
// and logo, held on screen while the main window loads behind it.
#pragma once

#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

#include <chrono>
#include <cstdint>

namespace zorvane::ui {

// Module1's state: the start-up screen's timer sets the flag that Main waits for.
struct Module1 {
    bool gstartupDone = false;   // once the card has been shown long enough
};

constexpr std::chrono::milliseconds kStartupCardTime{2500};

class frmSplash final : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(Module1& module, std::chrono::milliseconds cardTime = kStartupCardTime);

    // Removes the card; only Main does this.
    void unload();

protected:
    // Clicks and keys on the card do nothing.
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Module1& module_;
    QTimer timer1_;
    bool unloading_ = false;
};

} // namespace zorvane::ui
