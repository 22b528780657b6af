#include "workbook/XlsReader.h"

#include "workbook/BiffRecords.h"
#include "workbook/Bytes.h"
#include "workbook/ExcelDates.h"

#include <algorithm>
#include <bit>
#include <map>
#include <optional>
#include <ranges>

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
    std::optional<std::size_t> sharedTexts; // where their record starts in the stream
    std::uint32_t sharedTextCount = 0;
    std::optional<std::uint32_t> firstSheet; // where its records start in the stream
};

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
        const auto text = reader.unicodeString();
        if (!index || !text) {
            return damaged("a number format is cut short");
        }
        globals.formats[*index] = dateFormatOf(*index, *text);
        break;
    }
    case record::kSst: {
        const auto unique = data.u32(4);
        if (!unique) {
            return damaged("its table of texts is cut short");
        }
        if (!globals.sharedTexts) {
            globals.sharedTexts = record.offset;
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
    const auto bof = walker.next();
    const Bytes bofData(bof ? bof->data : std::string_view());
    if (bof && std::ranges::find(kOlderBofs, bof->type) != std::end(kOlderBofs)) {
        return Failure{
            "it is an Excel workbook older than Excel 97; save it as Excel 97-2003 (.xls)"};
    }
    if (bof && bof->type == record::kBof && bofData.u16(0) == kBiff5) {
        return Failure{"it is an Excel 5.0/95 workbook; save it as Excel 97-2003 (.xls)"};
    }
    if (!bof || bof->type != record::kBof || bofData.u16(0) != kBiff8 ||
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

// Records that stand in a worksheet but never in an embedded chart, whose
// series keep their values in NUMBER, LABEL, BOOLERR and BLANK records.
bool isSheetOnly(std::uint16_t type)
{
    switch (type) {
    case record::kLabelSst:
    case record::kRString:
    case record::kRk:
    case record::kMulRk:
    case record::kMulBlank:
    case record::kFormula:
        return true;
    default:
        return false;
    }
}

// Where a cell's text comes from: texts are made once the sheet's records are
// walked, and only for the cells they end in.
struct TextSource {
    enum class From : std::uint8_t { Nothing, SharedText, Record, Date };

    From from = From::Nothing;
    std::size_t at = 0; // the shared text's index, or where its record starts in the stream
    DateFormat format;  // how a date's number is shown
};

// The cells of the first worksheet, in rows 1 to `lastRow`.
class SheetReader {
public:
    SheetReader(const Globals& globals, std::string_view stream, unsigned lastRow)
        : globals_(globals)
        , stream_(stream)
        , rows_(std::min(lastRow, kMostRows))
        , sources_(rows_.size())
    {
    }

    std::variant<Sheet, Failure> read();

private:
    std::optional<Failure> take(const Record& record);
    void number(std::uint16_t row, std::uint16_t column, double value, std::uint16_t xf);
    void place(std::uint16_t row, std::uint16_t column, Value value, TextSource source = {});
    void placeText(std::uint16_t row, std::uint16_t column, TextSource source)
    {
        place(row, column, {Value::Kind::Text, {}, 0}, source);
    }
    std::optional<Failure> makeTexts(Sheet& sheet);
    // The shared texts the cells name, each decoded once, in the order of `indices`.
    std::variant<std::vector<std::string_view>, Failure>
    sharedTexts(const std::vector<std::size_t>& indices, Sheet& sheet) const;

    const Globals& globals_;
    std::string_view stream_;
    std::vector<Row> rows_;
    std::vector<std::array<TextSource, 2>> sources_;
    std::size_t used_ = 0;
    // A formula whose text result comes in the STRING record that follows it.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> pendingText_;
};

void SheetReader::number(std::uint16_t row, std::uint16_t column, double value, std::uint16_t xf)
{
    const auto& format =
        xf < globals_.dateFormatOfXf.size() ? globals_.dateFormatOfXf[xf] : std::nullopt;
    if (format && dateText(value, globals_.system1904, *format)) {
        place(row, column, {Value::Kind::Date, {}, value}, {TextSource::From::Date, 0, *format});
    } else {
        place(row, column, {Value::Kind::Number, {}, value});
    }
}

void SheetReader::place(std::uint16_t row, std::uint16_t column, Value value, TextSource source)
{
    if (row >= rows_.size()) {
        return;
    }
    used_ = std::max<std::size_t>(used_, row + std::size_t{1});
    if (column < 2) {
        rows_[row][column] = value;
        sources_[row][column] = source;
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
        if (!index || *index >= globals_.sharedTextCount) {
            return damaged("a cell names a text the workbook does not hold");
        }
        placeText(*row, *column, {TextSource::From::SharedText, *index, {}});
        break;
    }
    case record::kLabel:
    case record::kRString: {
        SegmentReader reader(record);
        if (!reader.skip(kCellHeadSize) || !reader.skipString()) {
            return cutShort();
        }
        placeText(*row, *column, {TextSource::From::Record, record.offset, {}});
        break;
    }
    case record::kNumber: {
        const auto bits = data.u64(6);
        if (!bits) {
            return cutShort();
        }
        number(*row, *column, std::bit_cast<double>(*bits), *xf);
        break;
    }
    case record::kRk: {
        const auto rk = data.u32(6);
        if (!rk) {
            return cutShort();
        }
        number(*row, *column, fromRk(*rk), *xf);
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
            number(*row, static_cast<std::uint16_t>(std::min<std::size_t>(*column + i, 0xFFFF)),
                   fromRk(rk), cellXf);
        }
        break;
    }
    case record::kBlank:
    case record::kMulBlank:
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
            number(*row, *column, std::bit_cast<double>(*bits), *xf);
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
        if (!SegmentReader(record).skipString()) {
            return damaged("a formula's text is cut short");
        }
        placeText(pendingText_->first, pendingText_->second,
                  {TextSource::From::Record, record.offset, {}});
        pendingText_.reset();
        break;
    }
    default:
        break;
    }
    return std::nullopt;
}

std::variant<std::vector<std::string_view>, Failure>
SheetReader::sharedTexts(const std::vector<std::size_t>& indices, Sheet& sheet) const
{
    std::vector<std::string_view> texts;
    if (indices.empty()) {
        return texts;
    }
    const auto record = RecordWalker(stream_, *globals_.sharedTexts).next();
    SegmentReader reader(*record);
    // The table's two counts, then one text after another; those no cell names are passed over.
    reader.skip(8);
    for (std::size_t index = 0; texts.size() < indices.size(); ++index) {
        if (index != indices[texts.size()]) {
            if (!reader.skipString()) {
                return damaged("its table of texts is cut short");
            }
            continue;
        }
        auto text = reader.unicodeString();
        if (!text) {
            return damaged("its table of texts is cut short");
        }
        texts.push_back(sheet.texts.emplace_back(std::move(*text)));
    }
    return texts;
}

std::optional<Failure> SheetReader::makeTexts(Sheet& sheet)
{
    std::vector<std::size_t> indices;
    for (const auto& row : sources_) {
        for (const TextSource& source : row) {
            if (source.from == TextSource::From::SharedText) {
                indices.push_back(source.at);
            }
        }
    }
    std::ranges::sort(indices);
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    auto shared = sharedTexts(indices, sheet);
    if (const auto* failure = std::get_if<Failure>(&shared)) {
        return *failure;
    }
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < 2; ++c) {
            const TextSource& source = sources_[r][c];
            Value& value = sheet.rows[r][c];
            if (source.from == TextSource::From::SharedText) {
                value.text = std::get<0>(shared)[static_cast<std::size_t>(
                    std::ranges::lower_bound(indices, source.at) - indices.begin())];
            } else if (source.from == TextSource::From::Record) {
                // Checked as the sheet was walked: a LABEL or RSTRING cell, or a formula's STRING.
                const auto record = RecordWalker(stream_, source.at).next();
                SegmentReader reader(*record);
                reader.skip(record->type == record::kString ? 0 : kCellHeadSize);
                value.text = sheet.texts.emplace_back(*reader.unicodeString());
            } else if (source.from == TextSource::From::Date) {
                value.text = sheet.texts.emplace_back(
                    *dateText(value.number, globals_.system1904, source.format));
            }
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
        } else if (depth == 0 || isSheetOnly(record->type)) {
            depth = 0;
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
