#include <gtest/gtest.h>

#include <filesystem>

#include "engine/file_labels.h"
#include "files/platform_config.h"
#include "kit/temp_dir.h"

namespace zorvane::files {
namespace {

using testkit::TempDir;

const char* kExample =
    "platform file for the first radio\r\n"
    "boot:\tbootcode.s19\r\n"
    "srecord:   main.s19\r\n"
    "eeprom: eeprom.s19\r\n"
    "config: 3f\r\n";

ConfigReading parse(const TempDir& dir, const std::string& content)
{
    dir.write("pellamar.cfg", content);
    return parseConfig("pellamar.cfg");
}

TEST(ParseConfig, ExampleFileLoadsEveryEntry)
{
    TempDir dir;
    const ConfigReading p = parse(dir, kExample);
    ASSERT_TRUE(p.loaded());
    EXPECT_EQ(p.config.configFile, "pellamar.cfg");
    EXPECT_EQ(p.config.bootFile, "bootcode.s19");
    EXPECT_EQ(p.config.firmwareFile, "main.s19");
    EXPECT_EQ(p.config.eepromFile, "eeprom.s19");
    EXPECT_EQ(p.config.configVal, "3F");
    EXPECT_EQ(p.config.configValHex, 0x3F);
    const zorvane::FileLabels labels = zorvane::LabelsFor(p.config);
    EXPECT_EQ(labels.boot, "Boot File: \"bootcode.s19\"");
    EXPECT_EQ(labels.firmware, "Firmware File: \"main.s19\"");
    EXPECT_EQ(labels.eeprom, "EEPROM File: \"eeprom.s19\"");
}

TEST(ParseConfig, ResultsByContent)
{
    struct Case {
        const char* why;
        std::string content;
        ConfigResult result;
        std::string cause{};   // what a failure names: file, line, what is wrong
    } cases[] = {
        {"no eeprom line is fine", "boot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Loaded},
        {"no boot line", "srecord: f\nconfig: 00\n", ConfigResult::Incomplete, "pellamar.cfg: no \"boot:\" line"},
        {"no srecord line", "boot: b\nconfig: 00\n", ConfigResult::Incomplete},
        {"no config line", "boot: b\nsrecord: f\n", ConfigResult::Incomplete},
        {"config 0x3F is four characters", "config: 00\nboot: b\nsrecord: f\nconfig: 0x3F\n", ConfigResult::Incomplete,
         "pellamar.cfg line 4: the config value \"0x3F\" is not two hexadecimal digits"},
        {"config 3 is one character", "boot: b\nsrecord: f\nconfig: 3\n", ConfigResult::Incomplete},
        {"config G1 is not hex", "boot: b\nsrecord: f\nconfig: G1\n", ConfigResult::Incomplete,
         "pellamar.cfg line 3: the config value \"G1\" is not two hexadecimal digits"},
        {"keys are case-sensitive", "Boot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"key and value need a space", "boot:b\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"a leading tab empties field 0", "\tboot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"leading spaces are trimmed", "   boot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Loaded},
        {"empty file", "", ConfigResult::Incomplete},
        {"binary junk", std::string("\x00\xFF\x01\x80 boot:\x00", 10), ConfigResult::Incomplete},
        {"only a lone CR terminator", "boot: b\rsrecord: f\rconfig: 00", ConfigResult::Loaded},
        // A control character in a value names the line and the character.
        {"NUL in a value", std::string("boot: b\nsrecord: main.s19\0junk\nconfig: 00\n", 38), ConfigResult::Incomplete,
         "pellamar.cfg line 2: the srecord value holds character $00"},
        {"escape in a value", "boot: main\x1b]0;PWNED\x07.s19\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete,
         "pellamar.cfg line 1: the boot value holds character $1B"},
        {"DEL in a value", "boot: b\nsrecord: f\neeprom: e\x7F\nconfig: 00\n", ConfigResult::Incomplete,
         "pellamar.cfg line 3: the eeprom value holds character $7F"},
        {"tabs and CR LF stay separators", "boot:\tb\t\r\nsrecord: f\r\nconfig:\t00\r\n", ConfigResult::Loaded},
        {"DOS end of file after a value", "boot: b\nsrecord: f\nconfig: 00\x1A", ConfigResult::Loaded},
        {"DOS end of file on its own line", "boot: b\nsrecord: f\nconfig: 00\r\n\x1A\r\nconfig: zz\n", ConfigResult::Loaded},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const ConfigReading reading = parse(dir, c.content);
        EXPECT_EQ(reading.result, c.result) << c.why;
        if (!c.cause.empty()) {
            EXPECT_EQ(reading.cause, c.cause) << c.why;
        }
    }
}

// A line that looks like an entry but names no key is still ignored, and
// said: a typo must not silently drop a stage.
TEST(ParseConfig, UnknownKeysAreWarnedAbout)
{
    TempDir dir;
    const ConfigReading reading =
        parse(dir, "platform file for the radio\nboot: b\neprom: e.s19\nSrecord: f\nsrecord: f\nconfig: 00\nnotes: x\n");
    EXPECT_EQ(reading.result, ConfigResult::Loaded);
    EXPECT_EQ(reading.config.eepromFile, "");
    EXPECT_EQ(reading.warnings, (std::vector<std::string>{
                                    "pellamar.cfg line 3: unknown key \"eprom\" (did you mean \"eeprom\"?)",
                                    "pellamar.cfg line 4: unknown key \"Srecord\" (did you mean \"srecord\"?)",
                                    "pellamar.cfg line 7: unknown key \"notes\"",
                                }));
    EXPECT_EQ(reading.config.configSha256.size(), 64u);
}

TEST(ParseConfig, ValuesAreTheFirstWordAndTheLastLineWins)
{
    TempDir dir;
    const ConfigReading p = parse(dir, "boot: first.s19 second.s19\n"
                                       "srecord: one.s19\n"
                                       "srecord:  \t two.s19  \n"
                                       "config: a5\n");
    ASSERT_TRUE(p.loaded());
    EXPECT_EQ(p.config.bootFile, "first.s19");
    EXPECT_EQ(p.config.firmwareFile, "two.s19");
    EXPECT_EQ(p.config.configValHex, 0xA5);
    EXPECT_EQ(zorvane::LabelsFor(p.config).eeprom, "EEPROM File:") << "no trailing blank without an EEPROM file";
}

TEST(ParseConfig, MissingFileReadsNothing)
{
    TempDir dir;
    const ConfigReading missing = parseConfig("tessivar.cfg");
    EXPECT_EQ(missing.result, ConfigResult::Missing);
    EXPECT_EQ(missing.config.configFile, "tessivar.cfg");
    EXPECT_EQ(missing.config.bootFile, "");

    std::filesystem::create_directory("tessivar.cfg");
    EXPECT_EQ(parseConfig("tessivar.cfg").result, ConfigResult::Missing) << "a directory is not a file";
}

TEST(ParseConfig, UnreadableFileIsToldApart)
{
    if (!testkit::Unprivileged::kPossible)
        GTEST_SKIP() << "this system cannot make a file unreadable to the tests";
    TempDir dir;
    dir.write("default.cfg", kExample);
    std::filesystem::permissions("default.cfg", std::filesystem::perms::none);
    testkit::Unprivileged user;
    ASSERT_TRUE(user.active());
    EXPECT_EQ(parseConfig("default.cfg").result, ConfigResult::Unreadable);
}

TEST(ParseConfig, HugeLineWithoutTerminatorIsJustALine)
{
    TempDir dir;
    std::string content = "boot: b\nsrecord: f\nconfig: 00\n" + std::string(10 * 1024 * 1024, ' ') + "x";
    EXPECT_EQ(parse(dir, content).result, ConfigResult::Loaded);
}

TEST(SplitConfigLine, PreparesLikeTheReader)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(SplitConfigLine("  boot:\t\tx  "), (Fields{"boot:", "x"}));
    EXPECT_EQ(SplitConfigLine("\tboot: x"), (Fields{"", "boot:", "x"}));
    EXPECT_EQ(SplitConfigLine("boot: x\t"), (Fields{"boot:", "x", ""}));
    EXPECT_EQ(SplitConfigLine(""), (Fields{""}));
    EXPECT_EQ(SplitConfigLine("     "), (Fields{""}));
}

} // namespace
} // namespace zorvane::files
