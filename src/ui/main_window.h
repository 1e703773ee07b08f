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
#include <thread>
#include <variant>
#include <vector>

#include "engine/flash_runner.h"
#include "link/device_identity.h"
#include "prepare/run_preparation.h"
#include "prepare/settings.h"
#include "records/record_writer.h"
#include "ui/run_display.h"

class QLabel;
class QRadioButton;

namespace Ui {
class frmMain;
}

namespace zorvane::ui {

class GuiRunHost;
class RecordSending;

// Where the window's runs get their port, clock and thread.
struct RunDependencies {
    FlashRunner::PortFactory makePort;
    link::Clock* clock = nullptr;
    ThreadStarter startThread = StartStdThread;
    // The device a Comm entry opens, for the flash records.
    std::function<link::DeviceIdentity(int commPort)> describeDevice;
    std::string recordFile;   // where the flash records go; empty: nowhere
    prepare::Settings settings{};   // the production wiring reads them; tests give their own
    // Keeps the window's position (twips, as text) as it closes; false when
    // it could not. None: the position is not kept.
    std::function<bool(const std::string& left, const std::string& top)> savePosition;
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
    // A run is being prepared or is under way.
    bool runInProgress() const { return preparing_ || runner_->running(); }
    // The terminal that started the window went away: a run under way is
    // finished (its boxes still come here), then the window closes.
    void hangUp();

    // RunDisplay: what a run shows, on this window's thread.
    BoxButton showRunBox(const BoxRequest& request) override;
    void showProgress(double percent) override;
    void showStatus(const std::string& text) override;
    void showResult(ResultBox box, const std::string& text) override;

signals:
    // A run has ended, or its preparation refused it.
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
    using Prepared = std::variant<prepare::PreparedPort, prepare::Refusal>;
    // Checks the files and reads the images off this thread, then starts the
    // run or shows why none starts.
    void prepareRun();
    void preparationEnded(Prepared& prepared);
    void startRun(const RunRequest& request, std::shared_ptr<FileRecorder> recorder);
    void runEnded(const RunReport& report, const std::optional<std::string>& recordError);
    void endWithoutRun();
    void saveWindowPosition();
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
    prepare::Settings settings_;
    std::function<bool(const std::string&, const std::string&)> savePosition_;
    bool fullPaths_ = false;
    QLabel* statusPanel_ = nullptr;
    std::uint64_t statusWrites_ = 0;   // a warning's timer restores the port only if none came since
    QLabel* datePanel_ = nullptr;
    QLabel* timePanel_ = nullptr;
    QTimer clockTimer_;
    BoxResponder responder_;
    std::unique_ptr<GuiRunHost> host_;
    std::unique_ptr<FlashRunner> runner_;
    std::unique_ptr<RecordSending> sending_;
    std::vector<QPointer<QWidget>> otherWindows_;
    std::jthread preparation_;
    bool preparing_ = false;
    bool closeAfterRun_ = false;
    bool cancelling_ = false;
};

} // namespace zorvane::ui
