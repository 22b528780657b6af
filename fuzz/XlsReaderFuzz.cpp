// Bytes as an .xls workbook through our own reader, in process so that coverage guides the
// mutations: the cells of A1:B1000 or a one-line reason, and the same again for the same bytes.

#include "fuzz/Check.h"
#include "workbook/XlsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using Rows = std::vector<workbook::Row>;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto read = workbook::readFirstSheet(file, 1000),
               again = workbook::readFirstSheet(file, 1000);
    if (const auto* failure = std::get_if<workbook::Failure>(&read)) {
        FUZZ_CHECK(!failure->reason.empty() && failure->reason.find('\n') == failure->reason.npos &&
                   again == read);
    } else {
        FUZZ_CHECK(std::get<Rows>(read).size() <= 1000 && std::holds_alternative<Rows>(again) &&
                   sameRows(std::get<Rows>(read), std::get<Rows>(again)));
    }
    return 0;
}
