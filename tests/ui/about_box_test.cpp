#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <cstring>
#include <map>

#include "ui/about_box.h"

namespace zorvane::ui {
namespace {

constexpr long kNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kMoreData = 234;
constexpr std::uint32_t kWriteRights = 0x2003F & ~0x20019u;

// HKEY_LOCAL_MACHINE as an ordinary user sees it: readable, not writable.
class FakeRegistry final : public RegistryApi {
public:
    struct Value {
        std::uint32_t type;
        std::string data;
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    int opens = 0;
    int closes = 0;

    long openKey(std::uint32_t root, const std::string& subKey, std::uint32_t access, Key& opened) override
    {
        if (root != kHKeyLocalMachine || !keys.contains(subKey))
            return kNotFound;
        if (access & kWriteRights)
            return kAccessDenied;
        ++opens;
        opened = reinterpret_cast<Key>(&keys.at(subKey));
        return 0;
    }
    long queryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                         std::uint32_t& length) override
    {
        const auto& values = *reinterpret_cast<std::map<std::string, Value>*>(key);
        const auto found = values.find(valueName);
        if (found == values.end())
            return kNotFound;
        if (found->second.data.size() > length)
            return kMoreData;
        std::memcpy(buffer, found->second.data.data(), found->second.data.size());
        type = found->second.type;
        length = static_cast<std::uint32_t>(found->second.data.size());
        return 0;
    }
    long closeKey(Key) override
    {
        ++closes;
        return 0;
    }
};

TEST(GetKeyValue, ReadsByType)
{
    FakeRegistry registry;
    const std::string dword("\x1F\x00\x01\x00", 4);
    registry.keys["SOFTWARE\\Test"] = {
        {"Text", {kRegSz, std::string("C:\\Tools\\msinfo.exe\0", 20)}},
        {"Number", {kRegDword, dword}},
        {"Binary", {3, "\x01\x02"}},
        {"Long", {kRegSz, std::string(1025, 'x')}},
    };
    struct Case {
        const char* key;
        const char* value;
        bool read;
        std::string text;
    } cases[] = {
        {"SOFTWARE\\Test", "Text", true, "C:\\Tools\\msinfo.exe"},
        {"SOFTWARE\\Test", "Number", true, "&h1001F"},
        {"SOFTWARE\\Test", "Binary", true, "unchanged"},
        {"SOFTWARE\\Test", "Long", false, ""},
        {"SOFTWARE\\Test", "Absent", false, ""},
        {"SOFTWARE\\Missing", "Text", false, ""},
    };
    for (const Case& c : cases) {
        std::string text = "unchanged";
        EXPECT_EQ(GetKeyValue(registry, kHKeyLocalMachine, c.key, c.value, text), c.read) << c.value;
        EXPECT_EQ(text, c.text) << c.value;
    }
    EXPECT_EQ(registry.opens, registry.closes) << "every key opened is closed";
}

struct FakeSystem final : SystemInfoHost {
    std::unique_ptr<FakeRegistry> fakeRegistry;
    std::vector<std::string> files;
    std::map<std::string, std::string> onPath;
    bool startWorks = true;
    std::vector<std::string> started;
    int unavailable = 0;

    RegistryApi* registry() override { return fakeRegistry.get(); }
    bool fileExists(const std::string& path) override
    {
        return std::find(files.begin(), files.end(), path) != files.end();
    }
    std::optional<std::string> findProgram(const std::string& name) override
    {
        auto found = onPath.find(name);
        return found == onPath.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    bool startProgram(const std::string& path) override
    {
        started.push_back(path);
        return startWorks;
    }
    void showUnavailable() override { ++unavailable; }
};

TEST(StartSysInfo, FindsTheProgramOrSaysItIsUnavailable)
{
    const std::string msinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    const std::string location = "SOFTWARE\\Microsoft\\Shared Tools Location";
    struct Case {
        const char* why;
        bool registry, pathValue, locationValue, fileThere, startWorks;
        std::map<std::string, std::string> onPath;
        std::string started;   // empty: the unavailable message
    } cases[] = {
        {"first value wins", true, true, true, true, true, {}, "C:\\Info\\msinfo32.exe"},
        {"only the location, file there", true, false, true, true, true, {}, "C:\\Shared\\MSINFO32.EXE"},
        {"only the location, no file", true, false, true, false, true, {}, ""},
        {"neither", true, false, false, false, true, {}, ""},
        {"program will not start", true, true, false, false, false, {}, ""},
        {"no registry, a program on the PATH", false, false, false, false, true,
         {{"hardinfo", "/usr/bin/hardinfo"}}, "/usr/bin/hardinfo"},
        {"no registry, nothing on the PATH", false, false, false, false, true, {}, ""},
    };
    for (const Case& c : cases) {
        FakeSystem system;
        if (c.registry) {
            system.fakeRegistry = std::make_unique<FakeRegistry>();
            if (c.pathValue)
                system.fakeRegistry->keys[msinfo]["PATH"] = {kRegSz, "C:\\Info\\msinfo32.exe"};
            if (c.locationValue)
                system.fakeRegistry->keys[location]["MSINFO"] = {kRegSz, "C:\\Shared"};
        }
        if (c.fileThere)
            system.files.push_back("C:\\Shared\\MSINFO32.EXE");
        system.onPath = c.onPath;
        system.startWorks = c.startWorks;
        StartSysInfo(system);
        if (c.started.empty()) {
            EXPECT_EQ(system.unavailable, 1) << c.why;
        } else {
            EXPECT_EQ(system.started, std::vector<std::string>{c.started}) << c.why;
            EXPECT_EQ(system.unavailable, 0) << c.why;
        }
    }
}

TEST(AboutBox, ShowsTheProductAndClosesOnEnterAndEscape)
{
    FakeSystem system;
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        frmAbout about(nullptr, &system);
        about.show();
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About ZORVANE"));
        const auto text = [&](const char* name) { return about.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
        EXPECT_EQ(text("lblTitle"), QStringLiteral("ZORVANE"));
        EXPECT_EQ(text("lblVersion"), QStringLiteral("Version: R01.00"));
        EXPECT_EQ(text("lblDescription"), QStringLiteral("Kelmaris Firmware Update Tool for Windows."));
        EXPECT_EQ(text("lblDisclaimer"), QStringLiteral("Use ONLY with specified Kelmaris products."));
        EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());
        QTest::keyClick(&about, static_cast<Qt::Key>(key));
        EXPECT_FALSE(about.isVisible()) << key;
    }
}

TEST(AboutBox, SystemInfoButtonAsksTheSystem)
{
    FakeSystem system;
    frmAbout about(nullptr, &system);
    about.show();
    about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->click();
    EXPECT_EQ(system.unavailable, 1);
    EXPECT_TRUE(about.isVisible()) << "the About box stays open";
}

} // namespace
} // namespace zorvane::ui
