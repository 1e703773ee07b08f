// frmMain: the platform choice, "Begin FLASH", the results of the last run,
// the Comm menu and the saved window position.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QMainWindow>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <memory>
#include <optional>
#include <vector>

#include "engine/flash_runner.h"
#include "link/device_identity.h"
#include "records/record_forwarder.h"
#include "records/record_writer.h"
#include "ui/run_display.h"

class QLabel;
class QRadioButton;

namespace Ui {
class frmMain;
}

namespace zorvane::ui {

class GuiRunHost;

// What the window takes from the per-user settings, read once as it starts.
struct WindowSettings {
    std::string folder;               // where the settings live: trusted.gpg is looked for beside them
    bool requireSignature = false;    // [Files] RequireSignature: every run needs a signed SHA256SUMS
    std::string database;             // [Records] Database: where the flash records are sent; empty: nowhere
};
WindowSettings ReadWindowSettings();

// Where the window's runs get their port, clock and thread.
struct RunDependencies {
    FlashRunner::PortFactory makePort;
    link::Clock* clock = nullptr;
    ThreadStarter startThread = StartStdThread;
    // The device a Comm entry opens, for the flash records.
    std::function<link::DeviceIdentity(int commPort)> describeDevice;
    std::string recordFile;   // where the flash records go; empty: nowhere
    WindowSettings settings{};   // the production wiring reads them; tests give their own
    // Where the platforms' files, SHA256SUMS and the help file are; empty:
    // the folder the program was started in.
    std::filesystem::path workingFolder;
};

class frmMain final : public QMainWindow, public RunDisplay {
    Q_OBJECT

public:
    explicit frmMain(RunDependencies dependencies, QWidget* parent = nullptr);
    ~frmMain() override;

    // Tests answer message boxes instead of an operator.
    void setBoxResponder(BoxResponder responder) { responder_ = std::move(responder); }
    // Windows opened from here (help, About) are closed when this one unloads.
    void registerWindow(QWidget* window);
    // In a working folder chosen for it (not the one it was started in), the
    // window names its files with their full paths in its messages.
    void showFullPaths(bool full) { fullPaths_ = full; }

    std::int16_t commPort() const { return commPort_; }
    // The chosen platform's configuration, once its file has loaded.
    const std::optional<files::PlatformConfig>& platform() const { return platform_; }
    // What the last run found and how it ended.
    const std::optional<RunReport>& lastReport() const { return lastReport_; }
    bool runInProgress() const { return runner_->running(); }
    // The terminal that started the window went away: a run under way is
    // finished (its boxes still come here), then the window closes.
    void hangUp();

    // RunDisplay: what a run shows, on this window's thread.
    BoxButton showRunBox(const BoxRequest& request) override;
    void showProgress(double percent) override;
    void showStatus(const std::string& text) override;
    void showResult(ResultBox box, const std::string& text) override;

signals:
    void runFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();
    void cmdBeginFlash_Click();
    void selectPort(std::int16_t port);
    void mnuHelpViewHelpFile_Click();
    void mnuHelpAbout_Click();
    void optPlatform_Click(std::size_t row);
    void showFileLabel(QLabel* label, const std::string& caption, const std::string& fileName);
    void runEnded(const RunReport& report, const std::optional<std::string>& recordError);
    // Starts sending the flash records to the records database, if there is one.
    void startForwarding(const std::string& database);
    void forwardRecords();
    // Holds the run to the release manifest in the working folder, if any;
    // false (and the configuration's box) when the manifest refuses it.
    bool holdToRelease(RunRequest& request);
    // What keeps the run's flash record, or none when no record is kept.
    std::shared_ptr<FileRecorder> recorderFor(const RunRequest& request) const;
    void showWarning(const QString& text);
    // Everything the status panel shows goes through here.
    void setStatus(const QString& text);
    void enableCommMenu(bool enabled);
    void updateClockPanels();
    void setUpStatusBar();
    void setUpGeometry();
    QRadioButton* platformButton(std::size_t row) const;
    QLabel* platformPicture(std::size_t row) const;
    BoxButton box(const std::string& text, BoxStyle style, const std::string& title);

    std::unique_ptr<Ui::frmMain> ui;
    std::int16_t commPort_ = 1;
    std::optional<files::PlatformConfig> platform_;
    std::optional<RunReport> lastReport_;
    std::function<link::DeviceIdentity(int)> describeDevice_;
    std::string recordFile_;
    std::filesystem::path workingFolder_;
    WindowSettings settings_;
    bool fullPaths_ = false;
    QLabel* statusPanel_ = nullptr;
    std::uint64_t statusWrites_ = 0;   // a warning's timer restores the port only if none came since
    QLabel* datePanel_ = nullptr;
    QLabel* timePanel_ = nullptr;
    QTimer clockTimer_;
    BoxResponder responder_;
    std::unique_ptr<GuiRunHost> host_;
    std::unique_ptr<FlashRunner> runner_;
    std::unique_ptr<RecordForwarder> forwarder_;
    std::vector<QPointer<QWidget>> otherWindows_;
    bool closeAfterRun_ = false;
    bool cancelling_ = false;
};

} // namespace zorvane::ui
