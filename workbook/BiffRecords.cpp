#include "workbook/BiffRecords.h"

#include "platform/Utf16.h"
#include "workbook/Bytes.h"

#include <algorithm>

namespace workbook {

std::optional<std::pair<std::uint16_t, std::string_view>> RecordWalker::raw()
{
    if (offset_ >= stream_.size()) {
        return std::nullopt;
    }
    const Bytes bytes(stream_);
    const auto type = bytes.u16(offset_);
    const auto length = bytes.u16(offset_ + 2);
    const auto data = length ? bytes.slice(offset_ + 4, *length) : std::nullopt;
    if (!type || !data) {
        broken_ = true;
        return std::nullopt;
    }
    offset_ += 4 + data->size();
    return std::pair{*type, *data};
}

std::optional<Record> RecordWalker::next()
{
    const auto first = raw();
    if (!first) {
        return std::nullopt;
    }
    Record record{first->first, first->second, {}};
    const Bytes bytes(stream_);
    while (bytes.u16(offset_) == record::kContinue) {
        const auto more = raw();
        if (!more) {
            return std::nullopt;
        }
        record.continued.push_back(more->second);
    }
    return record;
}

SegmentReader::SegmentReader(const Record& record)
    : segments_{record.data}
{
    segments_.insert(segments_.end(), record.continued.begin(), record.continued.end());
}

SegmentReader::SegmentReader(std::string_view data)
    : segments_{data}
{
}

std::size_t SegmentReader::leftInSegment()
{
    while (segment_ < segments_.size() && offset_ >= segments_[segment_].size()) {
        ++segment_;
        offset_ = 0;
    }
    return segment_ < segments_.size() ? segments_[segment_].size() - offset_ : 0;
}

std::optional<std::uint8_t> SegmentReader::u8()
{
    if (leftInSegment() == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(segments_[segment_][offset_++]);
}

std::optional<std::uint16_t> SegmentReader::u16()
{
    const auto low = u8();
    const auto high = u8();
    if (!low || !high) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*low | (*high << 8));
}

std::optional<std::uint32_t> SegmentReader::u32()
{
    const auto low = u16();
    const auto high = u16();
    if (!low || !high) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*low | (std::uint32_t{*high} << 16));
}

bool SegmentReader::skip(std::size_t count)
{
    while (count > 0) {
        const std::size_t step = std::min(count, leftInSegment());
        if (step == 0) {
            return false;
        }
        offset_ += step;
        count -= step;
    }
    return true;
}

std::optional<std::string> SegmentReader::unicodeString(bool shortLength)
{
    const auto length = shortLength ? std::optional<std::uint16_t>(u8()) : u16();
    const auto flags = u8();
    if (!length || !flags) {
        return std::nullopt;
    }
    const auto runs = (*flags & 0x08) ? u16() : std::optional<std::uint16_t>(0);
    const auto phonetic = (*flags & 0x04) ? u32() : std::optional<std::uint32_t>(0);
    if (!runs || !phonetic) {
        return std::nullopt;
    }
    bool wide = *flags & 0x01;
    // One buffer serves string after string: a table of texts holds thousands.
    std::u16string& units = units_;
    units.clear();
    units.reserve(*length);
    std::size_t segment = segment_;
    while (units.size() < *length) {
        if (leftInSegment() == 0) {
            return std::nullopt;
        }
        // Characters that cross into a CONTINUE record: it starts with their width.
        if (segment_ != segment) {
            segment = segment_;
            wide = *u8() & 0x01;
            continue;
        }
        // As many characters as this segment holds at once.
        const std::string_view bytes = segments_[segment_].substr(offset_);
        const std::size_t wanted = *length - units.size();
        const std::size_t count = std::min(wanted, wide ? bytes.size() / 2 : bytes.size());
        if (count == 0) {
            // Half a character left in the segment: the other half is the next one's first byte.
            const auto unit = u16();
            if (!unit) {
                return std::nullopt;
            }
            units += static_cast<char16_t>(*unit);
            continue;
        }
        const std::size_t start = units.size();
        units.resize(start + count);
        char16_t* const out = units.data() + start;
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = wide ? static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                  static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8)
                          : static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]));
        }
        offset_ += wide ? 2 * count : count;
    }
    if (!skip(4 * std::size_t{*runs}) || !skip(*phonetic)) {
        return std::nullopt;
    }
    return platform::utf8FromUtf16(units);
}

} // namespace workbook
