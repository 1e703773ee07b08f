#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>

#include <optional>

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

    // The card's timer, found while the card is up.
    static QTimer* cardTimer()
    {
        QWidget* card = visibleCard();
        return card == nullptr ? nullptr : card->findChild<QTimer*>(QStringLiteral("Timer1"));
    }

    // Notes, as the main window is shown, whether the card's time was up and the card gone.
    struct ShowWatcher : QObject {
        const Module1& module;
        std::optional<bool> doneAtShow;
        bool cardAtShow = false;
        explicit ShowWatcher(const Module1& module) : module(module) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Show && !doneAtShow) {
                doneAtShow = module.gstartupDone;
                cardAtShow = visibleCard() != nullptr;
            }
            return false;
        }
    };

    testkit::TempDir dir;
    testkit::FakeClock clock;
    frmMain* loaded = nullptr;
    QTimer watcher;
    bool cardSeen = false;
    bool bothShown = false;
};

TEST_F(Startup, CardStaysItsFullTimeThenTheWindowShows)
{
    Module1 module;
    watchScreens();
    ShowWatcher shown(module);
    std::optional<std::pair<std::chrono::milliseconds, Qt::TimerType>> timer;
    std::unique_ptr<frmMain> window = Main(module, [&] {
        if (const QTimer* t = cardTimer(); t != nullptr && t->isActive())
            timer = {t->intervalAsDuration(), t->timerType()};
        auto created = loadWindow();
        created->installEventFilter(&shown);
        return created;
    });
    ASSERT_TRUE(timer.has_value()) << "the card's timer runs while the window loads";
    EXPECT_EQ(timer->first, 2500ms);
    EXPECT_EQ(timer->second, Qt::PreciseTimer) << "a coarse timer may end the card early";
    EXPECT_EQ(shown.doneAtShow, std::optional<bool>(true)) << "the window waits for the card's timer";
    EXPECT_FALSE(shown.cardAtShow) << "the card is gone first";
    EXPECT_TRUE(cardSeen);
    EXPECT_FALSE(bothShown);
    EXPECT_EQ(visibleCard(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(module.gstartupDone);
}

TEST_F(Startup, ASlowLoadEndsTheWaitAtOnce)
{
    constexpr auto cardTime = 600ms;
    Module1 module;
    // Started as the slow load ends: a second wait for the card would let it fire first.
    QTimer later;
    later.setSingleShot(true);
    bool laterFired = false;
    QObject::connect(&later, &QTimer::timeout, [&] { laterFired = true; });
    std::unique_ptr<frmMain> window = Main(
        module,
        [&] {
            const QTimer* timer = cardTimer();
            while (timer != nullptr && timer->remainingTime() > 0) {
                // A load that keeps the thread busy past the card's time, as a slow one would.
            }
            later.start(cardTime / 2);
            return loadWindow();
        },
        cardTime);
    EXPECT_FALSE(laterFired) << "the card's time ran out during the load";
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Startup, ClicksAndKeysOnTheCardDoNothing)
{
    Module1 module;
    int pokes = 0;
    bool cardLeftEarly = false;
    QTimer poke;
    poke.setInterval(20ms);
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (QWidget* card = visibleCard()) {
            ++pokes;
            QMouseEvent click(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(card, &click);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(card, &key);
            card->close();
            if (!card->isVisible() && !module.gstartupDone)
                cardLeftEarly = true;
        }
    });
    // Due before the card's timer, so at least one poke reaches the card.
    poke.start();
    std::unique_ptr<frmMain> window = Main(module, [this] { return loadWindow(); }, 300ms);
    EXPECT_GT(pokes, 0);
    EXPECT_FALSE(cardLeftEarly) << "the card stays up until its timer";
    EXPECT_TRUE(module.gstartupDone);
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
    card.unload();
}

} // namespace
} // namespace zorvane::ui
