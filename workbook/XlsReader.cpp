#include "workbook/XlsReader.h"

#include "workbook/BiffRecords.h"
#include "workbook/Bytes.h"
#include "workbook/ExcelDates.h"

#include <algorithm>
#include <bit>
#include <map>
#include <optional>
#include <span>

namespace workbook {
namespace {

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kBiff5 = 0x0500;
constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint8_t kWorksheet = 0;
// The first records of Excel 2.x, 3.0 and 4.0 files.
constexpr std::uint16_t kOlderBofs[] = {0x0009, 0x0209, 0x0409};
// A cell names its format by a 16-bit index, and a sheet has at most 65536 rows.
constexpr std::size_t kMostFormats = 0x10000;
constexpr unsigned kMostRows = 0x10000;
// A cell record's row, column and format, before what it holds.
constexpr std::size_t kCellHeadSize = 6;

Failure damaged(const std::string& what)
{
    return Failure{"the workbook is damaged (" + what + ")"};
}

// What the workbook's first part holds for reading a sheet.
struct Globals {
    bool system1904 = false;
    std::vector<std::uint16_t> formatOfXf;
    std::map<std::uint16_t, std::optional<DateFormat>> formats;
    // How each cell format shows its number as a date, decided once.
    std::vector<std::optional<DateFormat>> dateFormatOfXf;
    // The shared strings are decoded only once the cells naming them are known.
    std::optional<Record> sharedTexts;
    std::uint32_t sharedTextCount = 0;
    std::optional<std::uint32_t> firstSheet; // where its records start in the stream
};

// The records that hold a cell.
constexpr std::uint16_t kCells[] = {
    record::kLabelSst, record::kLabel, record::kRString,  record::kNumber,  record::kRk,
    record::kMulRk,    record::kBlank, record::kMulBlank, record::kBoolErr, record::kFormula};
// Records that stand in a worksheet but never in an embedded chart, whose
// series keep their values in NUMBER, LABEL, BOOLERR and BLANK records.
constexpr std::uint16_t kSheetOnly[] = {record::kLabelSst, record::kRString,  record::kRk,
                                        record::kMulRk,    record::kMulBlank, record::kFormula};

bool isOneOf(std::span<const std::uint16_t> types, std::uint16_t type)
{
    return std::ranges::find(types, type) != types.end();
}

std::optional<Failure> takeGlobal(const Record& record, Globals& globals)
{
    const Bytes data(record.data);
    switch (record.type) {
    case record::kFilePass:
        // Telling a real password from the default one would take the cipher; we do not decrypt.
        return Failure{"it is protected with a password, or its sheets or structure are "
                       "protected; save it without protection"};
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
        if (globals.formatOfXf.size() < kMostFormats) {
            globals.formatOfXf.push_back(data.u16(2).value_or(0));
        }
        break;
    case record::kFormat: {
        SegmentReader reader(record);
        const auto index = reader.u16();
        std::string text;
        if (!index || !reader.string(&text)) {
            return damaged("a number format is cut short");
        }
        globals.formats[*index] = dateFormatOf(*index, text);
        break;
    }
    case record::kSst: {
        const auto unique = data.u32(4);
        if (!unique) {
            return damaged("its table of texts is cut short");
        }
        if (!globals.sharedTexts) {
            globals.sharedTexts = record;
            globals.sharedTextCount = *unique;
        }
        break;
    }
    default:
        break;
    }
    return std::nullopt;
}

std::variant<Globals, Failure> readGlobals(std::string_view stream)
{
    RecordWalker walker(stream, 0);
    const Record bof = walker.next().value_or(Record{});
    const Bytes bofData(bof.data);
    if (isOneOf(kOlderBofs, bof.type)) {
        return Failure{
            "it is an Excel workbook older than Excel 97; save it as Excel 97-2003 (.xls)"};
    }
    if (bof.type == record::kBof && bofData.u16(0) == kBiff5) {
        return Failure{"it is an Excel 5.0/95 workbook; save it as Excel 97-2003 (.xls)"};
    }
    if (bof.type != record::kBof || bofData.u16(0) != kBiff8 ||
        bofData.u16(2) != kGlobalsSubstream) {
        return damaged("its workbook stream does not begin as a workbook does");
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
    for (const std::uint16_t format : globals.formatOfXf) {
        const auto custom = globals.formats.find(format);
        globals.dateFormatOfXf.push_back(custom == globals.formats.end() ? dateFormatOf(format, {})
                                                                         : custom->second);
    }
    return globals;
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

// A cell's text: made as the sheet is read, but for a shared text, which is
// decoded once all the cells naming the table's texts are known.
struct CellText {
    std::optional<std::uint32_t> shared; // the shared text's index
    std::optional<std::string> text;
};

// The cells of the first worksheet, in rows 1 to `lastRow`.
class SheetReader {
public:
    SheetReader(const Globals& globals, std::string_view stream, unsigned lastRow)
        : globals_(globals)
        , stream_(stream)
        , rows_(std::min(lastRow, kMostRows))
        , texts_(2 * rows_.size())
    {
    }

    std::variant<Sheet, Failure> read();

private:
    std::optional<Failure> take(const Record& record);
    void number(std::size_t row, std::size_t column, double value, std::uint16_t xf);
    // The string `reader` is at as a cell's text; false when it is cut short.
    bool text(SegmentReader& reader, std::size_t row, std::size_t column);
    void place(std::size_t row, std::size_t column, Value value, CellText text = {});
    std::optional<Failure> makeTexts(Sheet& sheet);

    const Globals& globals_;
    std::string_view stream_;
    std::vector<Row> rows_;
    std::vector<CellText> texts_; // two per row: columns A and B
    std::size_t used_ = 0;
    // A formula whose text result comes in the STRING record that follows it.
    std::optional<std::pair<std::size_t, std::size_t>> pendingText_;
};

void SheetReader::number(std::size_t row, std::size_t column, double value, std::uint16_t xf)
{
    const auto& format =
        xf < globals_.dateFormatOfXf.size() ? globals_.dateFormatOfXf[xf] : std::nullopt;
    auto date = format ? dateText(value, globals_.system1904, *format) : std::nullopt;
    place(row, column, {date ? Value::Kind::Date : Value::Kind::Number, {}, value},
          {{}, std::move(date)});
}

bool SheetReader::text(SegmentReader& reader, std::size_t row, std::size_t column)
{
    // Only the texts of the range asked for are decoded.
    CellText text{{}, std::string()};
    if (!reader.string(row < rows_.size() && column < 2 ? &*text.text : nullptr)) {
        return false;
    }
    place(row, column, {Value::Kind::Text, {}, 0}, std::move(text));
    return true;
}

void SheetReader::place(std::size_t row, std::size_t column, Value value, CellText text)
{
    if (row >= rows_.size()) {
        return;
    }
    used_ = std::max(used_, row + 1);
    if (column < 2) {
        rows_[row][column] = value;
        texts_[2 * row + column] = std::move(text);
    }
}

std::optional<Failure> SheetReader::take(const Record& record)
{
    // read() checked that a cell's record holds its row, column and format.
    const Bytes data(record.data);
    const std::size_t row = data.u16(0).value_or(0);
    const std::size_t column = data.u16(2).value_or(0);
    const std::uint16_t xf = data.u16(4).value_or(0);
    const auto cutShort = [&] { return damaged("a cell of the first worksheet is cut short"); };
    switch (record.type) {
    case record::kLabelSst: {
        const auto index = data.u32(6);
        if (!index || *index >= globals_.sharedTextCount) {
            return damaged("a cell names a text the workbook does not hold");
        }
        place(row, column, {Value::Kind::Text, {}, 0}, {*index, {}});
        break;
    }
    case record::kLabel:
    case record::kRString: {
        SegmentReader reader(record);
        if (!reader.skip(kCellHeadSize) || !text(reader, row, column)) {
            return cutShort();
        }
        break;
    }
    case record::kRk: {
        const auto rk = data.u32(6);
        if (!rk) {
            return cutShort();
        }
        number(row, column, fromRk(*rk), xf);
        break;
    }
    case record::kMulRk: {
        // Six bytes a cell (its format and number) from the first column on,
        // then the last column's number.
        const std::size_t cells = (data.size() - 6) / 6;
        if (cells == 0) {
            return cutShort();
        }
        for (std::size_t i = 0; i < cells; ++i) {
            number(row, column + i, fromRk(*data.u32(6 + 6 * i)), *data.u16(4 + 6 * i));
        }
        break;
    }
    case record::kBlank:
    case record::kMulBlank:
        place(row, column, {});
        break;
    case record::kBoolErr: {
        const auto value = data.u8(6);
        const auto isError = data.u8(7);
        if (!value || !isError) {
            return cutShort();
        }
        place(row, column,
              {*isError ? Value::Kind::Error : Value::Kind::Boolean, {}, double(*value)});
        break;
    }
    case record::kNumber:
    case record::kFormula: {
        const auto bits = data.u64(6);
        if (!bits) {
            return cutShort();
        }
        // A formula's result that is not a number is marked by 0xFFFF in its last two bytes.
        if (record.type == record::kNumber || (*bits >> 48) != 0xFFFF) {
            number(row, column, std::bit_cast<double>(*bits), xf);
            break;
        }
        const auto kind = static_cast<std::uint8_t>(*bits);
        const auto value = static_cast<std::uint8_t>(*bits >> 16);
        if (kind == 0) {
            pendingText_ = {row, column};
            place(row, column, {});
        } else if (kind == 1 || kind == 2) {
            place(row, column,
                  {kind == 1 ? Value::Kind::Boolean : Value::Kind::Error, {}, double(value)});
        } else {
            place(row, column, {Value::Kind::Text, {}, 0});
        }
        break;
    }
    case record::kString: {
        SegmentReader reader(record);
        if (pendingText_ && !text(reader, pendingText_->first, pendingText_->second)) {
            return damaged("a formula's text is cut short");
        }
        pendingText_.reset();
        break;
    }
    default:
        break;
    }
    return std::nullopt;
}

std::optional<Failure> SheetReader::makeTexts(Sheet& sheet)
{
    // The shared texts the cells name, each decoded once: after the table's
    // two counts one text follows another, and those no cell names are passed over.
    std::map<std::uint32_t, std::string_view> shared;
    for (const CellText& text : texts_) {
        if (text.shared) {
            shared[*text.shared];
        }
    }
    // A cell names a shared text only when there is a table that holds it.
    SegmentReader reader(globals_.sharedTexts.value_or(Record{}));
    reader.skip(8);
    auto next = shared.begin();
    for (std::uint32_t index = 0; next != shared.end(); ++index) {
        std::string text;
        const bool named = index == next->first;
        if (!reader.string(named ? &text : nullptr)) {
            return damaged("its table of texts is cut short");
        }
        if (named) {
            (next++)->second = sheet.texts.emplace_back(std::move(text));
        }
    }
    for (std::size_t i = 0; i < 2 * sheet.rows.size(); ++i) {
        std::string_view& view = sheet.rows[i / 2][i % 2].text;
        if (texts_[i].shared) {
            view = shared[*texts_[i].shared];
        } else if (texts_[i].text) {
            view = sheet.texts.emplace_back(std::move(*texts_[i].text));
        }
    }
    return std::nullopt;
}

std::variant<Sheet, Failure> SheetReader::read()
{
    RecordWalker walker(stream_, *globals_.firstSheet);
    const auto bof = walker.next();
    if (!bof || bof->type != record::kBof || Bytes(bof->data).u16(2) != kWorksheetSubstream) {
        return damaged("its first worksheet cannot be found");
    }
    // Charts embedded in the sheet have records of their own between a BOF and
    // an EOF. A record that stands only in a worksheet ends a chart whose EOF
    // is missing, so that such a chart hides no cells after it; a worksheet's
    // or the globals' BOF ends the sheet, which cannot hold another.
    int depth = 0;
    while (const auto record = walker.next()) {
        if (record->type == record::kBof) {
            const auto type = Bytes(record->data).u16(2);
            if (type == kWorksheetSubstream || type == kGlobalsSubstream) {
                break;
            }
            ++depth;
        } else if (record->type == record::kEof) {
            if (depth-- == 0) {
                break;
            }
        } else if (depth == 0 || isOneOf(kSheetOnly, record->type)) {
            depth = 0;
            if (isOneOf(kCells, record->type)) {
                if (record->data.size() < kCellHeadSize) {
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
    Sheet sheet;
    rows_.resize(used_);
    sheet.rows = std::move(rows_);
    if (auto failure = makeTexts(sheet)) {
        return *failure;
    }
    return sheet;
}

} // namespace

std::variant<Sheet, Failure> readFirstSheet(std::string_view file, unsigned lastRow)
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
    return SheetReader(std::get<Globals>(globals), bytes, lastRow).read();
}

} // namespace workbook
