#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The compound document container in which Excel 97-2003 keeps a workbook:
// a file of fixed-size sectors, chained by a sector allocation table, with a
// directory of named streams; small streams live in a stream of short sectors.
namespace workbook {

// Why a file could not be read, in words a person understands.
struct Failure {
    std::string reason;

    friend bool operator==(const Failure&, const Failure&) = default;
};

// The bytes of the first stream in the root storage whose name is one of
// `names` (in that order of preference, letter case not counted). Every
// offset, length and chain is checked against the file: a chain that loops
// or leaves the file, or a stream longer than its chain, is a failure, and
// nothing larger than the file is ever allocated.
std::variant<std::string, Failure> readStream(std::string_view file,
                                              const std::vector<std::u16string>& names);

} // namespace workbook
