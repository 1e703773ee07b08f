// Widget tests run offscreen with settings and data folders of their own:
// every test is a process of its own under CTest, and each gets fresh
// folders, so that nothing the machine has installed (a help text in
// /usr/share) changes a result.
#include <gtest/gtest.h>

#include <QtWidgets/QApplication>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string settings = "/tmp/zorvane-ui-settings-XXXXXX";
    if (::mkdtemp(settings.data()) == nullptr)
        return 1;
    ::setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (settings + "/data").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (settings + "/system-data").c_str(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::system(("rm -rf " + settings).c_str());
    return result;
}
