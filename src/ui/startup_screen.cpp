#include "ui/startup_screen.h"

#include <QtGui/QCloseEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>

#include "ui/artwork.h"
#include "ui/fonts.h"
#include "ui/twips.h"
#include "zorvane_version.h"

namespace zorvane::ui {

namespace {

constexpr double kClientWidth = 7440;
constexpr double kClientHeight = 4665;

QLabel* label(QWidget* parent, const char* name, const QString& text, QFont font)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    return l;
}

// Auto-sized labels grow from their position; right-aligned ones keep their right edge.
void autoSize(QLabel* l, double left, double top, double width, double height, bool rightAligned)
{
    PlaceTwips(l, left, top, width, height);
    const QRect placed = l->geometry();
    l->adjustSize();
    if (rightAligned)
        l->move(placed.right() + 1 - l->width(), placed.top());
}

// The card's sunken frame with the logo and the texts, placed as the card
// was laid out.
void fillCard(QWidget* card)
{
    auto* frame = new QFrame(card);
    frame->setObjectName(QStringLiteral("fraMainFrame"));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    PlaceTwips(frame, 0, 0, 7380, 4590);
    frame->move(frame->x() + 2, frame->y() + 2);

    auto* logo = new QLabel(frame);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(Picture("logo"));
    logo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    logo->setLineWidth(2);
    PlaceTwips(logo, 270, 375, 2415, 3090);

    autoSize(label(frame, "lblCompanyProduct", QStringLiteral("Kelmaris"), DialogFont(18, true)), 2880, 765, 3585,
             435, false);
    // The product name is the application title, set as the card loads.
    autoSize(label(frame, "lblProductName", QStringLiteral("ZORVANE"), DialogFont(29.25, true)), 3000, 1200, 2190,
             720, false);
    autoSize(label(frame, "lblPlatform", QStringLiteral("Windows ZORVANE"), DialogFont(13.5, true)), 4440, 2400,
             2565, 360, true);
    const QString version = QStringLiteral("Version %1").arg(QLatin1String(kReleaseName));
    autoSize(label(frame, "lblVersion", version, DialogFont(12, true)), 5130, 2760, 1875, 300, true);
    PlaceTwips(label(frame, "Label2", QStringLiteral("Warning:"), DialogFont()), 360, 3720, 735, 375);
    QLabel* warning = label(frame, "Label1", QStringLiteral("Use ONLY with specified Kelmaris products."), DialogFont());
    warning->setWordWrap(true);
    warning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTwips(warning, 1200, 3720, 2175, 495);
    PlaceTwips(label(frame, "lblCompany", QStringLiteral("Norvessa"), DialogFont()), 5760, 3960, 1335, 255);

}

} // namespace

frmSplash::frmSplash(Module1& module, std::chrono::milliseconds cardTime)
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), module_(module)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFont(DialogFont());
    FixClientSizeTwips(this, kClientWidth, kClientHeight);

    // The fixed dialog border of a window without a title bar.
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Panel | QFrame::Raised);
    border->setLineWidth(2);
    border->setGeometry(rect());

    fillCard(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // A coarse timer may fire up to 5% early; the card must stay its full time.
    // As the card's child the timer can be found by name, like its controls.
    timer1_.setParent(this);
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(cardTime);
    connect(&timer1_, &QTimer::timeout, this, [this] { module_.gstartupDone = true; });
    timer1_.start();
}

void frmSplash::unload()
{
    timer1_.stop();
    unloading_ = true;
    close();
}

void frmSplash::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    if (unloading_)
        event->accept();
    else
        event->ignore();
}

} // namespace zorvane::ui
