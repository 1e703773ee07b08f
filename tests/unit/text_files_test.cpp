#include <gtest/gtest.h>

#include <filesystem>

#include "files/text_files.h"
#include "kit/temp_dir.h"

namespace zorvane::files {
namespace {

using testkit::TempDir;

std::vector<std::string> readLines(const std::string& name)
{
    TextStream stream = TextStream::OpenTextFile(name);
    std::vector<std::string> lines;
    while (!stream.AtEndOfStream())
        lines.push_back(stream.ReadLine());
    return lines;
}

TEST(TextFiles, EveryLineTerminatorEndsALine)
{
    struct Case {
        const char* content;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"last line without terminator", {"last line without terminator"}},
        {"mixed\rcr\nlf\r\ncrlf", {"mixed", "cr", "lf", "crlf"}},
        {"", {}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        dir.write("f.txt", c.content);
        EXPECT_EQ(readLines("f.txt"), c.lines) << c.content;
    }
}

TEST(TextFiles, LineNumbersFollowTheTerminators)
{
    TempDir dir;
    dir.write("f.txt", "ab\r\ncd\ref\ngh");
    TextStream stream = TextStream::OpenTextFile("f.txt");
    EXPECT_EQ(stream.Line(), 1);
    EXPECT_EQ(stream.Read(), 'a');
    EXPECT_EQ(stream.Read(), 'b');
    EXPECT_EQ(stream.Read(), '\r');
    EXPECT_EQ(stream.Line(), 1) << "CR LF is one terminator, complete at the LF";
    EXPECT_EQ(stream.Read(), '\n');
    EXPECT_EQ(stream.Line(), 2);
    stream.SkipLine();
    EXPECT_EQ(stream.Line(), 3);
    stream.SkipLine();
    EXPECT_EQ(stream.Line(), 4);
    EXPECT_EQ(stream.ReadAll(), "gh");
    EXPECT_TRUE(stream.AtEndOfStream());
}

TEST(TextFiles, ReadingPastTheEndRaisesItsOwnError)
{
    TempDir dir;
    dir.write("f.txt", "x");
    TextStream stream = TextStream::OpenTextFile("f.txt");
    EXPECT_EQ(stream.ReadLine(), "x");
    EXPECT_TRUE(stream.AtEndOfStream());
    EXPECT_THROW(stream.Read(), EndOfStreamError);
    EXPECT_THROW(stream.ReadLine(), EndOfStreamError);
    EXPECT_THROW(stream.SkipLine(), EndOfStreamError);
    EXPECT_EQ(stream.ReadAll(), "");
}

TEST(TextFiles, BareNamesResolveAgainstTheCurrentDirectory)
{
    TempDir dir;
    std::filesystem::create_directory("sub");
    dir.write("sub/inner.cfg", "x");
    dir.write("here.cfg", "x");
    EXPECT_TRUE(FileExists("here.cfg"));
    EXPECT_FALSE(FileExists("inner.cfg"));
    EXPECT_FALSE(FileExists("sub")) << "a directory is not a file";
    EXPECT_FALSE(FileExists(""));
    EXPECT_THROW(TextStream::OpenTextFile("missing.cfg"), TextFileError);
    EXPECT_THROW(TextStream::OpenTextFile("sub"), TextFileError);
}

TEST(TextFiles, BinaryBytesPassThroughUnchanged)
{
    TempDir dir;
    const std::string content("\x00\xFF\x80 s\x1A", 6);
    dir.write("bin", content);
    TextStream stream = TextStream::OpenTextFile("bin");
    EXPECT_EQ(stream.ReadAll(), content);
}

TEST(TextFiles, UnreadableFileIsATypedError)
{
    if (!testkit::Unprivileged::kPossible)
        GTEST_SKIP() << "this system cannot make a file unreadable to the tests";
    TempDir dir;
    dir.write("locked.cfg", "boot: x");
    std::filesystem::permissions("locked.cfg", std::filesystem::perms::none);
    testkit::Unprivileged user;
    ASSERT_TRUE(user.active());
    EXPECT_TRUE(FileExists("locked.cfg"));
    EXPECT_THROW(TextStream::OpenTextFile("locked.cfg"), TextFileError);
}

} // namespace
} // namespace zorvane::files
