#include <gtest/gtest.h>

#include "ui/screenshot.h"

#include <QtGui/QFontInfo>
#include <QtTest/QTest>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>

#include <filesystem>

#include "kit/temp_dir.h"
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
        {"binary", std::string("\x7F" "ELF\x02\x01\x01\x00\x00", 9), QStringLiteral("Help file \"zorvane_help.txt\" is not a text file.")},
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
    EXPECT_TRUE(QFontInfo(box->font()).fixedPitch());
    EXPECT_EQ(help.minimumSize(), help.maximumSize());

    QTest::keyClick(box, Qt::Key_A);
    EXPECT_EQ(box->toPlainText(), QString(500, QLatin1Char('x')) + QLatin1Char('\n')) << "typing changes nothing";
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_TRUE(help.isVisible()) << "Close is not the cancel button";
    help.findChild<QPushButton*>(QStringLiteral("cmdHelpClose"))->click();
    EXPECT_FALSE(help.isVisible());
}

TEST(HelpViewer, Screenshot)
{
    testkit::TempDir dir;
    const std::filesystem::path help = std::filesystem::path(ZORVANE_SOURCE_DIR) / "resources" / kHelpFileName;
    std::filesystem::copy_file(help, kHelpFileName);
    frmHelp viewer(nullptr);
    viewer.show();
    EXPECT_FALSE(viewer.findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"))->toPlainText().isEmpty());
    testkit::SaveScreenshot(viewer, "help-viewer.png");
}

} // namespace
} // namespace zorvane::ui
