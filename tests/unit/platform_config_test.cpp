#include <gtest/gtest.h>

#include <filesystem>

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

struct Parsed {
    ConfigResult result;
    FlashRunState state;
    FileLabels labels;
};

Parsed parse(const TempDir& dir, const std::string& content)
{
    dir.write("pellamar.cfg", content);
    Parsed p{};
    p.state.gconfigFile = "pellamar.cfg";
    p.state.gconfigValHex = 0x99;
    p.result = parseConfig(p.state, p.labels);
    return p;
}

TEST(ParseConfig, ExampleFileLoadsEveryEntry)
{
    TempDir dir;
    Parsed p = parse(dir, kExample);
    ASSERT_EQ(p.result, ConfigResult::Loaded);
    EXPECT_EQ(p.state.gbootFile, "bootcode.s19");
    EXPECT_EQ(p.state.gfirmwareFile, "main.s19");
    EXPECT_EQ(p.state.geepromFile, "eeprom.s19");
    EXPECT_EQ(p.state.gconfigVal, "3F");
    EXPECT_EQ(p.state.gconfigValHex, 0x3F);
    EXPECT_EQ(p.labels.boot, "Boot File: \"bootcode.s19\"");
    EXPECT_EQ(p.labels.firmware, "Firmware File: \"main.s19\"");
    EXPECT_EQ(p.labels.eeprom, "EEPROM File: \"eeprom.s19\"");
}

TEST(ParseConfig, ResultsByContent)
{
    struct Case {
        const char* why;
        std::string content;
        ConfigResult result;
    } cases[] = {
        {"no eeprom line is fine", "boot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Loaded},
        {"no boot line", "srecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"no srecord line", "boot: b\nconfig: 00\n", ConfigResult::Incomplete},
        {"no config line", "boot: b\nsrecord: f\n", ConfigResult::Incomplete},
        {"config 0x3F is four characters", "boot: b\nsrecord: f\nconfig: 0x3F\n", ConfigResult::Incomplete},
        {"config 3 is one character", "boot: b\nsrecord: f\nconfig: 3\n", ConfigResult::Incomplete},
        {"config G1 is not hex", "boot: b\nsrecord: f\nconfig: G1\n", ConfigResult::Incomplete},
        {"keys are case-sensitive", "Boot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"key and value need a space", "boot:b\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"a leading tab empties field 0", "\tboot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Incomplete},
        {"leading spaces are trimmed", "   boot: b\nsrecord: f\nconfig: 00\n", ConfigResult::Loaded},
        {"empty file", "", ConfigResult::Incomplete},
        {"binary junk", std::string("\x00\xFF\x01\x80 boot:\x00", 10), ConfigResult::Incomplete},
        {"only a lone CR terminator", "boot: b\rsrecord: f\rconfig: 00", ConfigResult::Loaded},
    };
    TempDir dir;
    for (const Case& c : cases)
        EXPECT_EQ(parse(dir, c.content).result, c.result) << c.why;
}

TEST(ParseConfig, ValuesAreTheFirstWordAndTheLastLineWins)
{
    TempDir dir;
    Parsed p = parse(dir, "boot: first.s19 second.s19\n"
                          "srecord: one.s19\n"
                          "srecord:  \t two.s19  \n"
                          "config: a5\n");
    ASSERT_EQ(p.result, ConfigResult::Loaded);
    EXPECT_EQ(p.state.gbootFile, "first.s19");
    EXPECT_EQ(p.state.gfirmwareFile, "two.s19");
    EXPECT_EQ(p.state.gconfigValHex, 0xA5);
    EXPECT_EQ(p.labels.eeprom, "EEPROM File:") << "no trailing blank without an EEPROM file";
}

TEST(ParseConfig, FailureLeavesConfigByteAndLabelsAlone)
{
    TempDir dir;
    Parsed p = parse(dir, "boot: b\nsrecord: f\nconfig: zz\n");
    EXPECT_EQ(p.result, ConfigResult::Incomplete);
    EXPECT_EQ(p.state.gconfigValHex, 0x99);
    EXPECT_EQ(p.state.gconfigVal, "ZZ") << "upper-cased in place before the test";
    EXPECT_EQ(p.labels.boot, "Boot File:");
}

TEST(ParseConfig, MissingFileClearsTheNamesAndReadsNothing)
{
    TempDir dir;
    FlashRunState state;
    state.gconfigFile = "tessivar.cfg";
    state.gbootFile = "old.s19";
    state.geepromFile = "old.s19";
    FileLabels labels;
    labels.boot = "kept";
    EXPECT_EQ(parseConfig(state, labels), ConfigResult::Missing);
    EXPECT_EQ(state.gbootFile, "");
    EXPECT_EQ(state.geepromFile, "");
    EXPECT_EQ(labels.boot, "kept");

    std::filesystem::create_directory("tessivar.cfg");
    EXPECT_EQ(parseConfig(state, labels), ConfigResult::Missing) << "a directory is not a file";
}

TEST(ParseConfig, UnreadableFileIsToldApart)
{
    TempDir dir;
    dir.write("default.cfg", kExample);
    std::filesystem::permissions("default.cfg", std::filesystem::perms::none);
    testkit::Unprivileged user;
    ASSERT_TRUE(user.active());
    FlashRunState state;
    state.gconfigFile = "default.cfg";
    FileLabels labels;
    EXPECT_EQ(parseConfig(state, labels), ConfigResult::Unreadable);
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
