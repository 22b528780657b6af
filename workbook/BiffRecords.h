#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The records of a BIFF8 workbook stream, and the text they hold.
namespace workbook {

namespace record {
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kMulBlank = 0x00BE;
constexpr std::uint16_t kRString = 0x00D6;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kFormat = 0x041E;
constexpr std::uint16_t kBof = 0x0809;
} // namespace record

struct Record {
    std::uint16_t type = 0;
    std::string_view data;
    // The CONTINUE records that follow it, headers and all, as they stand in the stream.
    std::string_view continued;
};

// Walks the records of a stream from an offset; a record cut short by the
// stream's end ends the walk as a failure.
class RecordWalker {
public:
    RecordWalker(std::string_view stream, std::size_t offset)
        : stream_(stream)
        , offset_(offset)
    {
    }

    // The next record with the CONTINUE records after it, or nothing at the
    // stream's end (then `broken()` tells whether it was cut short). An EOF
    // record is given alone: what follows it belongs to no record before it.
    std::optional<Record> next();
    bool broken() const { return broken_; }

private:
    // One record alone, CONTINUE or not.
    std::optional<Record> raw();

    std::string_view stream_;
    std::size_t offset_;
    bool broken_ = false;
};

// Reads across a record and its CONTINUE records as one run of bytes, except
// for the characters of a string: where they cross into a CONTINUE record,
// that record begins with a byte telling whether the rest are 8 or 16 bits.
class SegmentReader {
public:
    explicit SegmentReader(const Record& record);

    std::optional<std::uint8_t> u8();
    std::optional<std::uint16_t> u16() { return number<std::uint16_t>(); }
    std::optional<std::uint32_t> u32() { return number<std::uint32_t>(); }
    bool skip(std::size_t count);
    // A string as BIFF8 stores it: a 16-bit length, option flags, characters
    // of 8 or 16 bits, then rich-text runs and phonetic data, which are passed
    // over. Decoded to UTF-8 into `text`, or only passed over when `text` is
    // null; false when the string runs past the data.
    bool string(std::string* text);

private:
    // Bytes left in the current segment; moves to the next when it is used up.
    std::size_t leftInSegment();
    // A little-endian number, whose bytes may lie in two segments.
    template <typename Number> std::optional<Number> number()
    {
        Number value = 0;
        for (std::size_t i = 0; i < sizeof(Number); ++i) {
            const auto byte = u8();
            if (!byte) {
                return std::nullopt;
            }
            value = static_cast<Number>(value | Number{*byte} << 8 * i);
        }
        return value;
    }

    std::string_view segment_;
    std::string_view rest_; // the CONTINUE records not reached yet
    std::size_t segmentNumber_ = 0;
    std::size_t offset_ = 0;
    std::u16string units_; // one buffer for string after string: a table of texts holds thousands
};

} // namespace workbook
