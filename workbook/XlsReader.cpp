#include "workbook/XlsReader.h"

#include "workbook/BiffRecords.h"
#include "workbook/Bytes.h"
#include "workbook/ExcelDates.h"

#include <algorithm>
#include <bit>
#include <map>
#include <optional>

namespace workbook {
namespace {

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint8_t kWorksheet = 0;

Failure damaged(const std::string& what)
{
    return Failure{"the workbook is damaged (" + what + ")"};
}

// What the workbook's first part holds for reading a sheet.
struct Globals {
    bool system1904 = false;
    std::vector<std::uint16_t> formatOfXf;
    std::map<std::uint16_t, std::string> formatTexts;
    // Whether each cell format shows its number as a date, decided once.
    std::vector<std::optional<DateKind>> dateKindOfXf;
    std::vector<std::string> texts;          // the shared strings
    std::optional<std::uint32_t> firstSheet; // where its records start in the stream
};

std::optional<Failure> readSharedStrings(const Record& record, std::vector<std::string>& texts)
{
    SegmentReader reader(record);
    const auto total = reader.u32();
    const auto unique = reader.u32();
    if (!total || !unique) {
        return damaged("its table of texts is cut short");
    }
    for (std::uint32_t i = 0; i < *unique; ++i) {
        auto text = reader.unicodeString();
        if (!text) {
            return damaged("its table of texts is cut short");
        }
        texts.push_back(std::move(*text));
    }
    return std::nullopt;
}

std::optional<Failure> takeGlobal(const Record& record, Globals& globals)
{
    const Bytes data(record.data);
    switch (record.type) {
    case record::kDateMode:
        globals.system1904 = data.u16(0).value_or(0) == 1;
        break;
    case record::kBoundSheet: {
        const auto offset = data.u32(0);
        const auto type = data.u8(5);
        if (!offset || !type) {
            return damaged("a sheet's entry is cut short");
        }
        if (*type == kWorksheet && !globals.firstSheet) {
            globals.firstSheet = *offset;
        }
        break;
    }
    case record::kXf:
        globals.formatOfXf.push_back(data.u16(2).value_or(0));
        break;
    case record::kFormat: {
        SegmentReader reader(record);
        const auto index = reader.u16();
        auto text = reader.unicodeString();
        if (!index || !text) {
            return damaged("a number format is cut short");
        }
        globals.formatTexts[*index] = std::move(*text);
        break;
    }
    case record::kSst:
        return readSharedStrings(record, globals.texts);
    default:
        break;
    }
    return std::nullopt;
}

std::variant<Globals, Failure> readGlobals(std::string_view stream)
{
    RecordWalker walker(stream, 0);
    const auto bof = walker.next();
    const Bytes bofData(bof ? bof->data : std::string_view());
    if (!bof || bof->type != record::kBof || bofData.u16(2) != kGlobalsSubstream) {
        return Failure{
            "it is an Excel workbook older than Excel 97; save it as Excel 97-2003 (.xls)"};
    }
    if (bofData.u16(0) != kBiff8) {
        return Failure{"it is an Excel 5.0/95 workbook; save it as Excel 97-2003 (.xls)"};
    }
    Globals globals;
    while (const auto record = walker.next()) {
        if (record->type == record::kEof) {
            break;
        }
        if (auto failure = takeGlobal(*record, globals)) {
            return *failure;
        }
    }
    if (walker.broken()) {
        return damaged("a record is cut short");
    }
    if (!globals.firstSheet) {
        return Failure{"the workbook has no worksheet"};
    }
    static const std::string kBuiltIn;
    for (const std::uint16_t format : globals.formatOfXf) {
        const auto text = globals.formatTexts.find(format);
        globals.dateKindOfXf.push_back(
            dateKindOf(format, text == globals.formatTexts.end() ? kBuiltIn : text->second));
    }
    return globals;
}

bool isCell(std::uint16_t type)
{
    switch (type) {
    case record::kLabelSst:
    case record::kLabel:
    case record::kRString:
    case record::kNumber:
    case record::kRk:
    case record::kMulRk:
    case record::kBlank:
    case record::kMulBlank:
    case record::kBoolErr:
    case record::kFormula:
        return true;
    default:
        return false;
    }
}

double fromRk(std::uint32_t rk)
{
    double value = 0;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32);
    }
    return rk & 0x01 ? value / 100 : value;
}

// The cells of the first worksheet, in rows 1 to `lastRow`.
class SheetReader {
public:
    SheetReader(const Globals& globals, unsigned lastRow)
        : globals_(globals)
        , rows_(lastRow)
    {
    }

    std::variant<std::vector<Row>, Failure> read(std::string_view stream);

private:
    std::optional<Failure> take(const Record& record);
    Value number(double value, std::uint16_t xf) const;
    void place(std::uint16_t row, std::uint16_t column, Value value);

    const Globals& globals_;
    std::vector<Row> rows_;
    std::size_t used_ = 0;
    // A formula whose text result comes in the STRING record that follows it.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> pendingText_;
};

Value SheetReader::number(double value, std::uint16_t xf) const
{
    if (const auto& kind = xf < globals_.dateKindOfXf.size() ? globals_.dateKindOfXf[xf]
                                                             : std::optional<DateKind>()) {
        if (auto date = dateText(value, globals_.system1904, *kind)) {
            return {Value::Kind::Date, std::move(*date), value};
        }
    }
    return {Value::Kind::Number, {}, value};
}

void SheetReader::place(std::uint16_t row, std::uint16_t column, Value value)
{
    if (row >= rows_.size()) {
        return;
    }
    used_ = std::max<std::size_t>(used_, row + std::size_t{1});
    if (column < 2) {
        rows_[row][column] = std::move(value);
    }
}

std::optional<Failure> SheetReader::take(const Record& record)
{
    const Bytes data(record.data);
    const auto row = data.u16(0);
    const auto column = data.u16(2);
    const auto xf = data.u16(4);
    const auto cutShort = [&] { return damaged("a cell of the first worksheet is cut short"); };
    switch (record.type) {
    case record::kLabelSst: {
        const auto index = data.u32(6);
        if (!index || *index >= globals_.texts.size()) {
            return damaged("a cell names a text the workbook does not hold");
        }
        place(*row, *column, {Value::Kind::Text, globals_.texts[*index], 0});
        break;
    }
    case record::kLabel:
    case record::kRString: {
        SegmentReader reader(record);
        auto text = reader.skip(6) ? reader.unicodeString() : std::nullopt;
        if (!text) {
            return cutShort();
        }
        place(*row, *column, {Value::Kind::Text, std::move(*text), 0});
        break;
    }
    case record::kNumber: {
        const auto bits = data.u64(6);
        if (!bits) {
            return cutShort();
        }
        place(*row, *column, number(std::bit_cast<double>(*bits), *xf));
        break;
    }
    case record::kRk: {
        const auto rk = data.u32(6);
        if (!rk) {
            return cutShort();
        }
        place(*row, *column, number(fromRk(*rk), *xf));
        break;
    }
    case record::kMulRk: {
        // Six bytes a cell (its format and number) from the first column on,
        // then the last column's number.
        const std::size_t cells = data.size() < 6 ? 0 : (data.size() - 6) / 6;
        if (cells == 0) {
            return cutShort();
        }
        for (std::size_t i = 0; i < cells; ++i) {
            const auto cellXf = *data.u16(4 + 6 * i);
            const auto rk = *data.u32(6 + 6 * i);
            place(*row, static_cast<std::uint16_t>(std::min<std::size_t>(*column + i, 0xFFFF)),
                  number(fromRk(rk), cellXf));
        }
        break;
    }
    case record::kBlank:
    case record::kMulBlank:
        if (!xf) {
            return cutShort();
        }
        place(*row, *column, {});
        break;
    case record::kBoolErr: {
        const auto value = data.u8(6);
        const auto isError = data.u8(7);
        if (!value || !isError) {
            return cutShort();
        }
        place(*row, *column,
              {*isError ? Value::Kind::Error : Value::Kind::Boolean, {}, double(*value)});
        break;
    }
    case record::kFormula: {
        const auto bits = data.u64(6);
        if (!bits) {
            return cutShort();
        }
        // A result that is not a number is marked by 0xFFFF in its last two bytes.
        if ((*bits >> 48) != 0xFFFF) {
            place(*row, *column, number(std::bit_cast<double>(*bits), *xf));
            break;
        }
        const auto kind = static_cast<std::uint8_t>(*bits);
        const auto value = static_cast<std::uint8_t>(*bits >> 16);
        if (kind == 0) {
            pendingText_ = {*row, *column};
            place(*row, *column, {});
        } else if (kind == 1 || kind == 2) {
            place(*row, *column,
                  {kind == 1 ? Value::Kind::Boolean : Value::Kind::Error, {}, double(value)});
        } else {
            place(*row, *column, {Value::Kind::Text, {}, 0});
        }
        break;
    }
    case record::kString: {
        if (!pendingText_) {
            break;
        }
        SegmentReader reader(record);
        auto text = reader.unicodeString();
        if (!text) {
            return damaged("a formula's text is cut short");
        }
        place(pendingText_->first, pendingText_->second, {Value::Kind::Text, std::move(*text), 0});
        pendingText_.reset();
        break;
    }
    default:
        break;
    }
    return std::nullopt;
}

std::variant<std::vector<Row>, Failure> SheetReader::read(std::string_view stream)
{
    RecordWalker walker(stream, *globals_.firstSheet);
    const auto bof = walker.next();
    if (!bof || bof->type != record::kBof || Bytes(bof->data).u16(2) != kWorksheetSubstream) {
        return damaged("its first worksheet cannot be found");
    }
    // Charts embedded in the sheet have records of their own between a BOF and an EOF.
    int depth = 0;
    while (const auto record = walker.next()) {
        if (record->type == record::kBof) {
            ++depth;
        } else if (record->type == record::kEof) {
            if (depth-- == 0) {
                break;
            }
        } else if (depth == 0) {
            if (isCell(record->type)) {
                if (!Bytes(record->data).u16(4)) {
                    return damaged("a cell of the first worksheet is cut short");
                }
                // Records such as a shared formula may stand between a formula
                // and its text, but no other cell.
                pendingText_.reset();
            }
            if (auto failure = take(*record)) {
                return *failure;
            }
        }
    }
    if (walker.broken()) {
        return damaged("a record is cut short");
    }
    rows_.resize(used_);
    return std::move(rows_);
}

} // namespace

std::variant<std::vector<Row>, Failure> readFirstSheet(std::string_view file, unsigned lastRow)
{
    auto stream = readStream(file, {u"Workbook", u"Book"});
    if (const auto* failure = std::get_if<Failure>(&stream)) {
        return *failure;
    }
    const std::string& bytes = std::get<std::string>(stream);
    auto globals = readGlobals(bytes);
    if (const auto* failure = std::get_if<Failure>(&globals)) {
        return *failure;
    }
    if (*std::get<Globals>(globals).firstSheet >= bytes.size()) {
        return damaged("its first worksheet lies outside the workbook");
    }
    return SheetReader(std::get<Globals>(globals), lastRow).read(bytes);
}

} // namespace workbook
