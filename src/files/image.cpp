#include "files/image.h"

#include <algorithm>
#include <optional>

#include "files/sha256.h"
#include "files/srecord.h"
#include "files/text_files.h"

namespace zorvane::files {

namespace {

constexpr std::uint32_t kHighestAddress = 0xFFFF;

// Thrown inside the readers; each public reader turns it into its fault.
struct Refusal {
    ImageFaultKind kind;
    std::string text;
};

std::string hexByte(unsigned value)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string hexAddress(std::uint32_t value)
{
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

bool isHexDigit(std::uint8_t code)
{
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F');
}

bool isWhiteSpace(std::uint8_t code)
{
    return code == ' ' || code == '\t' || code == '\r' || code == '\n' || code == '\v' || code == '\f';
}

// A character as a fault names it: "G", or its code when it does not print.
std::string characterText(std::uint8_t code)
{
    if (code > 0x20 && code < 0x7F)
        return "\"" + std::string(1, static_cast<char>(code)) + "\"";
    return "character $" + hexByte(code);
}

// The bytes a record's count must at least cover: its address and checksum.
int minimumCount(std::uint8_t type)
{
    switch (type) {
    case '0': case '1': case '5': case '9': return 3;
    case '2': case '6': case '8': return 4;
    case '3': case '7': return 5;
    default: return 1;
    }
}

// Where each line of a file starts, counted as the text stream counts them:
// CR LF, LF and a lone CR each end a line.
class LineIndex {
public:
    explicit LineIndex(const std::string& text)
    {
        starts_.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
                starts_.push_back(i + 1);
    }

    long lineOf(std::size_t position) const
    {
        return static_cast<long>(std::upper_bound(starts_.begin(), starts_.end(), position) - starts_.begin());
    }

    long columnOf(std::size_t position) const
    {
        return static_cast<long>(position - starts_[static_cast<std::size_t>(lineOf(position)) - 1]) + 1;
    }

private:
    std::vector<std::size_t> starts_;
};

FileContent readContent(const std::string& fileName, std::string bytes)
{
    FileContent file;
    file.fileName = fileName;
    file.bytes = std::move(bytes);
    file.sha256 = Sha256Hex(file.bytes);
    TextStream stream = TextStream::FromText(fileName, file.bytes);
    while (!stream.AtEndOfStream()) {
        file.lineCount = stream.Line();
        stream.SkipLine();
    }
    return file;
}

// The bytes of the file at path, which the configuration calls fileName.
std::string readBytes(const std::string& fileName, const std::string& path)
{
    if (!FileExists(path))
        throw Refusal{ImageFaultKind::Missing, "file " + fileName + " not found"};
    try {
        return ReadFileBytes(path);
    } catch (const TextFileError& e) {
        throw Refusal{ImageFaultKind::Unreadable, e.what()};
    }
}

// Reads the records of a file one by one with the system's record reader and
// checks each whole: its digits, its count, its checksum, and that nothing but
// white space follows it on its line.
class RecordReader {
public:
    explicit RecordReader(const FileContent& file)
        : file_(file), stream_(TextStream::FromText(file.fileName, file.bytes)), lines_(file.bytes)
    {
    }

    // The next record; nullopt when only text without a record is left.
    std::optional<SrecRecord> next()
    {
        const std::size_t start = file_.bytes.find_first_of("Ss", stream_.Position());
        if (start == std::string::npos)
            return std::nullopt;
        start_ = start;
        long length = 0;
        try {
            length = GetSrecLine(stream_, line_);
        } catch (const EndOfStreamError&) {
            refuse("the file ends inside the record");
        } catch (const BufferRangeError&) {
            checkCount();
            refuse("the count $" + countText() + " makes the record longer than " +
                   std::to_string(kSrecLineSize - 1) + " characters");
        }
        checkRecord(length, stream_.Position() - start);

        SrecRecord record;
        record.line = lines_.lineOf(start);
        record.type = static_cast<char>(line_[1]);
        if (record.type == '1') {
            record.address = static_cast<std::uint32_t>(Ascii2Dec(line_[4], line_[5]) * 256 +
                                                        Ascii2Dec(line_[6], line_[7]));
            std::array<std::uint8_t, kSrecLineSize> data{};
            record.data.assign(data.begin(), data.begin() + SLine2Hex(line_, data, 0));
        }
        return record;
    }

    // The record last read, as the line buffer holds it.
    const SrecLine& line() const { return line_; }

    [[noreturn]] void refuse(const std::string& what) const
    {
        throw Refusal{ImageFaultKind::Damaged,
                      file_.fileName + " line " + std::to_string(lines_.lineOf(start_)) + ": " + what};
    }

private:
    std::string countText() const { return std::string{static_cast<char>(line_[2]), static_cast<char>(line_[3])}; }

    std::string at(long position) const
    {
        return " at column " + std::to_string(lines_.columnOf(start_ + static_cast<std::size_t>(position)));
    }

    void checkCount() const
    {
        for (long k = 2; k <= 3; ++k)
            if (!isHexDigit(line_[static_cast<std::size_t>(k)]))
                refuse(characterText(line_[static_cast<std::size_t>(k)]) + at(k) + " is not a hexadecimal digit");
    }

    // length: what the record's count makes it; read: the characters taken
    // from its "S" on, the one after the checksum included.
    void checkRecord(long length, std::size_t read) const
    {
        checkCount();
        if (static_cast<long>(read) < length)
            refuse("the file ends inside the record");
        for (long k = 4; k < length; ++k)
            if (!isHexDigit(line_[static_cast<std::size_t>(k)]))
                refuse(characterText(line_[static_cast<std::size_t>(k)]) + at(k) + " is not a hexadecimal digit");
        const int count = Ascii2Dec(line_[2], line_[3]);
        if (count < minimumCount(line_[1]))
            refuse("the count $" + countText() + " is too small for an S" + std::string(1, static_cast<char>(line_[1])) +
                   " record");
        if (static_cast<long>(read) > length && !isWhiteSpace(line_[static_cast<std::size_t>(length)]))
            refuse("the count $" + countText() + " ends the record" + at(length) + ", where " +
                   characterText(line_[static_cast<std::size_t>(length)]) + " follows");
        unsigned sum = 0;
        for (long k = 2; k < length - 2; k += 2)
            sum += static_cast<unsigned>(Ascii2Dec(line_[static_cast<std::size_t>(k)], line_[static_cast<std::size_t>(k + 1)]));
        const auto checksum = static_cast<unsigned>(Ascii2Dec(line_[static_cast<std::size_t>(length - 2)],
                                                              line_[static_cast<std::size_t>(length - 1)]));
        const unsigned expected = 0xFF - (sum & 0xFF);
        if (checksum != expected)
            refuse("checksum $" + hexByte(checksum) + ", the line's bytes give $" + hexByte(expected));
    }

    const FileContent& file_;
    TextStream stream_;
    LineIndex lines_;
    SrecLine line_{};
    std::size_t start_ = 0;
};

std::string dataDigest(const std::vector<ImageBlock>& blocks)
{
    Sha256 digest;
    for (const ImageBlock& block : blocks)
        digest.update(block.data);
    return digest.hexDigest();
}

std::vector<AddressRange> rangesOf(const std::vector<ImageBlock>& blocks)
{
    std::vector<AddressRange> ranges;
    for (const ImageBlock& block : blocks) {
        const std::uint32_t last = block.start + static_cast<std::uint32_t>(block.data.size()) - 1;
        if (!ranges.empty() && ranges.back().last + 1 == block.start)
            ranges.back().last = last;
        else
            ranges.push_back({block.start, last});
    }
    return ranges;
}

Image checkImage(FileContent file)
{
    Image image;
    const std::string& name = file.fileName;
    if (file.lineCount == 0)
        throw Refusal{ImageFaultKind::Damaged, "File " + name + " holds no records."};
    if (file.lineCount > kMaxImageLines)
        throw Refusal{ImageFaultKind::Damaged,
                      "File " + name + " has more than " + std::to_string(kMaxImageLines) + " lines."};

    RecordReader reader(file);
    std::vector<SrecRecord> dataRecords;
    while (true) {
        std::optional<SrecRecord> record = reader.next();
        if (!record)
            throw Refusal{ImageFaultKind::Damaged, "File " + name + " ends without an end record."};
        image.records.push_back(*record);
        if (record->type == '0')
            continue;
        if (record->type != '1')   // S5, S7, S8, S9 and also S2, S3: the image ends here
            break;
        if (!image.hasData) {
            // The result box shows the line's first two data positions as they stand.
            const SrecLine& line = reader.line();
            image.checksum = {static_cast<std::uint8_t>(Ascii2Dec(line[8], line[9])),
                              static_cast<std::uint8_t>(Ascii2Dec(line[10], line[11]))};
            image.hasData = true;
        }
        if (record->address + record->data.size() > kHighestAddress + 1)
            reader.refuse("the record at address $" + hexAddress(record->address) + " runs past address $FFFF");
        image.dataBytes += record->data.size();
        dataRecords.push_back(std::move(*record));
    }
    image.blocks = PlanBlocks(dataRecords);
    image.dataSha256 = dataDigest(image.blocks);
    image.ranges = rangesOf(image.blocks);
    image.file = std::move(file);
    return image;
}

BootImage checkBootImage(FileContent file)
{
    BootImage boot;
    RecordReader reader(file);
    std::size_t count = 0;
    // The boot data are the S1 records' data in file order; the records after
    // the one that completes them are never read.
    while (count < kBootBytes) {
        std::optional<SrecRecord> record = reader.next();
        if (!record)
            break;
        boot.records.push_back(*record);
        const std::size_t n = record->data.size();
        if (count + n <= kBootBytes)
            std::copy(record->data.begin(), record->data.end(), boot.data.begin() + static_cast<long>(count));
        count += n;
    }
    if (count > kBootBytes)
        throw Refusal{ImageFaultKind::WrongSize, "the boot file holds more than 1025 data bytes"};
    if (count < kBootBytes)
        throw Refusal{ImageFaultKind::WrongSize, "the boot file holds " + std::to_string(count) + " data bytes, not 1025"};
    std::uint32_t sum = 0;
    for (std::uint8_t byte : boot.data)
        sum += byte;
    boot.checksum = static_cast<std::uint16_t>(sum % 65536);
    Sha256 digest;
    digest.update(boot.data);
    boot.dataSha256 = digest.hexDigest();
    boot.file = std::move(file);
    return boot;
}

template <typename Result, typename Check>
std::variant<Result, ImageFault> guarded(Check check)
{
    try {
        return check();
    } catch (const Refusal& refusal) {
        return ImageFault{refusal.kind, refusal.text};
    }
}

} // namespace

namespace {

// The next record to place: the rest of one that did not fit the last
// block, else the file's next one; none at the end.
std::optional<SrecRecord> nextRecord(std::optional<SrecRecord>& carried, const std::vector<SrecRecord>& records,
                                     std::size_t& next)
{
    std::optional<SrecRecord> record = std::move(carried);
    carried.reset();
    if (!record && next < records.size())
        record = records[next++];
    return record;
}

} // namespace

std::vector<ImageBlock> PlanBlocks(const std::vector<SrecRecord>& dataRecords)
{
    const auto pageOf = [](std::uint32_t address) { return address / kPageBytes; };
    std::vector<ImageBlock> blocks;
    std::optional<SrecRecord> carried;   // bytes of a record that did not fit the block just closed
    std::size_t next = 0;
    long completed = 0;
    bool end = false;
    while (!end) {
        ImageBlock block;
        std::uint32_t start = 0;
        while (block.data.size() < static_cast<std::size_t>(kPageBytes)) {
            std::optional<SrecRecord> taken = nextRecord(carried, dataRecords, next);
            if (!taken) {
                end = true;
                break;
            }
            SrecRecord record = std::move(*taken);
            const std::uint32_t address = record.address;
            const std::size_t n = record.data.size();
            if (block.data.empty())
                start = address;
            if (address != start + block.data.size() || pageOf(address) != pageOf(start)) {
                carried = std::move(record);
                break;
            }
            const std::uint32_t last = address + static_cast<std::uint32_t>(n) - 1;
            if (n > 0 && pageOf(last) != pageOf(address)) {
                const std::uint32_t nextPage = (address | (kPageBytes - 1)) + 1;
                const auto fits = static_cast<long>(nextPage - address);
                block.data.insert(block.data.end(), record.data.begin(), record.data.begin() + fits);
                record.data.erase(record.data.begin(), record.data.begin() + fits);
                record.address = nextPage;
                carried = std::move(record);
                break;
            }
            block.data.insert(block.data.end(), record.data.begin(), record.data.end());
            ++completed;
        }
        if (!block.data.empty()) {
            block.start = static_cast<std::uint16_t>(start);
            block.completedRecords = completed;
            blocks.push_back(std::move(block));
        }
    }
    return blocks;
}

std::variant<Image, ImageFault> CheckImage(std::string fileName, std::string bytes)
{
    return guarded<Image>([&] { return checkImage(readContent(fileName, std::move(bytes))); });
}

std::variant<BootImage, ImageFault> CheckBootImage(std::string fileName, std::string bytes)
{
    return guarded<BootImage>([&] { return checkBootImage(readContent(fileName, std::move(bytes))); });
}

std::variant<Image, ImageFault> ReadImage(const std::string& fileName, const std::filesystem::path& folder)
{
    return guarded<Image>(
        [&] { return checkImage(readContent(fileName, readBytes(fileName, InFolder(folder, fileName)))); });
}

std::variant<BootImage, ImageFault> ReadBootImage(const std::string& fileName, const std::filesystem::path& folder)
{
    return guarded<BootImage>(
        [&] { return checkBootImage(readContent(fileName, readBytes(fileName, InFolder(folder, fileName)))); });
}

} // namespace zorvane::files
