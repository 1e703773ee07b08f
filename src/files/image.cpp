#include "files/image.h"

#include <algorithm>
#include <optional>

#include "files/hex_text.h"
#include "files/record_reader.h"
#include "files/sha256.h"
#include "files/srecord.h"
#include "files/text_files.h"

namespace zorvane::files {

namespace {

constexpr std::uint32_t kHighestAddress = 0xFFFF;

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

// The bytes of the file at path, which the configuration calls fileName. A
// name that is no file at all is told as a missing file, with what it is.
std::string readBytes(const std::string& fileName, const std::string& path)
{
    std::variant<std::string, FileFault> read = ReadFile(path, fileName);
    if (const FileFault* fault = std::get_if<FileFault>(&read)) {
        const bool absent = fault->absent();
        throw Refusal{absent ? ImageFaultKind::Missing : ImageFaultKind::Unreadable, fault->text, 0,
                      absent ? "missing" : "unreadable"};
    }
    return std::move(std::get<std::string>(read));
}

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

// A header whose bytes end exactly where the data begin reads like the first
// data record with its type character changed: its bytes would be lost.
void refuseHeaderThatWasData(const SrecRecord& firstData, const RecordReader& reader)
{
    const auto& header = reader.header();
    if (header && header->dataBytes > 0 && firstData.address == header->dataBytes)
        reader.refuseLine(header->line, "header", "the S0 header record's " + std::to_string(header->dataBytes) +
                                            " bytes end where the first data record (line " +
                                            std::to_string(firstData.line) + ") starts: it reads as a data "
                                            "record whose type was changed");
}

// A byte programmed twice is a damaged file: a header turned into data by
// one changed type character reads exactly like this.
void refuseOverlap(const SrecRecord& record, std::vector<long>& writtenBy, const RecordReader& reader)
{
    for (std::size_t i = 0; i < record.data.size(); ++i) {
        long& line = writtenBy[record.address + i];
        if (line != 0)
            reader.refuse("overlap", "the record at address $" + HexDigits(record.address) + " overlaps the data of line " +
                          std::to_string(line) + " at address $" +
                          HexDigits(record.address + static_cast<std::uint32_t>(i)));
        line = record.line;
    }
}

Image checkImage(FileContent file)
{
    Image image;
    const std::string& name = file.fileName;
    if (file.lineCount == 0)
        throw Refusal{ImageFaultKind::Damaged, "File " + name + " holds no records.", 0, "empty"};
    if (file.lineCount > kMaxImageLines)
        throw Refusal{ImageFaultKind::Damaged,
                      "File " + name + " has more than " + std::to_string(kMaxImageLines) + " lines.", 0,
                      "too-many-lines"};

    RecordReader reader(file);
    std::vector<SrecRecord> dataRecords;
    std::vector<long> writtenBy(kHighestAddress + 1, 0);
    while (true) {
        std::optional<SrecRecord> record = reader.next();
        if (!record)
            throw Refusal{ImageFaultKind::Damaged, "File " + name + " ends without an end record.", 0, "no-end"};
        image.records.push_back(*record);
        if (record->type == '0')
            continue;
        if (record->type != '1') {   // S5, S7, S8, S9 and also S2, S3: the image ends here
            reader.refuseDataAfter(record->line);
            break;
        }
        if (!image.hasData) {
            refuseHeaderThatWasData(*record, reader);
            // The result box shows the line's first two data positions as they stand.
            const SrecLine& line = reader.line();
            image.checksum = {static_cast<std::uint8_t>(Ascii2Dec(line[8], line[9])),
                              static_cast<std::uint8_t>(Ascii2Dec(line[10], line[11]))};
            image.hasData = true;
        }
        if (record->address + record->data.size() > kHighestAddress + 1)
            reader.refuse("past-end", "the record at address $" + HexDigits(record->address) + " runs past address $FFFF");
        refuseOverlap(*record, writtenBy, reader);
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
        throw Refusal{ImageFaultKind::WrongSize, "the boot file holds more than 1025 data bytes", 0, "size"};
    if (count < kBootBytes)
        throw Refusal{ImageFaultKind::WrongSize,
                      "the boot file holds " + std::to_string(count) + " data bytes, not 1025", 0, "size"};
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
std::variant<Result, ImageFault> guarded(const std::string& fileName, Check check)
{
    try {
        return check();
    } catch (const Refusal& refusal) {
        return ImageFault{refusal.kind, refusal.text, fileName, refusal.line, refusal.rule};
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
    return guarded<Image>(fileName, [&] { return checkImage(readContent(fileName, std::move(bytes))); });
}

std::variant<BootImage, ImageFault> CheckBootImage(std::string fileName, std::string bytes)
{
    return guarded<BootImage>(fileName, [&] { return checkBootImage(readContent(fileName, std::move(bytes))); });
}

std::variant<Image, ImageFault> ReadImage(const std::string& fileName, const std::filesystem::path& folder)
{
    return guarded<Image>(fileName, [&] {
        return checkImage(readContent(fileName, readBytes(fileName, InFolder(folder, fileName))));
    });
}

std::variant<BootImage, ImageFault> ReadBootImage(const std::string& fileName, const std::filesystem::path& folder)
{
    return guarded<BootImage>(fileName, [&] {
        return checkBootImage(readContent(fileName, readBytes(fileName, InFolder(folder, fileName))));
    });
}

} // namespace zorvane::files
