// Bytes as an .xls workbook through our own workbook reader, in process so
// that coverage guides the mutations: whatever the file holds, the reader
// gives the cells of A1:B1000 or a reason a person can read, and gives the
// same again for the same bytes.

#include "fuzz/Check.h"
#include "workbook/XlsReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// The same rows, a number being the same when its bits are (not-a-number included).
bool sameRows(const std::vector<workbook::Row>& a, const std::vector<workbook::Row>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return std::equal(x.begin(), x.end(), y.begin(), [](const auto& p, const auto& q) {
            return p.kind == q.kind && p.text == q.text &&
                   std::memcmp(&p.number, &q.number, sizeof p.number) == 0;
        });
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto read = workbook::readFirstSheet(file, 1000);
    const auto again = workbook::readFirstSheet(file, 1000);
    if (const auto* failure = std::get_if<workbook::Failure>(&read)) {
        FUZZ_CHECK(!failure->reason.empty());
        FUZZ_CHECK(failure->reason.find('\n') == std::string::npos);
        FUZZ_CHECK(again == read);
    } else {
        const auto& rows = std::get<std::vector<workbook::Row>>(read);
        FUZZ_CHECK(rows.size() <= 1000);
        FUZZ_CHECK(std::holds_alternative<std::vector<workbook::Row>>(again) &&
                   sameRows(rows, std::get<std::vector<workbook::Row>>(again)));
    }
    return 0;
}
