#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/bench_host.h"
#include "cli/station_board.h"

namespace zorvane::cli {
namespace {

// What a terminal of that width shows after a stream of text: it knows line
// feeds, carriage returns, cursor up, erase line and erase below, and wraps
// a line at its last column; colours are dropped.
std::vector<std::string> Screen(const std::string& stream, std::size_t width = 1000)
{
    std::vector<std::string> rows(1);
    std::size_t row = 0;
    std::size_t column = 0;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const char c = stream[i];
        if (c == '\033' && i + 1 < stream.size() && stream[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < stream.size() && !std::isalpha(static_cast<unsigned char>(stream[end])))
                ++end;
            const int n = end > i + 2 ? std::stoi(stream.substr(i + 2, end - i - 2)) : 1;
            switch (stream[end]) {
            case 'A': row = row >= static_cast<std::size_t>(n) ? row - n : 0; break;
            case 'K': rows[row].resize(std::min(rows[row].size(), column)); break;
            case 'J': rows[row].resize(std::min(rows[row].size(), column)); rows.resize(row + 1); break;
            default: break;   // colours
            }
            i = end;
        } else if (c == '\n') {
            ++row;
            column = 0;
            if (rows.size() <= row)
                rows.emplace_back();
        } else if (c == '\r') {
            column = 0;
        } else {
            if (column >= width) {
                ++row;
                column = 0;
                if (rows.size() <= row)
                    rows.emplace_back();
            }
            if (rows[row].size() <= column)
                rows[row].resize(column + 1, ' ');
            rows[row][column++] = c;
        }
    }
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return rows;
}

const std::vector<std::string> kPorts{"tty0", "tty1", "tty2", "tty3"};

// What a board wrote to its terminal while it lived.
std::string Captured(const std::function<void(std::FILE*)>& draw)
{
    std::FILE* out = std::tmpfile();
    draw(out);
    std::string text;
    std::rewind(out);
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, out)) > 0;)
        text.append(chunk, got);
    std::fclose(out);
    return text;
}

std::string Played(int rows, bool colour, const std::function<void(BenchBoard&)>& events, int columns = 0,
                   const std::vector<std::string>& ports = kPorts)
{
    return Captured([&](std::FILE* out) {
        BenchBoard board(ports, {true, colour, false}, out, [rows, columns] { return os::TerminalSize{rows, columns}; });
        events(board);
    });
}

void FourRadiosOneFailing(BenchBoard& board)
{
    for (std::size_t i = 0; i < 4; ++i)
        board.stageStarted(i, RunStage::ProgramFlash);
    board.progress(1, {RunStage::ProgramFlash, 0x8080, 128, 32768, 0.4});
    board.line(2, "[FLASH Error] Line Error!\n  cause: block $8100: the radio's sum $34 differs from $33");
    board.ended(2, "FLASH Error: FLASH Failed.  Line Errors occured.", false);
    for (std::size_t i : {0u, 1u, 3u}) {
        board.line(i, "[ZORVANE] Programming Successful!");
        board.ended(i, "Programming Successful!", true);
    }
    board.finish();
}

// Messages scroll above the live block, which is drawn again in place:
// what stays on the screen is every message once and each port's ending
// once, never an old copy of the block.
TEST(BenchBoard, LiveBlockIsRedrawnInPlace)
{
    const std::vector<std::string> screen = Screen(Played(30, false, FourRadiosOneFailing));
    const std::vector<std::string> expected{
        "[tty2] [FLASH Error] Line Error!",
        "[tty2]   cause: block $8100: the radio's sum $34 differs from $33",
        "[tty0] [ZORVANE] Programming Successful!",
        "[tty1] [ZORVANE] Programming Successful!",
        "[tty3] [ZORVANE] Programming Successful!",
        "tty0                     Programming Successful!",
        "tty1                     Programming Successful!",
        "tty2                     FLASH Error: FLASH Failed.  Line Errors occured.",
        "tty3                     Programming Successful!",
    };
    EXPECT_EQ(screen, expected);
}

// A block taller than the terminal becomes a line per stage, the count of
// radios done, and each failed radio's line.
TEST(BenchBoard, TooManyRadiosForTheTerminalAreCounted)
{
    std::vector<std::string> eight;
    for (int i = 0; i < 8; ++i)
        eight.push_back("tty" + std::to_string(i));
    const std::vector<std::string> screen = Screen(Played(
        6, false,
        [](BenchBoard& board) {
            for (std::size_t i = 0; i < 4; ++i)
                board.stageStarted(i, RunStage::ProgramFlash);
            board.stageStarted(3, RunStage::EraseRom);
            board.ended(0, "Programming Successful!", true);
            board.ended(2, "FLASH Error: FLASH Failed.", false);
            board.finish();
        },
        0, eight));
    const std::vector<std::string> expected{
        "FLASH                    1 radio",
        "Erasing ROM              1 radio",
        "Waiting                  4 radios",
        "Done                     1 radio",
        "tty2                     FLASH Error: FLASH Failed.",
    };
    EXPECT_EQ(screen, expected);
}

// A line as wide as the terminal would wrap, and its second row would stay
// behind when the block is erased: live lines are cut to the width.
TEST(BenchBoard, LiveLinesNeverWrap)
{
    std::vector<std::string> ports;
    for (int i = 0; i < 4; ++i)
        ports.push_back("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5028" + std::to_string(i) + "-if00-port0");
    const std::vector<std::string> screen = Screen(Played(30, false, FourRadiosOneFailing, 60, ports), 60);
    ASSERT_GE(screen.size(), 4u);
    for (std::size_t row = screen.size() - 4; row < screen.size(); ++row) {
        EXPECT_LT(screen[row].size(), 60u) << screen[row];
        EXPECT_EQ(screen[row].rfind(ports[row - (screen.size() - 4)].substr(0, 24), 0), 0u) << screen[row];
    }
    for (const std::string& row : screen)
        EXPECT_EQ(row.find("bytes/s"), std::string::npos) << "a stale progress line: " << row;

    // A character of several bytes takes one column and is never cut in two.
    const LiveBlock block({true, false, false}, nullptr, {}, {}, {});
    EXPECT_EQ(block.shown("Z\u00fcrich", nullptr, 4), "Z\u00fcr");
    EXPECT_EQ(block.shown("tty0", nullptr, 1), "") << "a row of one column";
}

// However many radios fail, the block never grows taller than the terminal.
TEST(BenchBoard, FailuresBeyondTheTerminalAreCounted)
{
    const std::vector<std::string> screen = Screen(Played(3, false, [](BenchBoard& board) {
        for (std::size_t i = 0; i < 4; ++i) {
            board.stageStarted(i, RunStage::OpenPort);
            board.ended(i, "Comm Error: Zorvane was unable to open Comm Port.", false);
        }
        board.finish();
    }));
    const std::vector<std::string> expected{
        "Done                     0 radios",
        "Failed, not listed       4 radios",
    };
    EXPECT_EQ(screen, expected);
}

TEST(BenchBoard, ColourOnlyWhenAsked)
{
    EXPECT_TRUE(ColourWanted(true, nullptr));
    EXPECT_FALSE(ColourWanted(true, "")) << "NO_COLOR set, even empty";
    EXPECT_FALSE(ColourWanted(true, "1"));
    EXPECT_FALSE(ColourWanted(false, nullptr)) << "a pipe or a file";

    const std::string plain = Played(30, false, FourRadiosOneFailing);
    const std::string coloured = Played(30, true, FourRadiosOneFailing);
    EXPECT_EQ(plain.find("\033[3"), std::string::npos);
    EXPECT_NE(coloured.find("\033[32mtty0                     Programming Successful!\033[0m"), std::string::npos);
    EXPECT_NE(coloured.find("\033[31mtty2                     FLASH Error"), std::string::npos);
    EXPECT_EQ(Screen(plain), Screen(coloured)) << "colour changes no character on the screen";
}

} // namespace
} // namespace zorvane::cli

namespace zorvane::cli {
namespace {

std::vector<std::string> StationScreen(int rows, const std::function<void(StationBoard&)>& events)
{
    return Screen(Captured([&](std::FILE* out) {
                      StationBoard board(kPorts, {true, false, false}, out, [rows] { return os::TerminalSize{rows, 100}; });
                      events(board);
                  }),
                  100);
}

void MidShift(StationBoard& board)
{
    board.state(0, StationState::Running, "SN-4711");
    board.stageStarted(0, RunStage::ProgramFlash);
    board.progress(0, {RunStage::ProgramFlash, 0x8080, 128, 32768, 42.5});
    board.ended(1, "SN-4710 success 52.1 s", true);
    board.state(1, StationState::Armed);
    board.state(2, StationState::Unavailable, "./tty2: no such device");
    board.state(3, StationState::Armed);
    board.flag(3, "SN-1: flashed before, scan again to flash again");
    board.message(0, "[ZORVANE] a message");
    board.counts("1 radio, 1 good, 0 failed, 69 radios an hour");
    board.next(1);
    board.typing("SN-47");
}

// Each station's line says what it does, the next one is marked, and the
// label being typed stays below the block however often it is redrawn;
// once the shift ends the typed line goes.
TEST(StationBoard, OneLinePerStationTheNextMarked)
{
    const std::vector<std::string> screen = StationScreen(24, MidShift);
    ASSERT_EQ(screen.size(), 7u) << ::testing::PrintToString(screen);
    EXPECT_EQ(screen[0], "[tty0] [ZORVANE] a message");
    EXPECT_EQ(screen[1], "Shift: 1 radio, 1 good, 0 failed, 69 radios an hour");
    EXPECT_EQ(screen[2].rfind("  tty0                 running  SN-4711          FLASH           42.5%", 0), 0u) << screen[2];
    EXPECT_EQ(screen[3].rfind("> tty1                 armed", 0), 0u) << screen[3];
    EXPECT_NE(screen[3].find("SN-4710 success 52.1 s"), std::string::npos) << screen[3];
    EXPECT_NE(screen[4].find("no port                   ./tty2: no such device"), std::string::npos) << screen[4];
    EXPECT_NE(screen[5].find("SN-1: flashed before, scan again"), std::string::npos) << screen[5];
    EXPECT_EQ(screen[6], "Scan> SN-47");

    const std::vector<std::string> ended = StationScreen(24, [](StationBoard& board) {
        MidShift(board);
        board.finish();
    });
    EXPECT_EQ(ended.size(), 6u) << ::testing::PrintToString(ended);

    // A terminal too small for every station says how many are not shown.
    const std::vector<std::string> small = StationScreen(6, MidShift);
    EXPECT_EQ(small.size(), 6u) << ::testing::PrintToString(small);
    EXPECT_EQ(small[4], "  ... 2 more stations: widen the terminal to see them");
}

} // namespace
} // namespace zorvane::cli

namespace zorvane::cli {
namespace {

// A terminal whose size changes: the cursor cannot move above the top row,
// a line feed on the bottom row scrolls the top row away, a full row wraps
// onto the next, and a new width wraps the lines again, as most terminals
// do. It knows line feeds, carriage returns, cursor up and erase below;
// colours are dropped.
class Terminal {
public:
    explicit Terminal(os::TerminalSize size) : size_(size) {}

    os::TerminalSize size() const { return size_; }
    std::size_t scrolledAway() const { return scrolled_; }
    // The rows above the cursor, where the live block ends.
    std::vector<std::string> screen() const
    {
        std::vector<std::string> shown;
        for (std::size_t i = 0; i < row_; ++i)
            shown.push_back(rows_[i].text);
        return shown;
    }

    // Shows what was written to out since the last call.
    void follow(std::FILE* out)
    {
        std::fseek(out, static_cast<long>(read_), SEEK_SET);
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, out)) > 0; read_ += got)
            feed(std::string(chunk, got));
        std::fseek(out, 0, SEEK_END);
    }

    // Where the boards leave the cursor, at the start of the row below the block.
    void resize(os::TerminalSize size)
    {
        ASSERT_EQ(column_, 0u);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < row_; ++i) {
            if (rows_[i].wrapped && !lines.empty())
                lines.back() += rows_[i].text;
            else
                lines.push_back(rows_[i].text);
        }
        size_ = size;
        rows_.clear();
        for (const std::string& line : lines)
            for (std::size_t at = 0; at == 0 || at < line.size(); at += static_cast<std::size_t>(size.columns))
                rows_.push_back({line.substr(at, static_cast<std::size_t>(size.columns)), at > 0});
        rows_.emplace_back();
        for (; rows_.size() > static_cast<std::size_t>(size.rows); ++scrolled_)
            rows_.erase(rows_.begin());
        row_ = rows_.size() - 1;
    }

private:
    struct Row {
        std::string text;
        bool wrapped = false;   // the rest of the row above
    };

    void feed(const std::string& stream)
    {
        for (std::size_t i = 0; i < stream.size(); ++i) {
            const char c = stream[i];
            if (c == '\033') {
                const std::size_t end = stream.find_first_of("AJm", i);
                if (stream[end] == 'A')
                    row_ -= std::min<std::size_t>(row_, std::stoul(stream.substr(i + 2, end - i - 2)));
                if (stream[end] == 'J') {
                    rows_[row_].text.resize(std::min(rows_[row_].text.size(), column_));
                    rows_.resize(row_ + 1);
                }
                i = end;
            } else if (c == '\n' || c == '\r') {
                if (c == '\n')
                    nextRow(false);
                column_ = 0;
            } else {
                if (column_ >= static_cast<std::size_t>(size_.columns))
                    nextRow(true);
                rows_[row_].text.resize(std::max(rows_[row_].text.size(), column_ + 1), ' ');
                rows_[row_].text[column_++] = c;
            }
        }
    }

    void nextRow(bool wrapped)
    {
        column_ = 0;
        if (++row_ == static_cast<std::size_t>(size_.rows)) {
            rows_.erase(rows_.begin());
            --row_;
            ++scrolled_;
        }
        if (rows_.size() <= row_)
            rows_.push_back({{}, wrapped});
    }

    os::TerminalSize size_;
    std::vector<Row> rows_{1};
    std::size_t row_ = 0;
    std::size_t column_ = 0;
    std::size_t scrolled_ = 0;
    std::size_t read_ = 0;
};

// Shrunk to a few rows or columns and grown back, a board redraws its block
// in place at every size: no redraw scrolls the screen or changes it, and
// back at the first size the block is what it was.
template <class Board>
void ExpectTheBlockInPlaceAfterResizes(const std::function<void(Board&)>& events, std::size_t blockLines)
{
    const os::TerminalSize first{24, 80};
    for (const os::TerminalSize small : {os::TerminalSize{3, 10}, os::TerminalSize{4, 10}, os::TerminalSize{1, 80},
                                         os::TerminalSize{2, 80}, os::TerminalSize{24, 1}, os::TerminalSize{5, 3}}) {
        SCOPED_TRACE(::testing::Message() << "shrunk to " << small.rows << "x" << small.columns);
        Terminal terminal(first);
        std::FILE* out = std::tmpfile();
        Board board(kPorts, {true, false, false}, out, [&terminal] { return terminal.size(); });
        events(board);
        terminal.follow(out);
        const std::vector<std::string> before = terminal.screen();
        for (const os::TerminalSize size : {small, first}) {
            terminal.resize(size);
            board.wake(true);
            terminal.follow(out);
            const std::size_t scrolled = terminal.scrolledAway();
            const std::vector<std::string> drawn = terminal.screen();
            for (int redraw = 0; redraw < 3; ++redraw) {
                board.wake(true);
                terminal.follow(out);
            }
            EXPECT_EQ(terminal.scrolledAway(), scrolled) << "a redraw at " << size.rows << "x" << size.columns;
            EXPECT_EQ(terminal.screen(), drawn);
        }
        const std::vector<std::string> after = terminal.screen();
        ASSERT_GE(after.size(), blockLines);
        ASSERT_GE(before.size(), blockLines);
        EXPECT_EQ(std::vector<std::string>(after.end() - static_cast<std::ptrdiff_t>(blockLines), after.end()),
                  std::vector<std::string>(before.end() - static_cast<std::ptrdiff_t>(blockLines), before.end()));
        std::fclose(out);
    }
}

TEST(LiveBlock, InPlaceAfterAnyResize)
{
    ExpectTheBlockInPlaceAfterResizes<BenchBoard>(FourRadiosOneFailing, kPorts.size());
    ExpectTheBlockInPlaceAfterResizes<StationBoard>(MidShift, kPorts.size() + 2);
}

} // namespace
} // namespace zorvane::cli
