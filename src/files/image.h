// An S-record image read once and checked whole: the file's bytes and
// SHA-256, its records with their line numbers, and the data exactly as it
// will go to the radio. Programming, the flasher's check and the flash record
// all take the image from here, so what was checked is what is sent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace zorvane::files {

constexpr std::size_t kBootBytes = 1025;   // the boot ROM takes exactly this many
constexpr int kPageBytes = 128;            // a programming block never crosses a page
// The line count is a signed 16-bit number in the progress arithmetic.
constexpr long kMaxImageLines = 32767;

// The first two data bytes of an image's first data record.
using ImageChecksum = std::array<std::uint8_t, 2>;

// A record the reading rules took, with the file line its "S" stands on.
struct SrecRecord {
    long line = 0;
    char type = '0';
    std::uint32_t address = 0;           // of an S1 record
    std::vector<std::uint8_t> data;      // of an S1 record
};

// The file as read: its name, bytes, SHA-256 and line count.
struct FileContent {
    std::string fileName;
    std::string bytes;
    std::string sha256;
    long lineCount = 0;   // as the progress bar counts lines
};

// One programming block: its data lie at consecutive addresses in one page.
struct ImageBlock {
    std::uint16_t start = 0;
    std::vector<std::uint8_t> data;
    long completedRecords = 0;   // data records completed once this block is assembled
};

struct AddressRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// An EEPROM or firmware image: the records up to the end record and the
// blocks they make.
struct Image {
    FileContent file;
    std::vector<SrecRecord> records;
    ImageChecksum checksum{};       // what the result box shows
    bool hasData = false;           // at least one S1 record
    std::vector<ImageBlock> blocks;
    std::size_t dataBytes = 0;
    std::string dataSha256;         // of the data bytes in the order they are sent
    std::vector<AddressRange> ranges;
};

// The boot code: the data of the boot file's S1 records in file order.
struct BootImage {
    FileContent file;
    std::vector<SrecRecord> records;
    std::array<std::uint8_t, kBootBytes> data{};
    std::uint16_t checksum = 0;     // the sum of the 1025 bytes modulo 65536
    std::string dataSha256;
};

// Why an image cannot be used.
enum class ImageFaultKind {
    Missing,      // no file of that name
    WrongSize,    // boot data that are not exactly 1025 bytes
    Unreadable,   // the file cannot be opened or read
    Damaged,      // a record that is not what it claims, or a file the rules cannot program
};

struct ImageFault {
    ImageFaultKind kind;
    std::string text;        // "pellamar.s19 line 2: checksum $87, the line's bytes give $8A"
    std::string file{};      // as the configuration names it
    long line = 0;           // the line a rule refused; 0: the file as a whole
    std::string rule{};      // which rule: "checksum", "record-type", "missing", ...
    // Why a release manifest does not vouch for the file ("unlisted",
    // "changed"); empty: it does, or none is in play.
    std::string notReleased{};
};

// Reads and checks an EEPROM or firmware image, named as the configuration
// names it, in the run's folder (none: the current one).
std::variant<Image, ImageFault> ReadImage(const std::string& fileName, const std::filesystem::path& folder = {});
// Reads and checks a boot file.
std::variant<BootImage, ImageFault> ReadBootImage(const std::string& fileName,
                                                  const std::filesystem::path& folder = {});

// The same from bytes already read, for the fuzzers and the tests.
std::variant<Image, ImageFault> CheckImage(std::string fileName, std::string bytes);
std::variant<BootImage, ImageFault> CheckBootImage(std::string fileName, std::string bytes);

// The blocks programming sends for data records in file order: a block ends
// at an address gap, at a page's end and at 128 bytes.
std::vector<ImageBlock> PlanBlocks(const std::vector<SrecRecord>& dataRecords);

} // namespace zorvane::files
