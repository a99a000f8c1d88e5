#include "ExamineeTable.h"
#include "ExamineeTableParts.h"

#include "Regional.h"
#include "VerifiedWrite.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

// The examinee table and any sheet as RFC 4180 CSV: UTF-8 with a byte order mark, the
// regional separators, numbers to six significant digits.
namespace ezr {

namespace {

// A number as the CSV writes it: the shortest digits that read back as the same value, in
// fixed notation.
void appendNumber(std::string& line, double value, char decimalPoint) {
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    if (decimalPoint != '.')
        std::replace(digits, result.ptr, '.', decimalPoint);
    line.append(digits, std::size_t(result.ptr - digits));
}

// The six significant digits of `magnitude` (positive) and the power of ten of the first,
// found by one exactly rounded multiplication or division by a power of ten: its error is far
// below the guard kept around the rounding point, so the digits are those of the exact value.
// False where the guard is not met (a tie, a carry into a seventh digit, the far exponents):
// the caller then asks the standard library.
bool sixDigitsQuickly(double magnitude, int& digits, int& exponent) {
    static constexpr std::array<double, 16> powers{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (!(magnitude >= 1e-4 && magnitude < 1e15))
        return false;
    int k = 0;
    if (magnitude >= 1.0) {
        std::size_t above = 1;
        while (above < powers.size() && magnitude >= powers[above])
            ++above;
        k = int(above) - 1;
    } else {
        k = -1;
        while (magnitude * powers[std::size_t(-k)] < 1.0)
            --k;
    }
    const int shift = 5 - k;
    const double scaled = shift >= 0 ? magnitude * powers[std::size_t(shift)]
                                     : magnitude / powers[std::size_t(-shift)];
    constexpr double Guard = 1e-6;
    if (scaled < 100000.0 || scaled >= 999999.5 - Guard)
        return false;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::abs(fraction - 0.5) < Guard)
        return false;
    digits = int(whole) + (fraction > 0.5 ? 1 : 0);
    exponent = k;
    return true;
}

// The value rounded to six significant digits, written as appendNumber writes the rounded
// value (the shortest digits of a double nearest to a short decimal are that decimal), but
// from the decimal digits themselves, without reading them back into a double first.
void appendSignificant6(std::string& line, double value, char decimalPoint) {
    if (!std::isfinite(value) || value == 0.0) {
        appendNumber(line, value, decimalPoint);
        return;
    }
    const bool negative = value < 0.0;
    // The six digits without the point, trailing zeros dropped.
    char digits[8];
    int count = 0;
    int exponent = 0;
    if (int six = 0; sixDigitsQuickly(std::abs(value), six, exponent)) {
        std::to_chars(digits, digits + sizeof digits, six);
        count = 6;
    } else {
        char scientific[32];
        const auto end = std::to_chars(scientific, scientific + sizeof scientific, value,
                                       std::chars_format::scientific, 5)
                             .ptr;
        const char* e = std::find(scientific, end, 'e');
        if (e == end) {
            appendNumber(line, value, decimalPoint);
            return;
        }
        for (const char* p = scientific + (negative ? 1 : 0); p < e; ++p)
            if (*p != '.')
                digits[count++] = *p;
        std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    }
    while (count > 1 && digits[count - 1] == '0')
        --count;
    if (negative)
        line += '-';
    if (exponent < 0) {
        line += '0';
        line += decimalPoint;
        line.append(std::size_t(-exponent - 1), '0');
        line.append(digits, std::size_t(count));
        return;
    }
    const int whole = exponent + 1;
    line.append(digits, std::size_t(std::min(count, whole)));
    if (count < whole) {
        line.append(std::size_t(whole - count), '0');
    } else if (count > whole) {
        line += decimalPoint;
        line.append(digits + whole, std::size_t(count - whole));
    }
}

// The UTF-8 of `text` appended to `out` when it needs no quotes (no `separator`, quote or
// line break) and holds no surrogate; false, with `out` as it was, otherwise. Written through
// a pointer, without a QByteArray per cell: a table of a million rows has tens of millions.
bool appendPlainUtf8(std::string& out, QStringView text, char separator) {
    const std::size_t start = out.size();
    out.resize(start + 3 * std::size_t(text.size()));
    char* p = out.data() + start;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            if (c == char16_t(separator) || c == u'"' || c == u'\r' || c == u'\n') {
                out.resize(start);
                return false;
            }
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (ch.isSurrogate()) {
            out.resize(start);
            return false;
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    out.resize(std::size_t(p - out.data()));
    return true;
}

// RFC 4180 rows as UTF-8 bytes, handed to the sink some tens of kilobytes at a time.
class CsvWriter {
public:
    CsvWriter(ByteSink& sink, QChar separator, QChar decimalPoint)
        : sink_(sink), separator_(char(separator.unicode())), point_(char(decimalPoint.unicode())) {
        out_.reserve(2 * FlushBytes);
        out_ += "\xEF\xBB\xBF";
    }
    void text(QStringView text) {
        separate();
        if (text.isEmpty())
            return;
        // A spreadsheet program would run a text that starts like a formula ("=HYPERLINK(…)",
        // "+cmd|…", "@SUM(…)"); the leading apostrophe keeps it text, as spreadsheet guidance
        // recommends.
        const bool formula = QStringView(u"=+-@\t\r").contains(text.front());
        if (!formula && appendPlainUtf8(out_, text, separator_))
            return;
        const bool quoted = text.contains(QChar(separator_)) || text.contains(u'"') ||
                            text.contains(u'\r') || text.contains(u'\n');
        if (quoted)
            out_ += '"';
        if (formula)
            out_ += '\'';
        QByteArray utf8 = text.toUtf8();
        if (quoted)
            utf8.replace("\"", "\"\"");
        out_.append(utf8.constData(), std::size_t(utf8.size()));
        if (quoted)
            out_ += '"';
    }
    void number(double value) {
        separate();
        appendSignificant6(out_, value, point_);
    }
    void empty() { separate(); }
    void cell(const QVariant& cell) {
        if (!cell.isValid())
            empty();
        else if (cell.typeId() == QMetaType::Double)
            number(cell.toDouble());
        else
            text(cell.toString());
    }
    void endRow() {
        out_ += "\r\n";
        first_ = true;
        if (out_.size() >= FlushBytes)
            flush();
    }
    // Hands what is gathered to the sink; the table's end calls it.
    void flush() {
        sink_.write(QByteArrayView(out_.data(), qsizetype(out_.size())));
        out_.clear();
    }

private:
    static constexpr std::size_t FlushBytes = std::size_t{64} * 1024;
    void separate() {
        if (!first_)
            out_ += separator_;
        first_ = false;
    }
    ByteSink& sink_;
    char separator_;
    char point_;
    std::string out_;
    bool first_ = true;
};

QChar regionalSeparator(QChar point) {
    return point == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');
}

class CsvTableWriter final : public ExamineeTableWriter {
public:
    CsvTableWriter(ByteSink& sink, const Norm& norm)
        : csv_(sink, regionalSeparator(decimalSeparator()), decimalSeparator()), norm_(norm),
          normName_(tableNormName(norm)) {
        for (const ExamineeColumn& column : examineeColumns())
            csv_.text(column.heading);
        csv_.endRow();
    }
    void add(const ExamineeRow& examinee) override {
        for (QStringView text : examineeRowTexts(examinee))
            csv_.text(text);
        for (double value : examineeComputedNumbers(*examinee.results, norm_))
            csv_.number(value);
        csv_.text(normName_);
        for (const QVariant& cell : examineeQualityCells(*examinee.results))
            csv_.cell(cell);
        csv_.endRow();
    }
    void finish(const AnalysisState&) override { csv_.flush(); }

private:
    CsvWriter csv_;
    Norm norm_;
    QString normName_;
};

} // namespace

std::unique_ptr<ExamineeTableWriter> csvTableWriter(ByteSink& sink, const Norm& norm) {
    return std::make_unique<CsvTableWriter>(sink, norm);
}

QByteArray buildCsv(const SheetTable& table, QChar separator, QChar decimalPoint) {
    ByteArraySink sink;
    CsvWriter csv(sink, separator, decimalPoint);
    for (const TableRow& row : table.rows) {
        for (const QVariant& cell : row)
            csv.cell(cell);
        csv.endRow();
    }
    csv.flush();
    return std::move(sink.bytes());
}

QByteArray buildRegionalCsv(const SheetTable& table) {
    const QChar point = decimalSeparator();
    return buildCsv(table, regionalSeparator(point), point);
}

} // namespace ezr
