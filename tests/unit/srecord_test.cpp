#include <gtest/gtest.h>

#include <string>

#include "files/srecord.h"
#include "kit/temp_dir.h"

namespace zorvane::files {
namespace {

using testkit::TempDir;

// A record with sixteen data bytes 00..0F at address 0000.
const std::string kS1Line = "S1130000000102030405060708090A0B0C0D0E0F74";

// Writes an image file into the test's folder and opens it.
TextStream openImage(const TempDir& dir, const std::string& content)
{
    dir.write("img.s19", content);
    return TextStream::OpenTextFile("img.s19");
}

std::string lineText(const SrecLine& line, int length)
{
    return std::string(line.begin(), line.begin() + length);
}

TEST(Ascii2Dec, CountsOnlyDigitsAndCapitalHexLetters)
{
    struct Case {
        char high, low;
        int value;
    } cases[] = {
        {'3', 'F', 63}, {'f', 'f', 0}, {'G', '1', 1}, {'0', '0', 0}, {'F', 'F', 255},
        {'A', '0', 160}, {'9', '9', 153}, {' ', '7', 7}, {'\xFF', 'B', 11},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ascii2Dec(static_cast<std::uint8_t>(c.high), static_cast<std::uint8_t>(c.low)), c.value)
            << c.high << c.low;
}

TEST(GetSrecLine, ReadsOneRecordAndTheCharacterAfterIt)
{
    TempDir dir;
    TextStream stream = openImage(dir, kS1Line + "\r\nS9030000FC\r\n");
    SrecLine line{};
    ASSERT_EQ(GetSrecLine(stream, line), 42);   // byte count 0x13 = 19
    EXPECT_EQ(line[42], 13) << "position L holds the carriage return";
    EXPECT_EQ(lineText(line, 42), kS1Line);

    std::array<std::uint8_t, 256> tx{};
    tx.fill(0xEE);
    EXPECT_EQ(SLine2Hex(line, tx, 100), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(tx[static_cast<std::size_t>(100 + i)], i);
    EXPECT_EQ(tx[99], 0xEE);
    EXPECT_EQ(tx[116], 0xEE);

    EXPECT_EQ(GetSrecLine(stream, line), 10) << "the next search skips the line feed";
    EXPECT_EQ(SLine2Hex(line, tx, 0), 0) << "an S9 record carries no data";
    EXPECT_EQ(tx[0], 0xEE);
}

TEST(GetSrecLine, RecordsReadAlikeWhateverSurroundsThem)
{
    struct Case {
        const char* why;
        std::string content;
        std::vector<int> dataCounts;   // SLine2Hex per record read
    } cases[] = {
        {"lower case", "s1130000000102030405060708090a0b0c0d0e0f74\n", {16}},
        {"text before and between records", "header text\n" + kS1Line + "\nremark\n" + kS1Line + "\n", {16, 16}},
        {"an s in the text starts a record", "xs\n" + kS1Line + "\n" + kS1Line + "\n", {0, 16}},
        {"S0 and S9 add nothing", "S00600004844521B\n" + kS1Line + "\nS9030000FC\n", {0, 16, 0}},
        {"a wrong checksum converts alike", "S1130000000102030405060708090A0B0C0D0E0F00\n", {16}},
        {"two records on one line lose the second", kS1Line + kS1Line + "\n" + kS1Line + "\n", {16, 16}},
        {"LF only", kS1Line + "\n" + kS1Line + "\n", {16, 16}},
        {"CR only", kS1Line + "\r" + kS1Line + "\r", {16, 16}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        TextStream stream = openImage(dir, c.content);
        SrecLine line{};
        std::array<std::uint8_t, 256> tx{};
        std::vector<int> counts;
        while (!stream.AtEndOfStream()) {
            try {
                GetSrecLine(stream, line);
            } catch (const EndOfStreamError&) {
                break;
            }
            counts.push_back(SLine2Hex(line, tx, 0));
        }
        EXPECT_EQ(counts, c.dataCounts) << c.why;
    }
}

TEST(GetSrecLine, LastRecordWithoutTerminatorKeepsItsFullLength)
{
    TempDir dir;
    TextStream stream = openImage(dir, "S9030000FC");
    SrecLine line{};
    line.fill('#');
    EXPECT_EQ(GetSrecLine(stream, line), 10);
    EXPECT_EQ(line[9], 'C');
    EXPECT_EQ(line[10], '#') << "position 2c + 4 is not written";
}

TEST(GetSrecLine, RunningOutBeforeTheBodyIsEndOfStream)
{
    struct Case {
        const char* why;
        const char* content;
    } cases[] = {
        {"no S left", "no records here\r\n"},
        {"ends inside the header", "S1"},
        {"ends right after the header", "S113"},
        {"only S characters", "SSSSS"},
        {"empty", ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        TextStream stream = openImage(dir, c.content);
        SrecLine line{};
        EXPECT_THROW(
            {
                while (true)
                    GetSrecLine(stream, line);
            },
            EndOfStreamError)
            << c.why;
    }
}

TEST(GetSrecLine, BodyCutShortKeepsTheEarlierCharacters)
{
    TempDir dir;
    TextStream stream = openImage(dir, kS1Line + "\nS1130010AB");
    SrecLine line{};
    GetSrecLine(stream, line);
    EXPECT_EQ(GetSrecLine(stream, line), 42);
    EXPECT_EQ(lineText(line, 10), "S1130010AB");
    EXPECT_EQ(line[10], '0') << "position 10 still holds the first record's character";
    EXPECT_TRUE(stream.AtEndOfStream());
}

TEST(GetSrecLine, RecordTooLongForTheLineBufferIsARangeError)
{
    struct Case {
        const char* count;
        bool fits;
    } cases[] = {{"7D", true}, {"7E", false}, {"FF", false}};
    TempDir dir;
    for (const Case& c : cases) {
        TextStream stream = openImage(dir, "S1" + std::string(c.count) + std::string(600, '0') + "\n");
        SrecLine line{};
        if (c.fits)
            EXPECT_EQ(GetSrecLine(stream, line), 2 * 0x7D + 4);
        else
            EXPECT_THROW(GetSrecLine(stream, line), BufferRangeError) << c.count;
    }
}

TEST(SLine2Hex, NeverWritesOutsideTheTransmitBuffer)
{
    TempDir dir;
    TextStream stream = openImage(dir, kS1Line + "\n");
    SrecLine line{};
    GetSrecLine(stream, line);

    std::array<std::uint8_t, 20> guarded{};
    std::span<std::uint8_t> tx(guarded.data() + 2, 16);
    EXPECT_EQ(SLine2Hex(line, tx, 0), 16);
    EXPECT_THROW(SLine2Hex(line, tx, 1), BufferRangeError);
    EXPECT_THROW(SLine2Hex(line, tx, -1), BufferRangeError);
    EXPECT_EQ(guarded[0], 0);
    EXPECT_EQ(guarded[1], 0);
    EXPECT_EQ(guarded[18], 0);
    EXPECT_EQ(guarded[19], 0);
}

TEST(SLine2Hex, ShortS1RecordsCarryNoData)
{
    SrecLine line{};
    const std::string text = "S1030000FC";
    std::copy(text.begin(), text.end(), line.begin());
    std::array<std::uint8_t, 4> tx{};
    EXPECT_EQ(SLine2Hex(line, tx, 0), 0);
}

} // namespace
} // namespace zorvane::files
