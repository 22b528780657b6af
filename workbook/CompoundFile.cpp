#include "workbook/CompoundFile.h"

#include "workbook/Bytes.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace workbook {
namespace {

constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr std::uint32_t kLastSectorNumber = 0xFFFFFFFA; // larger numbers mark ends and kinds
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr std::size_t kHeaderFatEntries = 109;

enum class EntryType : std::uint8_t { Storage = 1, Stream = 2, Root = 5 };

Failure damaged(const std::string& what)
{
    return Failure{"the workbook is damaged (" + what + ")"};
}

struct DirectoryEntry {
    std::u16string name;
    std::uint8_t type = 0;
    std::uint32_t left = kNoEntry;
    std::uint32_t right = kNoEntry;
    std::uint32_t child = kNoEntry;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
};

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameName(const std::u16string& a, const std::u16string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

class Container {
public:
    static std::variant<Container, Failure> open(std::string_view file);

    std::variant<std::string, Failure> streamNamed(const std::vector<std::u16string>& names) const;

private:
    explicit Container(std::string_view file)
        : file_(file)
    {
    }

    // The bytes of sector `n` (the last one may be cut short by the file's end).
    std::optional<std::string_view> sector(std::uint32_t n) const;
    // The sectors of a chain through `table`, checked: every number within
    // the table and the file, no sector twice.
    std::optional<std::vector<std::uint32_t>> chain(const std::vector<std::uint32_t>& table,
                                                    std::uint32_t start) const;
    // The whole bytes of a chain of file sectors, at most `limit` of them.
    std::optional<std::string> chainBytes(std::uint32_t start, std::size_t limit) const;
    std::optional<Failure> readFat(const Bytes& header);
    std::optional<DirectoryEntry> entry(std::uint32_t index) const;
    std::variant<std::string, Failure> streamOf(const DirectoryEntry& entry) const;

    Bytes file_;
    std::size_t sectorSize_ = 512;
    std::size_t sectorCount_ = 0;
    std::size_t miniSectorSize_ = 64;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::string directory_;
    std::string miniStream_;
};

std::optional<std::string_view> Container::sector(std::uint32_t n) const
{
    if (n >= sectorCount_) {
        return std::nullopt;
    }
    const std::size_t offset = (static_cast<std::size_t>(n) + 1) * sectorSize_;
    return file_.slice(offset, std::min(sectorSize_, file_.size() - offset));
}

std::optional<std::vector<std::uint32_t>> Container::chain(const std::vector<std::uint32_t>& table,
                                                           std::uint32_t start) const
{
    std::vector<std::uint32_t> sectors;
    std::vector<bool> seen(table.size(), false);
    for (std::uint32_t n = start; n <= kLastSectorNumber; n = table[n]) {
        if (n >= table.size() || seen[n]) {
            return std::nullopt;
        }
        seen[n] = true;
        sectors.push_back(n);
    }
    return sectors;
}

std::optional<std::string> Container::chainBytes(std::uint32_t start, std::size_t limit) const
{
    const auto sectors = chain(fat_, start);
    if (!sectors) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(std::min(limit, sectors->size() * sectorSize_));
    for (const std::uint32_t n : *sectors) {
        const auto data = sector(n);
        if (!data) {
            return std::nullopt;
        }
        bytes.append(data->substr(0, limit - std::min(limit, bytes.size())));
    }
    return bytes;
}

std::optional<Failure> Container::readFat(const Bytes& header)
{
    // The allocation table's sectors: 109 named in the header, the rest in a
    // chain of sectors each naming as many as fit and then the next of the chain.
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t claimed = header.u32(0x2C).value_or(0);
    const auto wanted = std::min<std::size_t>(claimed, sectorCount_);
    for (std::size_t i = 0; i < kHeaderFatEntries && fatSectors.size() < wanted; ++i) {
        fatSectors.push_back(*header.u32(0x4C + 4 * i));
    }
    const std::size_t perSector = sectorSize_ / 4 - 1;
    std::uint32_t next = header.u32(0x44).value_or(kNoEntry);
    std::vector<bool> seen(sectorCount_, false);
    while (fatSectors.size() < wanted && next <= kLastSectorNumber) {
        const auto data = sector(next);
        if (!data || seen[next] || data->size() < sectorSize_) {
            return damaged("its table of sectors is broken");
        }
        seen[next] = true;
        const Bytes entries(*data);
        for (std::size_t i = 0; i < perSector && fatSectors.size() < wanted; ++i) {
            fatSectors.push_back(*entries.u32(4 * i));
        }
        next = *entries.u32(4 * perSector);
    }
    if (fatSectors.size() < wanted) {
        return damaged("its table of sectors is cut short");
    }
    for (const std::uint32_t n : fatSectors) {
        const auto data = sector(n);
        if (!data) {
            return damaged("its table of sectors lies outside the file");
        }
        const Bytes entries(*data);
        for (std::size_t i = 0; i + 4 <= data->size(); i += 4) {
            fat_.push_back(*entries.u32(i));
        }
    }
    return std::nullopt;
}

std::variant<Container, Failure> Container::open(std::string_view file)
{
    const Bytes header(file.substr(0, std::min(file.size(), kHeaderSize)));
    if (file.empty()) {
        return Failure{"the file is empty"};
    }
    if (file.substr(0, 4) == std::string_view("PK\x03\x04", 4)) {
        return Failure{
            "it is an Excel 2007 or later workbook (.xlsx); save it as Excel 97-2003 (.xls)"};
    }
    if (file.substr(0, kSignature.size()) != kSignature) {
        return Failure{"it is not an Excel 97-2003 workbook (.xls)"};
    }
    if (file.size() < kHeaderSize) {
        return damaged("it is cut short");
    }
    Container container(file);
    const std::uint16_t sectorShift = *header.u16(0x1E);
    const std::uint16_t miniShift = *header.u16(0x20);
    if ((sectorShift != 9 && sectorShift != 12) || miniShift != 6) {
        return damaged("its sector size is not one of the format's");
    }
    container.sectorSize_ = std::size_t{1} << sectorShift;
    container.miniSectorSize_ = std::size_t{1} << miniShift;
    container.miniCutoff_ = *header.u32(0x38);
    if (file.size() <= container.sectorSize_) {
        return damaged("it holds no sectors");
    }
    container.sectorCount_ =
        (file.size() - container.sectorSize_ + container.sectorSize_ - 1) / container.sectorSize_;
    if (auto failure = container.readFat(header)) {
        return *failure;
    }
    const auto directory = container.chainBytes(*header.u32(0x30), file.size());
    if (!directory || directory->size() < kDirectoryEntrySize) {
        return damaged("its directory is broken");
    }
    container.directory_ = *directory;
    const auto root = container.entry(0);
    if (!root || root->type != static_cast<std::uint8_t>(EntryType::Root)) {
        return damaged("its directory has no root");
    }
    // The short sectors: a stream of their own, with a table of their own.
    if (root->size > 0) {
        const auto mini = container.chainBytes(root->start, file.size());
        if (!mini || mini->size() < root->size) {
            return damaged("its stream of short sectors is broken");
        }
        container.miniStream_ = mini->substr(0, static_cast<std::size_t>(root->size));
        const auto miniFat = container.chainBytes(*header.u32(0x3C), file.size());
        if (!miniFat) {
            return damaged("its table of short sectors is broken");
        }
        const Bytes entries(*miniFat);
        for (std::size_t i = 0; i + 4 <= miniFat->size(); i += 4) {
            container.miniFat_.push_back(*entries.u32(i));
        }
    }
    return container;
}

std::optional<DirectoryEntry> Container::entry(std::uint32_t index) const
{
    const Bytes directory(directory_);
    const auto bytes =
        directory.slice(std::size_t{index} * kDirectoryEntrySize, kDirectoryEntrySize);
    if (!bytes) {
        return std::nullopt;
    }
    const Bytes fields(*bytes);
    DirectoryEntry entry;
    const std::size_t nameBytes = std::min<std::size_t>(*fields.u16(0x40), 64);
    for (std::size_t i = 0; i + 2 <= nameBytes; i += 2) {
        const auto c = static_cast<char16_t>(*fields.u16(i));
        if (c == 0) {
            break;
        }
        entry.name += c;
    }
    entry.type = *fields.u8(0x42);
    entry.left = *fields.u32(0x44);
    entry.right = *fields.u32(0x48);
    entry.child = *fields.u32(0x4C);
    entry.start = *fields.u32(0x74);
    // Files of 512-byte sectors may hold anything in the size's upper half.
    entry.size = sectorSize_ == 512 ? *fields.u32(0x78) : *fields.u64(0x78);
    return entry;
}

std::variant<std::string, Failure> Container::streamOf(const DirectoryEntry& entry) const
{
    if (entry.size >= miniCutoff_) {
        auto bytes = chainBytes(entry.start, file_.size());
        if (!bytes || bytes->size() < entry.size) {
            return damaged("a stream is shorter than its length");
        }
        bytes->resize(static_cast<std::size_t>(entry.size));
        return std::move(*bytes);
    }
    const auto sectors = chain(miniFat_, entry.start);
    if (!sectors && entry.size > 0) {
        return damaged("a short stream's chain is broken");
    }
    std::string bytes;
    const Bytes mini(miniStream_);
    for (const std::uint32_t n : sectors.value_or(std::vector<std::uint32_t>{})) {
        const auto data = mini.slice(std::size_t{n} * miniSectorSize_, miniSectorSize_);
        if (!data) {
            return damaged("a short stream lies outside its sectors");
        }
        bytes.append(*data);
        if (bytes.size() >= entry.size) {
            break;
        }
    }
    if (bytes.size() < entry.size) {
        return damaged("a short stream is shorter than its length");
    }
    bytes.resize(static_cast<std::size_t>(entry.size));
    return bytes;
}

std::variant<std::string, Failure>
Container::streamNamed(const std::vector<std::u16string>& names) const
{
    // The root storage's entries form a tree through their left and right
    // links; it is walked without recursion, each entry at most once.
    std::vector<DirectoryEntry> streams;
    std::vector<std::uint32_t> pending{entry(0)->child};
    std::vector<bool> seen(directory_.size() / kDirectoryEntrySize, false);
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == kNoEntry) {
            continue;
        }
        const auto found = entry(index);
        if (!found || seen[index]) {
            return damaged("its directory is broken");
        }
        seen[index] = true;
        if (found->type == static_cast<std::uint8_t>(EntryType::Stream)) {
            streams.push_back(*found);
        }
        pending.push_back(found->left);
        pending.push_back(found->right);
    }
    for (const std::u16string& name : names) {
        for (const DirectoryEntry& stream : streams) {
            if (sameName(stream.name, name)) {
                return streamOf(stream);
            }
        }
    }
    return Failure{"it holds no workbook"};
}

} // namespace

std::variant<std::string, Failure> readStream(std::string_view file,
                                              const std::vector<std::u16string>& names)
{
    auto container = Container::open(file);
    if (const auto* failure = std::get_if<Failure>(&container)) {
        return *failure;
    }
    return std::get<Container>(container).streamNamed(names);
}

} // namespace workbook
