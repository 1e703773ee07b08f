#include "ui/about_box.h"

#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "ui/artwork.h"
#include "ui/fonts.h"
#include "ui/message_box.h"
#include "ui/twips.h"
#include "zorvane_version.h"

namespace zorvane::ui {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, double l, double t, double w, double h)
{
    auto* created = new QLabel(text, parent);
    created->setObjectName(QString::fromLatin1(name));
    created->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTwips(created, l, t, w, h);
    return created;
}

// One member of the etched separator, between two x positions at a height, in twips.
void rule(QWidget* parent, const char* name, double x1, double x2, double y, int pixels, const QColor& colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    const double dpi = parent->logicalDpiX();
    line->setGeometry(TwipsToPixels(x1, dpi), TwipsToPixels(y, dpi), TwipsToPixels(x2 - x1, dpi), pixels);
}

} // namespace

QtSystemInfoHost::QtSystemInfoHost(QWidget* owner, std::function<void()> showUnavailable)
    : owner_(owner), showUnavailable_(std::move(showUnavailable)), registry_(os::SystemRegistry())
{
}

QtSystemInfoHost::~QtSystemInfoHost() = default;

RegistryApi* QtSystemInfoHost::registry()
{
    return registry_.get();
}

bool QtSystemInfoHost::fileExists(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).isFile();
}

std::optional<std::string> QtSystemInfoHost::findProgram(const std::string& name)
{
    const QString found = QStandardPaths::findExecutable(QString::fromStdString(name));
    if (found.isEmpty())
        return std::nullopt;
    return found.toStdString();
}

bool QtSystemInfoHost::startProgram(const std::string& path)
{
    return QProcess::startDetached(QString::fromStdString(path), {});
}

void QtSystemInfoHost::showUnavailable()
{
    if (showUnavailable_) {
        showUnavailable_();
        return;
    }
    ShowBox(owner_, {"System Information Is Unavailable At This Time", BoxStyle::OkOnly, "ZORVANE"}, nullptr);
}

frmAbout::frmAbout(QWidget* owner, SystemInfoHost* host)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      host_(host)
{
    if (host_ == nullptr) {
        ownHost_ = std::make_unique<QtSystemInfoHost>(this);
        host_ = ownHost_.get();
    }
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ZORVANE"));
    setFont(DialogFont());
    setModal(true);
    FixClientSizeTwips(this, 5865, 3630);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);
    PlaceTwips(icon, 240, 240, 540, 540);

    label(this, "lblTitle", QStringLiteral("ZORVANE"), 1050, 240, 4092, 480);
    label(this, "lblVersion", QStringLiteral("Version: %1").arg(QLatin1String(kReleaseName)), 1050, 780, 4092, 225);
    label(this, "lblDescription", QStringLiteral("Kelmaris Firmware Update Tool for Windows."), 1050, 1125, 4092, 1170)
        ->setWordWrap(true);
    rule(this, "Line1_1", 225, 5657, 2430, 1, QColor(128, 128, 128));
    rule(this, "Line1_0", 240, 5657, 2445, 2, Qt::white);
    label(this, "Label1", QStringLiteral("Warning:"), 240, 2760, 735, 255);
    label(this, "lblDisclaimer", QStringLiteral("Use ONLY with specified Kelmaris products."), 1080, 2760, 2535, 615)
        ->setWordWrap(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    PlaceTwips(ok, 4245, 2625, 1467, 345);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setAutoDefault(false);
    PlaceTwips(sysInfo, 4260, 3075, 1452, 345);
    connect(sysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });

    setTabOrder(ok, sysInfo);
    ok->setFocus();
    if (owner != nullptr)
        move(owner->frameGeometry().center() - rect().center());
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo(*host_);
}

} // namespace zorvane::ui
