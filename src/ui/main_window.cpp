#include "ui/main_window.h"

#include <QtCore/QDate>
#include <QtCore/QDir>
#include <QtCore/QSysInfo>
#include <QtCore/QLocale>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QTime>
#include <QtGui/QCloseEvent>
#include <QtGui/QFontMetrics>
#include <QtGui/QTextDocument>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include "records/record_writer.h"
#include "records/records_database.h"
#include "trust/release.h"
#include "engine/hex_text.h"
#include "engine/file_labels.h"
#include "files/text_files.h"
#include "files/platform_config.h"
#include "ui/about_box.h"
#include "ui/artwork.h"
#include "ui/fonts.h"
#include "ui/gui_run_host.h"
#include "ui/help_viewer.h"
#include "ui/platform_widgets.h"
#include "ui/twips.h"
#include "ui_main_window.h"
#include "zorvane_version.h"

namespace zorvane::ui {

namespace {

constexpr double kDefaultPositionTwips = 1000;
constexpr double kClientWidthTwips = 4785;     // the layout's client area
constexpr double kClientHeightTwips = 5550;
constexpr double kStatusBarHeightTwips = 270;
constexpr double kPanelMinWidthTwips = 1440;
constexpr auto kClockPanelRefresh = std::chrono::seconds(1);
constexpr auto kWarningTime = std::chrono::seconds(5);
// How long closing waits for flash records still being sent; the rest go
// at the next start.
constexpr auto kCloseSendTime = std::chrono::seconds(2);

const char* const kSettingsLeft = "Settings/MainLeft";
const char* const kSettingsTop = "Settings/MainTop";

QSettings settingsStore()
{
    return QSettings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE"));
}

// A saved position: the text of a number of twips; anything else counts as absent.
double savedTwips(const QSettings& store, const char* key)
{
    bool ok = false;
    const double value = store.value(key, QString::number(kDefaultPositionTwips)).toString().toDouble(&ok);
    return ok ? value : kDefaultPositionTwips;
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string inWorkingFolder(const std::filesystem::path& folder, const std::string& fileName)
{
    return fileName.empty() ? fileName : std::filesystem::absolute(files::InFolder(folder, fileName)).string();
}

// The platform's files named by their full paths, so that a missing one is
// named where it was looked for.
files::PlatformConfig withFullPaths(files::PlatformConfig config)
{
    for (std::string* file : {&config.bootFile, &config.firmwareFile, &config.eepromFile})
        *file = inWorkingFolder(config.folder, *file);
    return config;
}

} // namespace

WindowSettings ReadWindowSettings()
{
    const QSettings store = settingsStore();
    return {QFileInfo(store.fileName()).absolutePath().toStdString(),
            store.value(QStringLiteral("Files/RequireSignature")).toBool(),
            store.value(QStringLiteral("Records/Database")).toString().toStdString()};
}

frmMain::frmMain(RunDependencies dependencies, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
    host_ = std::make_unique<GuiRunHost>(*this, *this);
    runner_ = std::make_unique<FlashRunner>(std::move(dependencies.makePort), *dependencies.clock, *host_,
                                            std::move(dependencies.startThread));
    describeDevice_ = std::move(dependencies.describeDevice);
    recordFile_ = std::move(dependencies.recordFile);
    workingFolder_ = std::move(dependencies.workingFolder);
    settings_ = std::move(dependencies.settings);

    setFont(DialogFont());
    ui->cmdBeginFlash->setFont(DialogFont(kDialogFontPoints, true));

    setWindowIcon(ProgramIcon());
    ui->picPellamar->setPixmap(Picture("pellamar"));
    ui->picTessivar->setPixmap(Picture("tessivar"));
    setUpStatusBar();
    // File names, devices and causes come from outside: never markup.
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);

    connect(ui->cmdBeginFlash, &QPushButton::clicked, this, [this] { cmdBeginFlash_Click(); });
    connect(ui->mnuFileExit, &QAction::triggered, this, &QWidget::close);
    connect(ui->mnuCommComm1, &QAction::triggered, this, [this] { selectPort(1); });
    connect(ui->mnuCommComm2, &QAction::triggered, this, [this] { selectPort(2); });
    connect(ui->mnuHelpViewHelpFile, &QAction::triggered, this, [this] { mnuHelpViewHelpFile_Click(); });
    connect(ui->mnuHelpAbout, &QAction::triggered, this, [this] { mnuHelpAbout_Click(); });
    for (std::size_t row = 0; row < files::kPlatforms.size(); ++row)
        connect(platformButton(row), &QRadioButton::toggled, this, [this, row](bool checked) {
            if (checked)
                optPlatform_Click(row);
        });
    connect(&clockTimer_, &QTimer::timeout, this, &frmMain::updateClockPanels);
    clockTimer_.start(kClockPanelRefresh);

    Form_Load();
    startForwarding(settings_.database);
}

frmMain::~frmMain()
{
    forwarder_.reset();   // its rounds post to this window: they end first
    // A run still going lets go of the port before the window is gone. Its
    // questions answer Stop once it is cancelled, so it needs nothing more
    // of this thread; what it still posts here is dropped with the window.
    cancelling_ = true;
    runner_->cancel();
    runner_->wait();
}

void frmMain::setUpStatusBar()
{
    const double dpi = logicalDpiX();
    const int panelMin = TwipsToPixels(kPanelMinWidthTwips, dpi);
    statusPanel_ = new QLabel(tr("Status"), this);
    statusPanel_->setObjectName(QStringLiteral("sbStatusBarPanel1"));
    statusPanel_->setMinimumWidth(panelMin);
    datePanel_ = new QLabel(this);
    datePanel_->setObjectName(QStringLiteral("sbStatusBarPanel2"));
    datePanel_->setMinimumWidth(panelMin);
    timePanel_ = new QLabel(this);
    timePanel_->setObjectName(QStringLiteral("sbStatusBarPanel3"));
    timePanel_->setMinimumWidth(panelMin);
    for (QLabel* panel : {statusPanel_, datePanel_, timePanel_})
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui->sbStatusBar->addWidget(statusPanel_, 1);
    ui->sbStatusBar->addPermanentWidget(datePanel_);
    ui->sbStatusBar->addPermanentWidget(timePanel_);
    ui->sbStatusBar->setFixedHeight(TwipsToPixels(kStatusBarHeightTwips, dpi));
    updateClockPanels();
}

void frmMain::updateClockPanels()
{
    const QLocale locale;
    datePanel_->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    timePanel_->setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
}

void frmMain::setUpGeometry()
{
    // The layout's client area, with the menu bar above it as a title bar's
    // neighbour; the outer frame belongs to the window manager.
    const double dpi = logicalDpiX();
    setFixedSize(TwipsToPixels(kClientWidthTwips, dpi),
                 menuBar()->sizeHint().height() + TwipsToPixels(kClientHeightTwips, dpi));
}

void frmMain::Form_Load()
{
    const QSettings store = settingsStore();
    const double dpi = logicalDpiX();
    move(TwipsToPixels(savedTwips(store, kSettingsLeft), dpi), TwipsToPixels(savedTwips(store, kSettingsTop), dpi));
    setUpGeometry();
    ui->mnuCommComm1->setChecked(true);
    ui->mnuCommComm2->setChecked(false);
    commPort_ = 1;
    setStatus(fromStd(link::PortText(link::CommEntry{commPort_})));
    platform_.reset();
}

void frmMain::registerWindow(QWidget* window)
{
    otherWindows_.emplace_back(window);
}

void frmMain::Form_Unload()
{
    for (auto it = otherWindows_.rbegin(); it != otherWindows_.rend(); ++it)
        if (*it)
            (*it)->close();
    otherWindows_.clear();

    if (forwarder_)
        forwarder_->waitIdle(kCloseSendTime - RecordForwarder::kLetGoAfter);   // its end may wait the rest
    if (isMinimized())
        return;   // the position an earlier run saved stays
    QSettings store = settingsStore();
    const double dpi = logicalDpiX();
    store.setValue(kSettingsLeft, QString::number(PixelsToTwips(pos().x(), dpi)));
    store.setValue(kSettingsTop, QString::number(PixelsToTwips(pos().y(), dpi)));
    store.sync();
    if (store.status() != QSettings::NoError)
        qWarning("ZORVANE: the window position could not be saved to %s", qPrintable(store.fileName()));
}

void frmMain::hangUp()
{
    if (runner_->running()) {
        closeAfterRun_ = true;
        return;
    }
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (runner_->running()) {
        // Stop the run first: it closes the port and ends; then the window closes.
        closeAfterRun_ = true;
        cancelling_ = true;
        runner_->cancel();
        if (auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            open->done(QMessageBox::Cancel);
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

QRadioButton* frmMain::platformButton(std::size_t row) const
{
    return findChild<QRadioButton*>(QString::fromLatin1(kPlatformWidgets[row].button.data(),
                                                        qsizetype(kPlatformWidgets[row].button.size())));
}

QLabel* frmMain::platformPicture(std::size_t row) const
{
    return findChild<QLabel*>(QString::fromLatin1(kPlatformWidgets[row].picture.data(),
                                                  qsizetype(kPlatformWidgets[row].picture.size())));
}

BoxButton frmMain::box(const std::string& text, BoxStyle style, const std::string& title)
{
    return ShowBox(this, {text, style, title}, responder_);
}

void frmMain::optPlatform_Click(std::size_t row)
{
    const files::ConfigReading reading = files::parseConfig(std::string(files::kPlatforms[row].configFile), workingFolder_);
    if (reading.loaded()) {
        platform_ = reading.config;
        const FileLabels labels = LabelsFor(reading.config);
        showFileLabel(ui->lblBootFile, labels.boot, reading.config.bootFile);
        showFileLabel(ui->lblFirmwareFile, labels.firmware, reading.config.firmwareFile);
        showFileLabel(ui->lblEepromFile, labels.eeprom, reading.config.eepromFile);
        for (std::size_t other = 0; other < files::kPlatforms.size(); ++other) {
            QFont f = platformButton(other)->font();
            f.setUnderline(other == row);
            platformButton(other)->setFont(f);
            platformPicture(other)->setVisible(other == row);
        }
        return;
    }
    platform_.reset();
    const files::ConfigFailure failure = files::ConfigFailureMessage(
        reading.result,
        fullPaths_ ? inWorkingFolder(workingFolder_, reading.config.configFile) : reading.config.configFile);
    box(failure.text, BoxStyle::Exclamation, failure.title);
    // An exclusive radio button cannot be unchecked while it is exclusive.
    QRadioButton* button = platformButton(row);
    const QSignalBlocker quiet(button);
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

void frmMain::showFileLabel(QLabel* label, const std::string& caption, const std::string& fileName)
{
    // A caption that does not fit its one line shows the middle of the file
    // name elided; the whole name is the tooltip and the accessible description.
    const QFontMetrics metrics(label->font());
    const int room = label->contentsRect().width();
    const QString whole = fromStd(caption);
    if (metrics.horizontalAdvance(whole) <= room || fileName.empty()) {
        label->setText(whole);
        label->setToolTip({});
        label->setAccessibleDescription({});
        return;
    }
    const QString prefix = whole.left(whole.indexOf(QLatin1Char('"')));
    const int nameRoom = room - metrics.horizontalAdvance(prefix + QStringLiteral("\"\""));
    label->setText(prefix + QLatin1Char('"') + metrics.elidedText(fromStd(fileName), Qt::ElideMiddle, nameRoom) +
                   QLatin1Char('"'));
    label->setToolTip(Qt::mightBeRichText(whole) ? QStringLiteral("<p style='white-space:pre'>") +
                                                       whole.toHtmlEscaped() + QStringLiteral("</p>")
                                                 : whole);
    label->setAccessibleDescription(fromStd(fileName));
}

void frmMain::selectPort(std::int16_t port)
{
    ui->mnuCommComm1->setChecked(port == 1);
    ui->mnuCommComm2->setChecked(port == 2);
    commPort_ = port;
    setStatus(fromStd(link::PortText(link::CommEntry{port})));
}

void frmMain::mnuHelpViewHelpFile_Click()
{
    frmHelp help(this, workingFolder_);
    registerWindow(&help);
    help.exec();
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    registerWindow(&about);
    about.exec();
}

void frmMain::cmdBeginFlash_Click()
{
    if (runner_->running())
        return;   // one run at a time
    bool platformSelected = false;
    for (std::size_t row = 0; row < files::kPlatforms.size(); ++row)
        platformSelected = platformSelected || platformButton(row)->isChecked();

    RunRequest request;
    request.port = link::CommEntry{commPort_};
    if (platformSelected) {
        request.platform = platform_;
        if (fullPaths_ && platform_)
            request.platform = withFullPaths(*platform_);
        if (platform_ && !holdToRelease(request))
            return;
        // Before the run starts, so that the port it was given stays the window's port.
        enableCommMenu(false);
    }
    cancelling_ = false;
    // The record is written on the run's thread as soon as its outcome is
    // decided, so that a run whose window is closed or destroyed meanwhile
    // keeps its record too.
    std::shared_ptr<FileRecorder> recorder = recorderFor(request);
    runner_->start(
        request,
        [this, recorder](const RunReport& report) {
            const std::optional<std::string> recordError = recorder ? recorder->error() : std::nullopt;
            QMetaObject::invokeMethod(
                this, [this, report, recordError] { runEnded(report, recordError); }, Qt::QueuedConnection);
        },
        recorder);
}

void frmMain::runEnded(const RunReport& report, const std::optional<std::string>& recordError)
{
    // The runner reaps the finished thread itself; waiting for it here could
    // wait for a run started since, which needs this thread for its boxes.
    lastReport_ = report;
    if (recordError)
        showWarning(QStringLiteral("Flash record not kept: ") + fromStd(*recordError));
    else
        forwardRecords();
    if (!runner_->running())   // a run started since this one ended keeps its port
        enableCommMenu(true);
    emit runFinished();
    if (closeAfterRun_)
        close();
}

bool frmMain::holdToRelease(RunRequest& request)
{
    // On the window's thread: a signature check takes a fraction of a second,
    // and without a SHA256SUMS in the folder nothing is checked at all.
    const trust::ReleaseOptions options{{}, {}, settings_.folder, settings_.requireSignature, workingFolder_};
    const std::variant<trust::Release, std::string> release = trust::LoadRelease(options);
    std::string refusedFile = files::kManifestName;
    std::optional<std::string> cause;
    if (const std::string* refused = std::get_if<std::string>(&release)) {
        cause = *refused;
    } else if (const trust::Release& held = std::get<trust::Release>(release); held.manifest) {
        request.release = ReleaseInPlay{held.manifest, held.signedBy};
        refusedFile = platform_->configFile;
        cause = held.manifest->problemWith(platform_->configFile, platform_->configSha256);
    }
    if (!cause)
        return true;
    // The configuration's own box, its second line saying what is wrong.
    const files::ConfigFailure failure = files::ConfigFailureMessage(
        files::ConfigResult::Incomplete, fullPaths_ ? inWorkingFolder(workingFolder_, refusedFile) : refusedFile);
    box(failure.text.substr(0, failure.text.find(kCR)) + kCR + *cause, BoxStyle::Exclamation, failure.title);
    return false;
}

std::shared_ptr<FileRecorder> frmMain::recorderFor(const RunRequest& request) const
{
    if (recordFile_.empty() || !request.platform)
        return nullptr;   // no record kept, or no run: the platform check stops it
    const std::int16_t comm = std::get<link::CommEntry>(request.port).number;   // the window only has Comm entries
    RecordOrigin origin{QSysInfo::machineHostName().toStdString(), RecordUser(), kVersion, std::to_string(comm),
                        describeDevice_ ? describeDevice_(comm) : link::DeviceIdentity{}, std::nullopt};
    return std::make_shared<FileRecorder>(recordFile_, std::move(origin));
}

void frmMain::startForwarding(const std::string& database)
{
    if (database.empty() || recordFile_.empty())
        return;
    if (const std::optional<std::string> refused = RefusedDatabaseUrl(database)) {
        qWarning("ZORVANE: Database in [Records]: %s", refused->c_str());
        showWarning(QStringLiteral("Flash records not sent: ") + fromStd(*refused));
        return;
    }
    forwarder_ = std::make_unique<RecordForwarder>(recordFile_, database);
    forwarder_->forward();   // what earlier runs left
}

void frmMain::forwardRecords()
{
    if (!forwarder_)
        return;
    // The round ends on the sender's thread; what it left is shown here.
    forwarder_->forward([this, url = forwarder_->url()](const ForwardResult& result) {
        if (result.pending == 0)
            return;
        QMetaObject::invokeMethod(
            this, [this, text = fromStd(WaitingText(result.pending, url))] { showWarning(text); },
            Qt::QueuedConnection);
    });
}

void frmMain::showWarning(const QString& text)
{
    // A few seconds in the status panel, then the port again, unless a run
    // has written there since.
    setStatus(text);
    QTimer::singleShot(kWarningTime, this, [this, shown = statusWrites_] {
        if (statusWrites_ == shown)
            setStatus(fromStd(link::PortText(link::CommEntry{commPort_})));
    });
}

void frmMain::setStatus(const QString& text)
{
    ++statusWrites_;
    statusPanel_->setText(text);
}

BoxButton frmMain::showRunBox(const BoxRequest& request)
{
    if (cancelling_)
        return BoxButton::Cancel;   // the window is closing: no more boxes
    return ShowBox(this, request, responder_);
}

void frmMain::showProgress(double percent)
{
    ui->ProgressBar1->setValue(static_cast<int>(percent));
}

void frmMain::showStatus(const std::string& text)
{
    setStatus(fromStd(text));
}

void frmMain::showResult(ResultBox box, const std::string& text)
{
    QLineEdit* target = nullptr;
    switch (box) {
    case ResultBox::BootVers: target = ui->txtBootVers; break;
    case ResultBox::BootCsum: target = ui->txtBootCsum; break;
    case ResultBox::Config: target = ui->txtConfig; break;
    case ResultBox::EepromCsum: target = ui->txtEepromCsum; break;
    case ResultBox::FirmwareCsum: target = ui->txtFirmwareCsum; break;
    }
    target->setText(fromStd(text));
}

void frmMain::enableCommMenu(bool enabled)
{
    ui->mnuCommComm1->setEnabled(enabled);
    ui->mnuCommComm2->setEnabled(enabled);
}

} // namespace zorvane::ui
