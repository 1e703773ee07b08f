#include <gtest/gtest.h>

#include "ui/screenshot.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>

#include "kit/fake_clock.h"
#include "kit/fake_serial_port.h"
#include "kit/temp_dir.h"
#include "ui/startup.h"

namespace zorvane::ui {
namespace {

using namespace std::chrono_literals;

QWidget* visibleCard()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("frmSplash") && w->isVisible())
            return w;
    return nullptr;
}

class Startup : public ::testing::Test {
protected:
    std::unique_ptr<frmMain> loadWindow()
    {
        RunDependencies deps;
        deps.clock = &clock;
        deps.makePort = [this] { return std::make_unique<testkit::FakeSerialPort>(clock); };
        auto window = std::make_unique<frmMain>(std::move(deps));
        loaded = window.get();
        return window;
    }

    // Watches, while Main waits, that the card and the main window are never both shown.
    void watchScreens()
    {
        watcher.setInterval(10ms);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            if (visibleCard() != nullptr)
                cardSeen = true;
            if (visibleCard() != nullptr && loaded != nullptr && loaded->isVisible())
                bothShown = true;
        });
        watcher.start();
    }

    testkit::TempDir dir;
    testkit::FakeClock clock;
    frmMain* loaded = nullptr;
    QTimer watcher;
    bool cardSeen = false;
    bool bothShown = false;
};

TEST_F(Startup, CardStaysTwoAndAHalfSecondsThenTheWindowShows)
{
    Module1 module;
    watchScreens();
    QElapsedTimer elapsed;
    elapsed.start();
    std::unique_ptr<frmMain> window = Main(module, [this] { return loadWindow(); });
    EXPECT_GE(elapsed.elapsed(), 2500);
    EXPECT_TRUE(cardSeen);
    EXPECT_FALSE(bothShown);
    EXPECT_EQ(visibleCard(), nullptr) << "the card is gone";
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(module.gstartupDone);
}

TEST_F(Startup, ASlowLoadEndsTheWaitAtOnce)
{
    Module1 module;
    QElapsedTimer elapsed;
    elapsed.start();
    std::unique_ptr<frmMain> window = Main(
        module,
        [this] {
            QElapsedTimer load;
            load.start();
            while (load.elapsed() < 400) {
                // A load that keeps the thread busy, as a slow one would.
            }
            return loadWindow();
        },
        200ms);
    EXPECT_LT(elapsed.elapsed(), 400 + 150);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Startup, ClicksAndKeysOnTheCardDoNothing)
{
    Module1 module;
    QTimer poke;
    poke.setInterval(20ms);
    QObject::connect(&poke, &QTimer::timeout, [] {
        if (QWidget* card = visibleCard()) {
            QMouseEvent click(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(card, &click);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(card, &key);
            card->close();
        }
    });
    poke.start();
    QElapsedTimer elapsed;
    elapsed.start();
    std::unique_ptr<frmMain> window = Main(module, [this] { return loadWindow(); }, 300ms);
    EXPECT_GE(elapsed.elapsed(), 300);
}

TEST_F(Startup, CardShowsTheProductAndItsLogo)
{
    Module1 module;
    frmSplash card(module, 10s);
    card.show();
    EXPECT_EQ(card.size(), QSize(496, 311)) << "7440 x 4665 twips";
    EXPECT_TRUE(card.windowFlags() & Qt::FramelessWindowHint);
    const auto text = [&](const char* name) { return card.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    EXPECT_EQ(text("lblCompanyProduct"), QStringLiteral("Kelmaris"));
    EXPECT_EQ(text("lblProductName"), QStringLiteral("ZORVANE"));
    EXPECT_EQ(text("lblPlatform"), QStringLiteral("Windows ZORVANE"));
    EXPECT_EQ(text("lblVersion"), QStringLiteral("Version R01.00"));
    EXPECT_EQ(text("Label1"), QStringLiteral("Use ONLY with specified Kelmaris products."));
    EXPECT_EQ(card.findChild<QLabel*>(QStringLiteral("picLogo"))->pixmap().size(), QSize(158, 206));
    testkit::SaveScreenshot(card, "startup-screen.png");
    card.unload();
}

} // namespace
} // namespace zorvane::ui
