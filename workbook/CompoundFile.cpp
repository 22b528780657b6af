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

constexpr std::uint8_t kStreamEntry = 2;
constexpr std::uint8_t kRootEntry = 5;

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

bool sameName(const std::u16string& a, const std::u16string& b)
{
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    return std::ranges::equal(a, b, {}, lower, lower);
}

// An OpenDocument file is a ZIP whose first entry, stored as it is, is named
// "mimetype" and holds the document's type.
bool isOpenDocumentSpreadsheet(std::string_view file)
{
    constexpr std::string_view kName = "mimetype";
    constexpr std::string_view kType = "application/vnd.oasis.opendocument.spreadsheet";
    constexpr std::size_t kNameOffset = 30;
    const Bytes header(file);
    const auto nameLength = header.u16(26);
    const auto extraLength = header.u16(28);
    if (!nameLength || !extraLength || header.slice(kNameOffset, *nameLength) != kName) {
        return false;
    }
    return header.slice(kNameOffset + *nameLength + *extraLength, kType.size()) == kType;
}

class Container {
public:
    static std::variant<Container, Failure> open(std::string_view file);

    std::variant<std::string, Failure> streamNamed(const std::vector<std::u16string>& names) const;

private:
    using Sectors = std::vector<std::uint32_t>;

    explicit Container(std::string_view file)
        : file_(file)
    {
    }

    // The bytes of sector `n` (the last one may be cut short by the file's end).
    std::optional<std::string_view> sector(std::uint32_t n) const;
    // The `length` bytes at `offset` in the run of `sectors`, when they lie
    // within one sector (tables' entries and short sectors never cross one).
    std::optional<std::string_view> at(const Sectors& sectors, std::size_t offset,
                                       std::size_t length) const;
    // The sectors of a chain, checked: every number within its table and the
    // file, no sector twice.
    std::optional<Sectors> chain(std::uint32_t start, bool shortSectors) const;
    // The bytes a chain of file sectors holds, the file's last sector as far as the file goes.
    std::size_t bytesOf(const Sectors& sectors) const;
    std::optional<Failure> readFat(const Bytes& header);
    std::optional<DirectoryEntry> entry(std::uint32_t index) const;
    std::variant<std::string, Failure> streamOf(const DirectoryEntry& entry) const;

    // The tables, the directory and the short sectors are read in place
    // through their sectors: only the stream asked for is copied.
    Bytes file_;
    std::size_t sectorSize_ = 512;
    std::size_t sectorCount_ = 0;
    std::size_t miniSectorSize_ = 64;
    std::uint32_t miniCutoff_ = 4096;
    Sectors fat_;
    Sectors directory_;
    std::size_t directoryEntries_ = 0;
    Sectors miniStream_;
    std::size_t miniSectorCount_ = 0;
    Sectors miniFat_;
};

std::optional<std::string_view> Container::sector(std::uint32_t n) const
{
    if (n >= sectorCount_) {
        return std::nullopt;
    }
    const std::size_t offset = (static_cast<std::size_t>(n) + 1) * sectorSize_;
    return file_.slice(offset, std::min(sectorSize_, file_.size() - offset));
}

std::optional<std::string_view> Container::at(const Sectors& sectors, std::size_t offset,
                                              std::size_t length) const
{
    const std::size_t index = offset / sectorSize_;
    const auto data = index < sectors.size() ? sector(sectors[index]) : std::nullopt;
    return data ? Bytes(*data).slice(offset % sectorSize_, length) : std::nullopt;
}

std::optional<Container::Sectors> Container::chain(std::uint32_t start, bool shortSectors) const
{
    const std::size_t count = shortSectors ? miniSectorCount_ : sectorCount_;
    Sectors sectors;
    std::vector<bool> seen(count, false);
    for (std::uint32_t n = start; n <= kLastSectorNumber;) {
        const auto next =
            n < count ? at(shortSectors ? miniFat_ : fat_, std::size_t{n} * 4, 4) : std::nullopt;
        if (!next || seen[n]) {
            return std::nullopt;
        }
        seen[n] = true;
        sectors.push_back(n);
        n = *Bytes(*next).u32(0);
    }
    return sectors;
}

std::size_t Container::bytesOf(const Sectors& sectors) const
{
    std::size_t bytes = 0;
    for (const std::uint32_t n : sectors) {
        bytes += sector(n)->size();
    }
    return bytes;
}

std::optional<Failure> Container::readFat(const Bytes& header)
{
    // The allocation table's sectors: 109 named in the header, the rest in a
    // chain of sectors each naming as many as fit and then the next of the chain.
    const auto wanted = std::min<std::size_t>(*header.u32(0x2C), sectorCount_);
    for (std::size_t i = 0; i < kHeaderFatEntries && fat_.size() < wanted; ++i) {
        fat_.push_back(*header.u32(0x4C + 4 * i));
    }
    const std::size_t perSector = sectorSize_ / 4 - 1;
    std::uint32_t next = *header.u32(0x44);
    std::vector<bool> seen(sectorCount_, false);
    while (fat_.size() < wanted && next <= kLastSectorNumber) {
        const auto data = sector(next);
        if (!data || seen[next] || data->size() < sectorSize_) {
            return damaged("its table of sectors is broken");
        }
        seen[next] = true;
        const Bytes entries(*data);
        for (std::size_t i = 0; i < perSector && fat_.size() < wanted; ++i) {
            fat_.push_back(*entries.u32(4 * i));
        }
        next = *entries.u32(4 * perSector);
    }
    if (fat_.size() < wanted) {
        return damaged("its table of sectors is cut short");
    }
    for (const std::uint32_t n : fat_) {
        if (!sector(n)) {
            return damaged("its table of sectors lies outside the file");
        }
    }
    return std::nullopt;
}

std::variant<Container, Failure> Container::open(std::string_view file)
{
    const Bytes header(file);
    if (file.empty()) {
        return Failure{"the file is empty"};
    }
    if (file.starts_with(std::string_view("PK\x03\x04", 4))) {
        return Failure{
            isOpenDocumentSpreadsheet(file)
                ? "it is an OpenDocument spreadsheet (.ods); save it as Excel 97-2003 (.xls)"
                : "it is an Excel 2007 or later workbook (.xlsx); save it as Excel "
                  "97-2003 (.xls)"};
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
    container.sectorCount_ = (file.size() - 1) / container.sectorSize_;
    if (auto failure = container.readFat(header)) {
        return *failure;
    }
    auto directory = container.chain(*header.u32(0x30), false);
    const std::size_t directoryBytes = directory ? container.bytesOf(*directory) : 0;
    if (directoryBytes < kDirectoryEntrySize) {
        return damaged("its directory is broken");
    }
    container.directoryEntries_ = directoryBytes / kDirectoryEntrySize;
    container.directory_ = std::move(*directory);
    const auto root = container.entry(0);
    if (!root || root->type != kRootEntry) {
        return damaged("its directory has no root");
    }
    // The short sectors: a stream of their own, with a table of their own.
    if (root->size > 0) {
        auto mini = container.chain(root->start, false);
        if (!mini || container.bytesOf(*mini) < root->size) {
            return damaged("its stream of short sectors is broken");
        }
        auto miniFat = container.chain(*header.u32(0x3C), false);
        if (!miniFat) {
            return damaged("its table of short sectors is broken");
        }
        container.miniStream_ = std::move(*mini);
        container.miniFat_ = std::move(*miniFat);
        container.miniSectorCount_ =
            std::min(static_cast<std::size_t>(root->size) / container.miniSectorSize_,
                     container.bytesOf(container.miniFat_) / 4);
    }
    return container;
}

std::optional<DirectoryEntry> Container::entry(std::uint32_t index) const
{
    const auto bytes =
        at(directory_, std::size_t{index} * kDirectoryEntrySize, kDirectoryEntrySize);
    if (!bytes) {
        return std::nullopt;
    }
    const Bytes fields(*bytes);
    DirectoryEntry entry;
    const std::size_t nameBytes = std::min<std::size_t>(*fields.u16(0x40), 64);
    for (std::size_t i = 0; i + 2 <= nameBytes && *fields.u16(i) != 0; i += 2) {
        entry.name += static_cast<char16_t>(*fields.u16(i));
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
    const bool shortSectors = entry.size < miniCutoff_;
    const auto sectors = chain(entry.start, shortSectors);
    const std::size_t unit = shortSectors ? miniSectorSize_ : sectorSize_;
    if (!sectors) {
        // An empty stream needs no sectors.
        return entry.size == 0 ? std::variant<std::string, Failure>(std::string())
                               : damaged(shortSectors ? "a short stream's chain is broken"
                                                      : "a stream is shorter than its length");
    }
    const std::size_t available = shortSectors ? sectors->size() * unit : bytesOf(*sectors);
    if (available < entry.size) {
        return damaged(shortSectors ? "a short stream is shorter than its length"
                                    : "a stream is shorter than its length");
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(entry.size));
    for (std::size_t i = 0; bytes.size() < entry.size; ++i) {
        const std::size_t length = std::min<std::size_t>(unit, entry.size - bytes.size());
        const auto data = shortSectors ? at(miniStream_, (*sectors)[i] * unit, length)
                                       : sector((*sectors)[i])->substr(0, length);
        if (!data) {
            return damaged("a short stream lies outside its sectors");
        }
        bytes.append(*data);
    }
    return bytes;
}

std::variant<std::string, Failure>
Container::streamNamed(const std::vector<std::u16string>& names) const
{
    // The root storage's entries form a tree through their left and right
    // links; it is walked without recursion, each entry at most once, keeping
    // only the stream whose name comes first in `names`.
    std::optional<DirectoryEntry> found;
    std::size_t rank = names.size();
    std::vector<std::uint32_t> pending{entry(0)->child};
    std::vector<bool> seen(directoryEntries_, false);
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == kNoEntry) {
            continue;
        }
        auto current = entry(index);
        if (!current || seen[index]) {
            return damaged("its directory is broken");
        }
        seen[index] = true;
        pending.push_back(current->left);
        pending.push_back(current->right);
        const auto named = std::ranges::find_if(
            names, [&](const std::u16string& name) { return sameName(current->name, name); });
        const auto at = static_cast<std::size_t>(named - names.begin());
        if (current->type == kStreamEntry && at < rank) {
            rank = at;
            found = std::move(current);
        }
    }
    if (!found) {
        return Failure{"it holds no workbook"};
    }
    return streamOf(*found);
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
