#include "workbook/BiffRecords.h"

#include "platform/Utf16.h"
#include "workbook/Bytes.h"

#include <algorithm>

namespace workbook {
namespace {

constexpr std::size_t kHeaderSize = 4; // a record's type and length

} // namespace

std::optional<Record> RecordWalker::raw()
{
    if (offset_ >= stream_.size()) {
        return std::nullopt;
    }
    const Bytes bytes(stream_);
    const auto length = bytes.u16(offset_ + 2);
    const auto data = length ? bytes.slice(offset_ + kHeaderSize, *length) : std::nullopt;
    if (!data) {
        broken_ = true;
        return std::nullopt;
    }
    const Record record{*bytes.u16(offset_), *data, {}};
    offset_ += kHeaderSize + data->size();
    return record;
}

std::optional<Record> RecordWalker::next()
{
    auto record = raw();
    const std::size_t continuedFrom = offset_;
    while (record && record->type != record::kEof &&
           Bytes(stream_).u16(offset_) == record::kContinue) {
        if (!raw()) {
            return std::nullopt;
        }
    }
    if (record) {
        record->continued = stream_.substr(continuedFrom, offset_ - continuedFrom);
    }
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

bool SegmentReader::string(std::string* text)
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
    if (text) {
        units_.clear();
        units_.reserve(*length);
    }
    for (std::size_t done = 0, segment = segmentNumber_; done < *length;) {
        if (leftInSegment() == 0) {
            return false;
        }
        // Characters that cross into a CONTINUE record: it starts with their width.
        if (segmentNumber_ != segment) {
            segment = segmentNumber_;
            wide = *u8() & 0x01;
            continue;
        }
        // A wide character may have its second byte in the next record, which then
        // starts with that byte.
        const auto unit = wide ? u16() : std::optional<std::uint16_t>(u8());
        if (!unit) {
            return false;
        }
        if (text) {
            units_ += static_cast<char16_t>(*unit);
        }
        ++done;
    }
    if (!skip(4 * std::size_t{*runs}) || !skip(*phonetic)) {
        return false;
    }
    if (text) {
        *text = platform::utf8FromUtf16(units_);
    }
    return true;
}

} // namespace workbook
