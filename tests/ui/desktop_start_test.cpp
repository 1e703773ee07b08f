// Started from a desktop menu, the working folder is the home folder: the
// window finds the platforms' files in the folder the operator keeps them in.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtWidgets/QLabel>
#include <QtWidgets/QRadioButton>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "kit/fake_clock.h"
#include "kit/temp_dir.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/working_folder.h"

namespace zorvane::ui {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) { qputenv(name, value); }
    ~ScopedEnv() { qputenv(name_, old_); }

private:
    const char* name_;
    QByteArray old_;
};

QString path(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

TEST(WorkingFolder, ChosenByCurrentFolderSettingsOrHome)
{
    testkit::TempDir dir;   // the current folder, empty
    const fs::path home = dir.path() / "home";
    const fs::path kept = dir.path() / "kept";
    fs::create_directories(home);
    fs::create_directories(kept);
    const ScopedEnv homeEnv("HOME", home.string().c_str());

    EXPECT_EQ(ChooseWorkingFolder({}), std::nullopt) << "nothing names one";
    fs::create_directories(home / "Zorvane");
    EXPECT_EQ(ChooseWorkingFolder({}), path(home / "Zorvane")) << "~/Zorvane, once it exists";
    EXPECT_EQ(ChooseWorkingFolder(path(kept)), path(kept)) << "the settings come before ~/Zorvane";
    std::ofstream("tessivar.cfg") << "boot: b.s19\n";
    EXPECT_EQ(ChooseWorkingFolder(path(kept)), std::nullopt) << "a current folder with a platform stays";
}

// The command line as the window reads it before any display: Qt's own
// options pass with their values, any other dash is refused, --help and
// --version answer whatever else is given, and FOLDER is one folder that is
// there, made absolute.
TEST(WindowArguments, QtOptionsPassFolderIsCheckedTheRestIsRefused)
{
    using app::Start;
    testkit::TempDir dir;   // the current folder
    const fs::path here = fs::current_path();
    fs::create_directories(here / "kept");
    std::ofstream("file") << "not a folder\n";
    const std::string kept = (here / "kept").string();
    const auto missing = [](const fs::path& folder) { return "cannot work in " + folder.string() + ": no such folder"; };
    const struct Case {
        std::vector<std::string> arguments;
        Start start;
        std::string folderOrRefusal;
    } cases[] = {
        {{}, Start::Window, ""},
        {{kept}, Start::Window, kept},
        {{"./kept/../kept/"}, Start::Window, kept},
        {{"-platform", "offscreen", "-style", "Fusion", "kept"}, Start::Window, kept},
        {{"--platform", "xcb", "-style=Fusion", "-stylesheet", "a.qss", "-stylesheet=b.qss", "-session", "s1",
          "-reverse", "-widgetcount", "-qmljsdebugger=port:1234", "-display", ":1", "-geometry", "800x600", "-title",
          "-T-", "-name", "n", "-icon", "i.png", "-nograb", "-dograb", "-sync", "-graphicssystem", "raster",
          "-platformpluginpath", "p", "-platformtheme", "gtk3", "-plugin", "evdev", "-qwindowgeometry", "1x1",
          "-qwindowtitle", "t", "-qwindowicon", "q", "-visual", "v", "-fontengine=freetype", "-testability"},
         Start::Window, ""},
        {{"-platform"}, Start::Window, ""},
        {{"--bogus"}, Start::Refused, "unknown option --bogus"},
        {{"-platform", "offscreen", "-x", "kept"}, Start::Refused, "unknown option -x"},
        {{"-platform=offscreen"}, Start::Refused, "unknown option -platform=offscreen"},
        {{"-fontengine", "freetype"}, Start::Refused, "unknown option -fontengine"},
        {{"-"}, Start::Refused, "unknown option -"},
        {{"--", "kept"}, Start::Refused, "unknown option --"},
        {{"--bogus", "--help"}, Start::Help, ""},
        {{"nosuch", "-V"}, Start::Version, ""},
        {{"--version", "-h"}, Start::Version, ""},
        {{"nosuch"}, Start::Refused, missing(here / "nosuch")},
        {{"/no/such/folder"}, Start::Refused, missing("/no/such/folder")},
        {{"file"}, Start::Refused, missing(here / "file")},
        {{"kept", "nosuch"}, Start::Refused, "more than one FOLDER: kept and nosuch"},
    };
    for (const Case& c : cases) {
        const app::WindowArguments read = app::ReadWindowArguments(c.arguments);
        EXPECT_EQ(read.start, c.start) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(c.start == Start::Refused ? read.refusal : read.folder, c.folderOrRefusal)
            << ::testing::PrintToString(c.arguments);
    }
}

TEST(WorkingFolder, AWindowStartedInAnEmptyFolderLoadsAPlatform)
{
    testkit::TempDir dir;
    const fs::path kept = dir.path() / "kept";
    fs::create_directories(kept);
    std::ofstream(kept / "pellamar.cfg") << "boot: boot.s19\nsrecord: pel.s19\nconfig: 3f\n";
    fs::create_directories(dir.path() / "empty");
    fs::current_path(dir.path() / "empty");
    const std::optional<QString> folder = ChooseWorkingFolder(path(kept));
    ASSERT_TRUE(folder);
    testkit::FakeClock clock;
    RunDependencies deps;
    deps.clock = &clock;
    deps.workingFolder = folder->toStdString();
    frmMain window(std::move(deps));
    window.showFullPaths(true);
    std::vector<BoxRequest> boxes;
    window.setBoxResponder([&](const BoxRequest& request) {
        boxes.push_back(request);
        return BoxButton::Ok;
    });

    window.findChild<QRadioButton*>(QStringLiteral("optPellamar"))->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblBootFile"))->text(),
              QStringLiteral("Boot File: \"boot.s19\""));

    window.findChild<QRadioButton*>(QStringLiteral("optTessivar"))->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File: " + (kept / "tessivar.cfg").string() +
                                 " DOES NOT exist.\rSee Help for configuration file format.")
        << "a missing file is named where it was looked for";
    EXPECT_EQ(fs::current_path(), dir.path() / "empty") << "the process never changes its folder";
}

TEST(HelpViewer, FallsBackToTheInstalledHelpText)
{
    testkit::TempDir dir;
    const fs::path installed = dir.path() / "share";
    fs::create_directories(installed / "zorvane");
    std::ofstream(installed / "zorvane" / "zorvane_help.txt") << "Installed help\n";
    const ScopedEnv dataDirs("XDG_DATA_DIRS", installed.string().c_str());
    EXPECT_EQ(LoadHelpText(), QStringLiteral("Installed help\n"));
    std::ofstream("zorvane_help.txt") << "The folder's own help\n";
    EXPECT_EQ(LoadHelpText(), QStringLiteral("The folder's own help\n")) << "the working folder's comes first";
}

} // namespace
} // namespace zorvane::ui
