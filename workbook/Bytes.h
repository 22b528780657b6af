#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Little-endian numbers out of untrusted bytes: every read is checked
// against the end of the bytes and gives nothing past it.
namespace workbook {

class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::string_view bytes)
        : bytes_(bytes)
    {
    }

    std::size_t size() const { return bytes_.size(); }
    std::string_view view() const { return bytes_; }

    // The `length` bytes at `offset`, or nothing when they run past the end.
    std::optional<std::string_view> slice(std::size_t offset, std::size_t length) const
    {
        if (offset > bytes_.size() || length > bytes_.size() - offset) {
            return std::nullopt;
        }
        return bytes_.substr(offset, length);
    }

    std::optional<std::uint8_t> u8(std::size_t offset) const
    {
        return number<std::uint8_t>(offset);
    }
    std::optional<std::uint16_t> u16(std::size_t offset) const
    {
        return number<std::uint16_t>(offset);
    }
    std::optional<std::uint32_t> u32(std::size_t offset) const
    {
        return number<std::uint32_t>(offset);
    }
    std::optional<std::uint64_t> u64(std::size_t offset) const
    {
        return number<std::uint64_t>(offset);
    }

private:
    template <typename Number> std::optional<Number> number(std::size_t offset) const
    {
        const auto field = slice(offset, sizeof(Number));
        if (!field) {
            return std::nullopt;
        }
        Number value = 0;
        for (std::size_t i = sizeof(Number); i-- > 0;) {
            value = static_cast<Number>((value << 8) | static_cast<unsigned char>((*field)[i]));
        }
        return value;
    }

    std::string_view bytes_;
};

} // namespace workbook
