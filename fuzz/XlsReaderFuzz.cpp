// Bytes as an .xls workbook through our own reader, in process so that coverage guides the
// mutations: the cells of A1:B1000 or a one-line reason, and the same again for the same bytes.

#include "fuzz/Check.h"
#include "workbook/XlsReader.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto read = workbook::readFirstSheet(file, 1000),
               again = workbook::readFirstSheet(file, 1000);
    const auto* sheet = std::get_if<workbook::Sheet>(&read);
    const auto* rows = sheet ? &sheet->rows : nullptr;
    const auto* failure = std::get_if<workbook::Failure>(&read);
    FUZZ_CHECK(rows ? rows->size() <= 1000
                    : failure->reason.find('\n') == std::string::npos && !failure->reason.empty() &&
                          std::get<workbook::Failure>(again) == *failure);
    // Read again, the same cells, a number being the same value (not-a-number included).
    const auto same = [](const workbook::Value& x, const workbook::Value& y) {
        return x == y || (x.kind == y.kind && x.text == y.text && std::isnan(x.number) &&
                          std::isnan(y.number));
    };
    FUZZ_CHECK(!rows || (std::holds_alternative<workbook::Sheet>(again) &&
                         std::ranges::equal(
                             *rows, std::get<workbook::Sheet>(again).rows,
                             [&](auto& r, auto& s) { return std::ranges::equal(r, s, same); })));
    return 0;
}
