#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <variant>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

#ifndef _WIN32
// A name that is no regular file, or a file too large for any image, is
// refused without being opened: a FIFO with no writer would block for ever.
TEST(TextFiles, OnlyRegularFilesOfBoundedSizeAreRead)
{
    TempDir dir;
    std::filesystem::create_directory("folder.s19");
    ASSERT_EQ(::mkfifo("fifo.s19", 0600), 0);
    dir.write("large.s19", "");
    std::filesystem::resize_file("large.s19", kMaxFileBytes + 1);
    dir.write("small.s19", "S9030000FC\n");
    const struct Case {
        std::string path;
        std::optional<FileFaultKind> kind;
        std::string text;
    } cases[] = {
        {"small.s19", std::nullopt, ""},
        {"missing.s19", FileFaultKind::Missing, "file missing.s19 not found"},
        {"folder.s19", FileFaultKind::NotAFile, "folder.s19 is a folder, not a file"},
        {"fifo.s19", FileFaultKind::NotAFile, "fifo.s19 is a FIFO, not a file"},
        {"/dev/null", FileFaultKind::NotAFile, "/dev/null is a device, not a file"},
        {"large.s19", FileFaultKind::TooLarge, "large.s19 is 16777217 bytes, more than the 16777216 a file may have"},
    };
    for (const Case& c : cases) {
        const std::variant<std::string, FileFault> read = ReadFile(c.path);
        const FileFault* fault = std::get_if<FileFault>(&read);
        ASSERT_EQ(fault != nullptr, c.kind.has_value()) << c.path;
        if (fault != nullptr) {
            EXPECT_EQ(fault->kind, *c.kind) << c.path;
            EXPECT_EQ(fault->text, c.text) << c.path;
        }
    }
}

#else
// A name Windows keeps for a device, in any folder, is refused unopened:
// opening COM1 would raise the serial port's lines.
TEST(TextFiles, DeviceNamesAreRefusedUnopened)
{
    TempDir dir;
    dir.write("common.s19", "S9030000FC\n");
    for (const char* device : {"COM1", "com3.s19", "NUL", "nul.tar.gz", "sub\\CON.cfg", "\\\\.\\COM4"}) {
        const std::variant<std::string, FileFault> read = ReadFile(device);
        ASSERT_TRUE(std::holds_alternative<FileFault>(read)) << device;
        EXPECT_EQ(std::get<FileFault>(read).kind, FileFaultKind::NotAFile) << device;
    }
    EXPECT_TRUE(std::holds_alternative<std::string>(ReadFile("common.s19")));
}
#endif

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
