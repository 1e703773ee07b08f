#include "ui/main_window.h"

#include <QtCore/QDate>
#include <QtCore/QLocale>
#include <QtCore/QTime>
#include <QtGui/QCloseEvent>
#include <QtGui/QFontMetrics>
#include <QtGui/QTextDocument>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include "engine/file_labels.h"
#include "files/platform_config.h"
#include "prepare/records_choice.h"
#include "records/record_writer.h"
#include "ui/about_box.h"
#include "ui/artwork.h"
#include "ui/fonts.h"
#include "ui/gui_run_host.h"
#include "ui/help_viewer.h"
#include "ui/platform_widgets.h"
#include "ui/record_sending.h"
#include "ui/twips.h"
#include "ui_main_window.h"

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

// A saved position: the text of a number of twips; anything else counts as absent.
double savedTwips(const std::optional<std::string>& saved)
{
    bool ok = false;
    const double value = QString::fromStdString(saved.value_or("")).toDouble(&ok);
    return ok ? value : kDefaultPositionTwips;
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

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
    savePosition_ = std::move(dependencies.savePosition);
    sending_ = std::make_unique<RecordSending>(*this, [this](const QString& text) { showWarning(text); });

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
    sending_->start(recordFile_, prepare::DatabaseFor({}, !recordFile_.empty(), settings_));
}

frmMain::~frmMain()
{
    // A preparation and the records' rounds post to this window: they end first.
    preparation_.request_stop();
    if (preparation_.joinable())
        preparation_.join();
    sending_.reset();
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
    const double dpi = logicalDpiX();
    move(TwipsToPixels(savedTwips(settings_.mainLeft), dpi), TwipsToPixels(savedTwips(settings_.mainTop), dpi));
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

    sending_->finish(kCloseSendTime - RecordForwarder::kLetGoAfter);   // its end may wait the rest
    if (!isMinimized())   // else the position an earlier run saved stays
        saveWindowPosition();
}

void frmMain::saveWindowPosition()
{
    if (!savePosition_)
        return;
    const double dpi = logicalDpiX();
    if (!savePosition_(QString::number(PixelsToTwips(pos().x(), dpi)).toStdString(),
                       QString::number(PixelsToTwips(pos().y(), dpi)).toStdString()))
        qWarning("ZORVANE: the window position could not be saved to %s", settings_.file.c_str());
}

void frmMain::hangUp()
{
    if (runInProgress()) {
        closeAfterRun_ = true;
        return;
    }
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (runInProgress()) {
        // Stop the run first: it closes the port and ends; then the window
        // closes. A run still being prepared does not start.
        closeAfterRun_ = true;
        cancelling_ = true;
        preparation_.request_stop();
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
    const std::variant<files::ConfigReading, prepare::Refusal> read =
        prepare::ReadPlatform(files::kPlatforms[row], workingFolder_, fullPaths_);
    if (const files::ConfigReading* reading = std::get_if<files::ConfigReading>(&read)) {
        platform_ = reading->config;
        const FileLabels labels = LabelsFor(reading->config);
        showFileLabel(ui->lblBootFile, labels.boot, reading->config.bootFile);
        showFileLabel(ui->lblFirmwareFile, labels.firmware, reading->config.firmwareFile);
        showFileLabel(ui->lblEepromFile, labels.eeprom, reading->config.eepromFile);
        for (std::size_t other = 0; other < files::kPlatforms.size(); ++other) {
            QFont f = platformButton(other)->font();
            f.setUnderline(other == row);
            platformButton(other)->setFont(f);
            platformPicture(other)->setVisible(other == row);
        }
        return;
    }
    platform_.reset();
    const prepare::Refusal& refused = std::get<prepare::Refusal>(read);
    box(refused.text, BoxStyle::Exclamation, refused.title);
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
    if (runInProgress())
        return;   // one run at a time
    bool platformSelected = false;
    for (std::size_t row = 0; row < files::kPlatforms.size(); ++row)
        platformSelected = platformSelected || platformButton(row)->isChecked();
    cancelling_ = false;
    if (!platformSelected || !platform_) {
        // The run itself asks for a platform.
        startRun(RunRequest{link::CommEntry{commPort_}, std::nullopt}, nullptr);
        return;
    }
    // Before the preparation starts, so that the port it was given stays the window's port.
    enableCommMenu(false);
    prepareRun();
}

void frmMain::prepareRun()
{
    prepare::InputChoices choices;
    choices.chosen = platform_;
    choices.workingFolder = workingFolder_;
    choices.fullPaths = fullPaths_;
    prepare::PortTarget target{link::CommEntry{commPort_}, std::to_string(commPort_),
                               describeDevice_ ? describeDevice_(commPort_) : link::DeviceIdentity{}};
    preparing_ = true;
    // A signature's check and the images' reading take their time off this
    // thread: the window stays live meanwhile.
    preparation_ = std::jthread([this, choices, target, settings = settings_](std::stop_token stop) {
        std::variant<prepare::CheckedInput, prepare::Refusal> checked = prepare::CheckInput(choices, settings, stop);
        auto prepared = std::make_shared<Prepared>(prepare::Refusal{});
        if (const prepare::Refusal* refused = std::get_if<prepare::Refusal>(&checked))
            *prepared = *refused;
        else
            *prepared = std::move(prepare::PreparePorts(std::get<prepare::CheckedInput>(checked), {target}, {})[0]);
        QMetaObject::invokeMethod(this, [this, prepared] { preparationEnded(*prepared); }, Qt::QueuedConnection);
    });
}

void frmMain::preparationEnded(Prepared& prepared)
{
    preparing_ = false;
    if (closeAfterRun_) {
        endWithoutRun();   // the window is closing: no run starts
        return;
    }
    if (const prepare::Refusal* refused = std::get_if<prepare::Refusal>(&prepared)) {
        box(prepare::FirstLineAndCause(*refused), BoxStyle::Exclamation, refused->title);
        endWithoutRun();
        return;
    }
    prepare::PreparedPort& port = std::get<prepare::PreparedPort>(prepared);
    // The record is written on the run's thread as soon as its outcome is
    // decided, so that a run whose window is closed or destroyed meanwhile
    // keeps its record too.
    startRun(port.request,
             recordFile_.empty()
                 ? nullptr
                 : std::make_shared<FileRecorder>(recordFile_, std::move(port.origin),
                                                  prepare::OwedPlaces(prepare::DatabaseFor({}, true, settings_))));
}

void frmMain::startRun(const RunRequest& request, std::shared_ptr<FileRecorder> recorder)
{
    runner_->start(
        request,
        [this, recorder](const RunReport& report) {
            const std::optional<std::string> recordError = recorder ? recorder->error() : std::nullopt;
            QMetaObject::invokeMethod(
                this, [this, report, recordError] { runEnded(report, recordError); }, Qt::QueuedConnection);
        },
        recorder);
}

void frmMain::endWithoutRun()
{
    enableCommMenu(true);
    emit runFinished();
    if (closeAfterRun_)
        close();
}

void frmMain::runEnded(const RunReport& report, const std::optional<std::string>& recordError)
{
    // The runner reaps the finished thread itself; waiting for it here could
    // wait for a run started since, which needs this thread for its boxes.
    lastReport_ = report;
    if (recordError)
        showWarning(QStringLiteral("Flash record not kept: ") + fromStd(*recordError));
    else
        sending_->afterRun();
    if (!runInProgress())   // a run started since this one ended keeps its port
        enableCommMenu(true);
    emit runFinished();
    if (closeAfterRun_)
        close();
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
