#include <gtest/gtest.h>

#include <QtGui/QFontInfo>
#include <QtTest/QTest>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>

#include <filesystem>

#include "kit/temp_dir.h"
#include "ui/fonts.h"
#include "ui/help_viewer.h"

namespace zorvane::ui {
namespace {

QString shown()
{
    frmHelp help(nullptr);
    return help.findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"))->toPlainText();
}

TEST(HelpViewer, ShowsWhatTheFileHoldsOrWhyNot)
{
    testkit::TempDir dir;
    struct Case {
        const char* why;
        std::optional<std::string> content;
        QString text;
    } cases[] = {
        {"missing", std::nullopt, QStringLiteral("Help file \"zorvane_help.txt\" does not exist.")},
        {"empty", std::string(), QString()},
        {"CR LF lines", std::string("First line\r\nSecond line\r\n"), QStringLiteral("First line\nSecond line\n")},
        {"end-of-file mark", std::string("Last line\r\n\x1A"), QStringLiteral("Last line\n\x1A")},
        {"escapes", std::string("\x1B[1mBold\x1B[0m\tTab\f"), QStringLiteral("\x1B[1mBold\x1B[0m\tTab\f")},
        {"binary", std::string("\x7F" "ELF\x02\x01\x01\x00\x00", 9), QStringLiteral("Help file \"zorvane_help.txt\" is not a text file.")},
        {"one NUL in text", std::string("Help\0text", 9), QStringLiteral("Help file \"zorvane_help.txt\" is not a text file.")},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(kHelpFileName);
        if (c.content)
            dir.write(kHelpFileName, *c.content);
        EXPECT_EQ(shown(), c.text) << c.why;
    }
}

TEST(HelpViewer, ReadsTheFileAfreshAtEachOpening)
{
    testkit::TempDir dir;
    dir.write(kHelpFileName, "old text");
    EXPECT_EQ(shown(), QStringLiteral("old text"));
    dir.write(kHelpFileName, "new text");
    EXPECT_EQ(shown(), QStringLiteral("new text"));
}

TEST(HelpViewer, UnreadableFileSaysSo)
{
    testkit::TempDir dir;
    dir.write(kHelpFileName, "secret");
    std::filesystem::permissions(kHelpFileName, std::filesystem::perms::none);
    testkit::Unprivileged user;
    ASSERT_TRUE(user.active());
    EXPECT_TRUE(shown().startsWith(QStringLiteral("Help file \"zorvane_help.txt\" cannot be read")));
}

TEST(HelpViewer, ReadOnlyWrappingFixedPitchBox)
{
    testkit::TempDir dir;
    dir.write(kHelpFileName, std::string(500, 'x') + "\n");
    frmHelp help(nullptr);
    help.show();
    auto* box = help.findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"));
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Zorvane Help File"));
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QFontInfo font(box->font());
    EXPECT_TRUE(font.fixedPitch()) << font.family().toStdString();
    // scripts/setup installs Liberation Mono, so the box never falls back further.
    EXPECT_TRUE(font.family() == QStringLiteral("Courier New") || font.family() == QStringLiteral("Liberation Mono"))
        << font.family().toStdString();
    EXPECT_EQ(help.minimumSize(), help.maximumSize());

    QTest::keyClick(box, Qt::Key_A);
    EXPECT_EQ(box->toPlainText(), QString(500, QLatin1Char('x')) + QLatin1Char('\n')) << "typing changes nothing";
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_TRUE(help.isVisible()) << "Close is not the cancel button";
    help.findChild<QPushButton*>(QStringLiteral("cmdHelpClose"))->click();
    EXPECT_FALSE(help.isVisible());
}

TEST(HelpViewer, FontIsFixedPitchCourierNewOrItsMetricTwin)
{
    const QString courier = QStringLiteral("Courier New");
    const QString liberation = QStringLiteral("Liberation Mono");
    const QString noto = QStringLiteral("Noto Sans Mono");
    const QString dejavu = QStringLiteral("DejaVu Sans Mono");
    const QString sans = QStringLiteral("DejaVu Sans");
    struct Case {
        const char* why;
        QStringList installed;
        QStringList fixedPitch;
        QString systemFixed;
        QString chosen;
    } cases[] = {
        {"Courier New first", {noto, liberation, courier}, {liberation, courier, dejavu}, dejavu, courier},
        {"its metric twin next", {noto, liberation, dejavu}, {liberation, dejavu}, dejavu, liberation},
        {"the system's fixed font", {sans, dejavu}, {dejavu}, dejavu, dejavu},
        {"a system font Qt finds proportional", {noto, sans, dejavu}, {dejavu}, noto, dejavu},
        {"a preferred family Qt finds proportional", {courier, dejavu}, {dejavu}, dejavu, dejavu},
        {"nothing fixed pitch at all", {sans}, {}, sans, sans},
    };
    for (const Case& c : cases) {
        const auto isFixedPitch = [&](const QString& family) { return c.fixedPitch.contains(family); };
        EXPECT_EQ(ChooseFixedPitchFamily(c.installed, isFixedPitch, c.systemFixed), c.chosen) << c.why;
    }
}

} // namespace
} // namespace zorvane::ui
