#include "workbook/BiffRecords.h"

#include "platform/Utf16.h"
#include "workbook/Bytes.h"

#include <algorithm>

namespace workbook {
namespace {

constexpr std::size_t kHeaderSize = 4; // a record's type and length

} // namespace

std::optional<std::string_view> RecordWalker::raw(std::uint16_t& type)
{
    if (offset_ >= stream_.size()) {
        return std::nullopt;
    }
    const Bytes bytes(stream_);
    const auto found = bytes.u16(offset_);
    const auto length = bytes.u16(offset_ + 2);
    const auto data = length ? bytes.slice(offset_ + kHeaderSize, *length) : std::nullopt;
    if (!found || !data) {
        broken_ = true;
        return std::nullopt;
    }
    type = *found;
    offset_ += kHeaderSize + data->size();
    return data;
}

std::optional<Record> RecordWalker::next()
{
    Record record;
    record.offset = offset_;
    const auto data = raw(record.type);
    if (!data) {
        return std::nullopt;
    }
    record.data = *data;
    const std::size_t continuedFrom = offset_;
    const Bytes bytes(stream_);
    std::uint16_t type = 0;
    while (record.type != record::kEof && bytes.u16(offset_) == record::kContinue) {
        if (!raw(type)) {
            return std::nullopt;
        }
    }
    record.continued = stream_.substr(continuedFrom, offset_ - continuedFrom);
    return record;
}

SegmentReader::SegmentReader(const Record& record)
    : segment_(record.data)
    , rest_(record.continued)
{
}

std::size_t SegmentReader::leftInSegment()
{
    // The walker checked that every CONTINUE record is whole.
    while (offset_ >= segment_.size() && !rest_.empty()) {
        const std::size_t length = *Bytes(rest_).u16(2);
        segment_ = rest_.substr(kHeaderSize, length);
        rest_.remove_prefix(kHeaderSize + length);
        ++segmentNumber_;
        offset_ = 0;
    }
    return segment_.size() - offset_;
}

std::optional<std::uint8_t> SegmentReader::u8()
{
    if (leftInSegment() == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(segment_[offset_++]);
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

bool SegmentReader::string(std::u16string* units)
{
    const auto length = u16();
    const auto flags = u8();
    if (!length || !flags) {
        return false;
    }
    const auto runs = (*flags & 0x08) ? u16() : std::optional<std::uint16_t>(0);
    const auto phonetic = (*flags & 0x04) ? u32() : std::optional<std::uint32_t>(0);
    if (!runs || !phonetic) {
        return false;
    }
    bool wide = *flags & 0x01;
    if (units) {
        units->clear();
        units->reserve(*length);
    }
    std::size_t segment = segmentNumber_;
    for (std::size_t done = 0; done < *length;) {
        if (leftInSegment() == 0) {
            return false;
        }
        // Characters that cross into a CONTINUE record: it starts with their width.
        if (segmentNumber_ != segment) {
            segment = segmentNumber_;
            wide = *u8() & 0x01;
            continue;
        }
        // As many characters as this segment holds at once.
        const std::string_view bytes = segment_.substr(offset_);
        const std::size_t count = std::min(*length - done, wide ? bytes.size() / 2 : bytes.size());
        if (count == 0) {
            // Half a character left in the segment: the other half is the next one's first byte.
            const auto unit = u16();
            if (!unit) {
                return false;
            }
            if (units) {
                *units += static_cast<char16_t>(*unit);
            }
            ++done;
            continue;
        }
        for (std::size_t i = 0; units && i < count; ++i) {
            *units += wide ? static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                   static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8)
                           : static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]));
        }
        offset_ += wide ? 2 * count : count;
        done += count;
    }
    return skip(4 * std::size_t{*runs}) && skip(*phonetic);
}

std::optional<std::string> SegmentReader::unicodeString()
{
    // One buffer serves string after string: a table of texts holds thousands.
    if (!string(&units_)) {
        return std::nullopt;
    }
    return platform::utf8FromUtf16(units_);
}

} // namespace workbook
