#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <variant>

#include "files/image.h"

namespace zorvane::files {
namespace {

// A valid record of the type for the given address and data, as hex text.
std::string record(char type, const std::string& body)
{
    unsigned sum = static_cast<unsigned>(body.size() / 2 + 1);
    for (std::size_t i = 0; i < body.size(); i += 2)
        sum += static_cast<unsigned>(std::stoul(body.substr(i, 2), nullptr, 16));
    char tail[8];
    std::snprintf(tail, sizeof tail, "%02X", 0xFF - (sum & 0xFF));
    char count[8];
    std::snprintf(count, sizeof count, "%02X", static_cast<unsigned>(body.size() / 2 + 1));
    return std::string("S") + type + count + body + tail;
}

const std::string kData = record('1', "8000" "00112233445566778899AABBCCDDEEFF");
const std::string kEnd = record('9', "0000");

std::string faultOf(const std::string& text)
{
    const auto image = CheckImage("main.s19", text);
    return std::holds_alternative<ImageFault>(image) ? std::get<ImageFault>(image).text : "";
}

std::string bootFaultOf(const std::string& text)
{
    const auto boot = CheckBootImage("boot.s19", text);
    return std::holds_alternative<ImageFault>(boot) ? std::get<ImageFault>(boot).text : "";
}

// Every kind of damage, in the line that holds it; the same reader serves
// the boot file, so each is refused there too.
TEST(Image, DamagedRecordsAreRefusedWithTheirLine)
{
    std::string badData = kData;
    badData[10] = 'G';
    std::string badCount = kData;
    badCount[3] = 'x';
    std::string badAddress = kData;
    badAddress[5] = ':';
    std::string badChecksum = kData;
    badChecksum[kData.size() - 1] = 'Z';
    std::string wrongSum = kData;
    wrongSum[kData.size() - 1] = wrongSum[kData.size() - 1] == '0' ? '1' : '0';
    std::string shortCount = kData;
    shortCount[3] = '2';   // $12: the record ends one byte early, before the checksum's digits
    const struct Case {
        const char* why;
        std::string text;
        std::string fault;
        bool bootToo = true;   // the boot file reads on past an end record
    } cases[] = {
        {"data digit", "S0030000FC\r\n" + badData + "\r\n" + kEnd + "\r\n",
         "line 2: \"G\" at column 11 is not a hexadecimal digit"},
        {"count digit", badCount + "\n" + kEnd + "\n", "line 1: \"X\" at column 4 is not a hexadecimal digit"},
        {"address digit", badAddress + "\n" + kEnd + "\n", "line 1: \":\" at column 6 is not a hexadecimal digit"},
        {"checksum digit", badChecksum + "\n" + kEnd + "\n", "line 1: \"Z\" at column 42 is not a hexadecimal digit"},
        {"checksum", "\n\n" + wrongSum + "\n" + kEnd + "\n", "line 3: checksum $"},
        {"count too small", shortCount + "\n" + kEnd + "\n", "line 1: the count $12 ends the record at column 41"},
        {"two records on one line", kData + kData + "\n" + kEnd + "\n", "line 1: the count $13 ends the record at column 43, where \"S\" follows"},
        {"count below the address", "S1020000FD\n" + kEnd + "\n", "line 1: the count $02 is too small for an S1 record"},
        {"file ends inside a record", kData + "\n" + kData.substr(0, 20), "line 2: the file ends inside the record"},
        {"an s in text", "notes for this image\n" + kData + "\n" + kEnd + "\n", "line 1: \"O\" at column 8 is not a hexadecimal digit"},
        {"a record too long to read", "S1FF" + std::string(600, '0') + "\n", "line 1: the count $FF makes the record longer than 255 characters"},
        // The checksum leaves out the type and the "S": rules of their own.
        {"type not a digit", kData + "\n" + "SX" + kData.substr(2) + "\n" + kEnd + "\n", "line 2: \"X\" at column 2 is not a record type"},
        {"S4", "S4" + kData.substr(2) + "\n" + kEnd + "\n", "line 1: there is no S4 record type"},
        {"header not at 0000", record('0', "0100") + "\n" + kData + "\n" + kEnd + "\n", "line 1: an S0 header record has address 0000, not $0100"},
        {"header after data", kData + "\n" + record('0', "0000") + "\n" + kEnd + "\n", "line 2: an S0 header record after the data records"},
        {"second header", record('0', "0000") + "\n" + record('0', "0000") + "\n" + kData + "\n" + kEnd + "\n", "line 2: a second S0 header record"},
        {"end record with data", kData + "\n" + record('9', "000011") + "\n", "line 2: the count $04 gives the S9 record 1 data byte, where it carries none"},
        {"count record disagrees", kData + "\n" + record('5', "0002") + "\n" + kEnd + "\n", "line 2: the S5 record counts 2 data records, the file has 1 before it"},
        {"data after the end", kData + "\n" + kEnd + "\n" + record('1', "9000AA") + "\n", "line 3: an S1 record after the end record of line 2", false},
        {"a changed S", kData + "\n" + "T" + kData.substr(1) + "\n" + kEnd + "\n", "line 2: the line reads as an S1 record whose first character is \"T\""},
        {"a lost S", kData + "\n" + kData.substr(1) + "\n" + kEnd + "\n", "line 2: the line reads as an S1 record without its \"S\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(faultOf(c.text).rfind("main.s19 " + c.fault, 0), 0u) << c.why << ": " << faultOf(c.text);
        if (c.bootToo) {
            EXPECT_EQ(bootFaultOf(c.text).rfind("boot.s19 " + c.fault, 0), 0u) << c.why << ": " << bootFaultOf(c.text);
        }
    }
}

// What the reading rules always took still reads as before.
TEST(Image, ReadingRulesThatWorkStay)
{
    std::string lower = kData;
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const struct Case {
        const char* why;
        std::string text;
    } cases[] = {
        {"lower-case digits", lower + "\r\n" + kEnd + "\r\n"},
        {"LF line ends, text lines between records", "Firmware 1.2\n" + kData + "\n\nbuilt on bench 4\n" + kEnd + "\n"},
        {"lines after the end record are never read", kData + "\n" + kEnd + "\nanything at all: sG!\n"},
        {"no line end after the end record", kData + "\n" + kEnd},
        {"an S2 record ends the image", kData + "\n" + record('2', "01000001") + "\nnot read\n"},
        {"a count record that agrees", kData + "\n" + record('5', "0001") + "\n" + kEnd + "\n"},
        {"DOS end of file after the end record", kData + "\r\n" + kEnd + "\x1A"},
        {"DOS end of file on a line of its own", kData + "\r\n" + kEnd + "\r\n\x1A\r\nS1 anything\n"},
    };
    for (const Case& c : cases) {
        const auto image = CheckImage("main.s19", c.text);
        ASSERT_TRUE(std::holds_alternative<Image>(image)) << c.why << ": " << std::get<ImageFault>(image).text;
        const Image& read = std::get<Image>(image);
        ASSERT_EQ(read.blocks.size(), 1u) << c.why;
        EXPECT_EQ(read.blocks[0].start, 0x8000) << c.why;
        EXPECT_EQ(read.blocks[0].data.size(), 16u) << c.why;
        EXPECT_EQ(read.checksum, (ImageChecksum{0x00, 0x11})) << c.why;
    }
}

// Every character of a small image changed, one at a time, to each of a few
// others: the change is refused, or the bytes programmed and their blocks
// stay exactly as they were. The only changes the reading rules leave open
// are named here; any other that slips through fails.
TEST(Image, NoSingleChangedCharacterAltersTheDataUnseen)
{
    const std::vector<std::string> data = {record('1', "0000" "00112233445566778899AABBCCDDEEFF"),
                                           record('1', "0010" "0123456789ABCDEF0123456789ABCDEF"),
                                           record('1', "0020" "FEDCBA9876543210FEDCBA9876543210")};
    // With a header and without one: EEPROM images often start at 0000 bare.
    for (const bool withHeader : {true, false}) {
        std::vector<std::string> lines = data;
        if (withHeader)
            lines.insert(lines.begin(), record('0', "0000" "484452"));
        lines.push_back(kEnd);
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        const auto blocksOf = [](const std::string& bytes) {
            const auto image = CheckImage("main.s19", bytes);
            std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> blocks;
            if (const Image* read = std::get_if<Image>(&image))
                for (const ImageBlock& block : read->blocks)
                    blocks.emplace_back(block.start, block.data);
            return std::pair{std::holds_alternative<Image>(image), blocks};
        };
        const auto original = blocksOf(text);
        ASSERT_TRUE(original.first);
        ASSERT_EQ(original.second.size(), 1u);

        // Open: the last data record's type turned into S2 or S3, which end
        // the image before the end record, as they always did.
        const std::size_t lastData = text.find(data.back());
        const auto leftOpen = [&](std::size_t at, char to) { return at == lastData + 1 && (to == '2' || to == '3'); };
        std::vector<std::string> unseen;
        for (std::size_t at = 0; at < text.size(); ++at)
            for (const char to : {'0', '1', '2', '3', '5', '9', 'A', 'F', 'a', 'G', 'S', 's', ' ', '\x01', '\n', '\x1A'}) {
                if (text[at] == to)
                    continue;
                std::string changed = text;
                changed[at] = to;
                const auto read = blocksOf(changed);
                if (read.first && read.second != original.second && !leftOpen(at, to))
                    unseen.push_back("position " + std::to_string(at) + " to character " + std::to_string(int(to)));
            }
        std::string named;
        for (std::size_t i = 0; i < unseen.size() && i < 10; ++i)
            named += "\n  " + unseen[i];
        EXPECT_TRUE(unseen.empty()) << (withHeader ? "with" : "without") << " a header, " << unseen.size()
                                    << " changes alter the data unseen:" << named;
    }
}

// Blocks never cross a page, an address gap starts a new block, and the
// progress counts a record once it is placed whole.
TEST(Image, BlocksFollowPagesAndGaps)
{
    auto data = [](unsigned address, std::size_t bytes) {
        return SrecRecord{0, '1', address, std::vector<std::uint8_t>(bytes, 0x5A)};
    };
    const std::vector<ImageBlock> blocks =
        PlanBlocks({data(0x8010, 32), data(0x8030, 32), data(0x8050, 32), data(0x8070, 24), data(0x8200, 8)});
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].start, 0x8010);
    EXPECT_EQ(blocks[0].data.size(), 112u);
    EXPECT_EQ(blocks[0].completedRecords, 3);
    EXPECT_EQ(blocks[1].start, 0x8080);   // the last record's second half, on the next page
    EXPECT_EQ(blocks[1].data.size(), 8u);
    EXPECT_EQ(blocks[1].completedRecords, 4);
    EXPECT_EQ(blocks[2].start, 0x8200);
}

} // namespace
} // namespace zorvane::files
