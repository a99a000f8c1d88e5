#include "ImportWorkbook.h"

#include "AnalysisError.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <cmath>

namespace ezr {

namespace {

[[noreturn]] void throwUnreadable(const QString& name, const QString& reason) {
    throw AnalysisError(
        QStringLiteral("Таблица %1 не читается: %2").arg(pathInMessage(name), reason));
}

QStringView attribute(const QXmlStreamReader& xml, QStringView localName) {
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == localName)
            return a.value();
    return {};
}

// Appends text, keeping one character more than a cell may hold so that it is refused as too
// long instead of written shortened.
void appendCapped(QString& cell, QStringView text) {
    const qsizetype room = MaxTableCellLength + 1 - cell.size();
    if (room > 0)
        cell += text.first(std::min(room, text.size()));
}

// An XML part read as it unpacks: QXmlStreamReader is given the bytes in blocks (it takes a
// sequential device's pause for the end), and a premature end only means "more to come"
// until the part has no more.
class XmlFeed {
public:
    XmlFeed(std::unique_ptr<QIODevice> device, const QString& name)
        : device_(std::move(device)), name_(name) {}

    QXmlStreamReader::TokenType next() {
        for (;;) {
            const QXmlStreamReader::TokenType token = xml_.readNext();
            if (token != QXmlStreamReader::Invalid ||
                xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError || !device_)
                return token;
            const QByteArray block = device_->read(qint64{256} * 1024);
            if (block.isEmpty())
                return token;
            xml_.addData(block);
        }
    }
    // Reads the next token; false at the document's end or an error (see check()).
    bool advance() {
        const QXmlStreamReader::TokenType token = next();
        return token != QXmlStreamReader::Invalid && token != QXmlStreamReader::EndDocument;
    }
    bool isStartElement() const { return xml_.isStartElement(); }
    bool isEndElement() const { return xml_.isEndElement(); }
    bool isCharacters() const { return xml_.isCharacters(); }
    QStringView name() const { return xml_.name(); }
    QStringView text() const { return xml_.text(); }
    QStringView attribute(QStringView localName) const {
        for (const QXmlStreamAttribute& a : xml_.attributes())
            if (a.name() == localName)
                return a.value();
        return {};
    }
    // The text inside the current element, to its end, capped.
    QString elementText() {
        QString text;
        for (int depth = 1; depth > 0 && !failed();) {
            const QXmlStreamReader::TokenType token = next();
            if (token == QXmlStreamReader::StartElement)
                ++depth;
            else if (token == QXmlStreamReader::EndElement)
                --depth;
            else if (token == QXmlStreamReader::Characters)
                appendCapped(text, xml_.text());
            else if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndDocument)
                break;
        }
        return text;
    }
    bool failed() const { return xml_.hasError(); }
    // Throws when the part is damaged or was cut short.
    void check() const {
        if (!xml_.hasError())
            return;
        const QString deviceReason = device_ ? device_->errorString() : QString();
        throwUnreadable(name_,
                        deviceReason.isEmpty() || deviceReason == QLatin1String("Unknown error")
                            ? xml_.errorString()
                            : deviceReason);
    }

private:
    std::unique_ptr<QIODevice> device_;
    QXmlStreamReader xml_;
    QString name_;
};

// A cell placed at column `column` (from 0) of `cells`, the gap before it left empty.
void placeCell(QStringList& cells, qsizetype column, const QString& text) {
    if (column >= MaxTableColumns)
        return;
    while (cells.size() < column)
        cells.append(QString());
    if (cells.size() == column)
        cells.append(text);
    else
        cells[column] = text;
}

// ---- Excel .xlsx ----

// Excel counts days from 30 December 1899 (its 1900 leap-year error is before any examinee).
QString serialDateText(QStringView number) {
    bool ok = false;
    const double serial = number.toDouble(&ok);
    if (!ok || !std::isfinite(serial) || serial < 1 || serial > 2958465)
        return number.toString();
    return QDate(1899, 12, 30).addDays(qint64(std::floor(serial))).toString(Qt::ISODate);
}

// Whether an Excel number format shows a date: the built-in date formats, or a format code
// with a day, month or year outside quotes and brackets (not only hours and minutes).
bool isDateFormat(int id, QStringView code) {
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return true;
    bool quoted = false;
    int bracket = 0;
    for (const QChar c : code) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('['))
            ++bracket;
        else if (!quoted && c == QLatin1Char(']'))
            --bracket;
        else if (!quoted && bracket == 0 && QStringLiteral("dDyY").contains(c))
            return true;
    }
    return false;
}

// What a cell's style (its place in cellXfs) says about how its number reads.
struct CellStyles {
    QSet<int> dates;
    QHash<int, int> zeroPadded; // style to the digits it shows: "00000" shows 7 as 00007
};

// The width of a format that shows a whole number with leading zeros ("00000"), or 0.
int zeroPaddedWidth(QStringView code) {
    if (code.isEmpty() || code.size() > 20)
        return 0;
    for (const QChar c : code)
        if (c != QLatin1Char('0'))
            return 0;
    return int(code.size());
}

CellStyles cellStyles(const ZipArchive& archive) {
    CellStyles styles;
    if (!archive.contains(QStringLiteral("xl/styles.xml")))
        return styles;
    QXmlStreamReader xml(archive.read(QStringLiteral("xl/styles.xml"), MaxSharedStringsSize));
    QHash<int, QString> codes;
    bool inCellXfs = false;
    int xf = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"numFmt") {
            codes.insert(attribute(xml, u"numFmtId").toInt(),
                         attribute(xml, u"formatCode").toString());
        } else if (xml.isStartElement() && xml.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
            inCellXfs = false;
        } else if (inCellXfs && xml.isStartElement() && xml.name() == u"xf") {
            const int id = attribute(xml, u"numFmtId").toInt();
            if (isDateFormat(id, codes.value(id)))
                styles.dates.insert(xf);
            else if (const int width = zeroPaddedWidth(codes.value(id)))
                styles.zeroPadded.insert(xf, width);
            ++xf;
        }
    }
    return styles; // a damaged styles part only costs the styled cells their reading
}

QStringList sharedStrings(const ZipArchive& archive, const QString& name) {
    QStringList strings;
    if (!archive.contains(QStringLiteral("xl/sharedStrings.xml")))
        return strings;
    XmlFeed xml(archive.openEntry(QStringLiteral("xl/sharedStrings.xml"), MaxSharedStringsSize),
                name);
    QString text;
    int phonetic = 0; // <rPh> runs are reading aids, not the cell's text
    while (xml.advance()) {
        if (xml.isStartElement() && xml.name() == u"si")
            text.clear();
        else if (xml.isStartElement() && xml.name() == u"rPh")
            ++phonetic;
        else if (xml.isEndElement() && xml.name() == u"rPh")
            --phonetic;
        else if (xml.isStartElement() && xml.name() == u"t" && phonetic == 0)
            appendCapped(text, xml.elementText());
        else if (xml.isEndElement() && xml.name() == u"si")
            strings.append(text);
    }
    xml.check();
    return strings;
}

// The first sheet's part: the workbook's first <sheet>, through the workbook's relations.
QString firstSheetPath(const ZipArchive& archive, const QString& name) {
    QString id;
    {
        QXmlStreamReader xml(archive.read(QStringLiteral("xl/workbook.xml"), MaxSharedStringsSize));
        while (!xml.atEnd() && id.isEmpty())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet")
                id = attribute(xml, u"id").toString();
    }
    QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
    const QString relations = QStringLiteral("xl/_rels/workbook.xml.rels");
    if (!id.isEmpty() && archive.contains(relations)) {
        QXmlStreamReader xml(archive.read(relations, MaxSharedStringsSize));
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship" &&
                attribute(xml, u"Id") == id) {
                const QString target = attribute(xml, u"Target").toString();
                return target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                           : QStringLiteral("xl/") + target;
            }
        }
    }
    if (!archive.contains(fallback))
        throwUnreadable(name, QStringLiteral("в книге нет листа"));
    return fallback;
}

// "BC12" to the column 54 (from 0); -1 without letters.
int columnOf(QStringView reference) {
    int column = 0;
    int letters = 0;
    for (const QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (++letters > 3)
            return MaxTableColumns;
    }
    return letters == 0 ? -1 : column - 1;
}

class XlsxRecords final : public TableRecords {
public:
    XlsxRecords(const ZipArchive& archive, const QString& name)
        : strings_(sharedStrings(archive, name)), styles_(cellStyles(archive)),
          xml_(archive.openEntry(firstSheetPath(archive, name), MaxWorksheetSize), name) {}

    bool next(QStringList& cells, int& row) override {
        cells.clear();
        while (xml_.advance()) {
            if (!xml_.isStartElement() || xml_.name() != u"row")
                continue;
            bool ok = false;
            const int number = xml_.attribute(u"r").toInt(&ok);
            row = ok && number > lastRow_ ? number : lastRow_ + 1;
            lastRow_ = row;
            readRow(cells);
            xml_.check();
            return true;
        }
        xml_.check();
        return false;
    }

private:
    void readRow(QStringList& cells) {
        int column = -1;
        while (xml_.advance()) {
            if (xml_.isEndElement() && xml_.name() == u"row")
                return;
            if (!xml_.isStartElement() || xml_.name() != u"c")
                continue;
            const int given = columnOf(xml_.attribute(u"r"));
            column = given >= 0 ? given : column + 1;
            const QString type = xml_.attribute(u"t").toString();
            bool styled = false;
            const int style = xml_.attribute(u"s").toInt(&styled);
            placeCell(cells, column, readCell(type, styled ? style : -1));
        }
    }

    // The text of one <c>, read to its end.
    QString readCell(const QString& type, int style) {
        QString value;
        QString inline_;
        while (xml_.advance()) {
            if (xml_.isEndElement() && xml_.name() == u"c")
                break;
            if (xml_.isStartElement() && xml_.name() == u"v")
                appendCapped(value, xml_.elementText());
            else if (xml_.isStartElement() && xml_.name() == u"t")
                appendCapped(inline_, xml_.elementText());
        }
        if (type == u"inlineStr")
            return inline_;
        if (type == u"s") {
            bool ok = false;
            const int index = value.toInt(&ok);
            return ok && index >= 0 && index < strings_.size() ? strings_[index] : QString();
        }
        if (type == u"d")
            return value.left(10);
        if (!type.isEmpty() && type != u"n")
            return value;
        if (styles_.dates.contains(style))
            return serialDateText(value);
        // A code kept as a number but shown with its leading zeros reads as it is shown.
        bool whole = false;
        const qlonglong number = value.toLongLong(&whole);
        if (whole && number >= 0 && styles_.zeroPadded.contains(style))
            return QStringLiteral("%1").arg(number, styles_.zeroPadded.value(style), 10,
                                            QLatin1Char('0'));
        return value;
    }

    QStringList strings_;
    CellStyles styles_;
    XmlFeed xml_;
    int lastRow_ = 0;
};

// ---- OpenDocument .ods ----

// A spreadsheet saves a million empty rows and thousands of empty columns as one repeated
// element: those are counted, never spelled out.
constexpr int MaxRepeat = 1 << 20;

class OdsRecords final : public TableRecords {
public:
    OdsRecords(const ZipArchive& archive, const QString& name)
        : xml_(archive.openEntry(QStringLiteral("content.xml"), MaxWorksheetSize), name) {}

    bool next(QStringList& cells, int& row) override {
        while (repeatLeft_ == 0) {
            if (!readRow())
                return false;
        }
        --repeatLeft_;
        cells = rowCells_;
        row = ++rowNumber_;
        return true;
    }

private:
    // Reads the next table row of the first table into rowCells_, its repeat count into
    // repeatLeft_ (blank repeated rows only counted); false after the first table.
    bool readRow() {
        while (!done_ && xml_.advance()) {
            if (xml_.isStartElement() && xml_.name() == u"table")
                ++tableDepth_;
            else if (xml_.isEndElement() && xml_.name() == u"table" && --tableDepth_ == 0)
                done_ = true; // only the first sheet
            else if (tableDepth_ > 0 && xml_.isStartElement() && xml_.name() == u"table-row") {
                const int repeat =
                    std::clamp(xml_.attribute(u"number-rows-repeated").toInt(), 1, MaxRepeat);
                readCells();
                xml_.check();
                bool blank = true;
                for (const QString& cell : rowCells_)
                    blank = blank && cell.trimmed().isEmpty();
                if (blank) {
                    rowNumber_ += repeat;
                    continue;
                }
                repeatLeft_ = repeat;
                return true;
            }
        }
        xml_.check();
        return false;
    }

    void readCells() {
        rowCells_.clear();
        qsizetype column = 0;
        while (xml_.advance()) {
            if (xml_.isEndElement() && xml_.name() == u"table-row")
                return;
            if (!xml_.isStartElement() ||
                (xml_.name() != u"table-cell" && xml_.name() != u"covered-table-cell"))
                continue;
            const qsizetype repeat =
                std::clamp(xml_.attribute(u"number-columns-repeated").toInt(), 1, MaxRepeat);
            const QString text = readCell();
            if (!text.isEmpty())
                for (qsizetype k = 0; k < repeat && column + k < MaxTableColumns; ++k)
                    placeCell(rowCells_, column + k, text);
            column += repeat;
        }
    }

    // The cell's value: a date as its date-value, a number as its value, else its text.
    QString readCell() {
        const QStringView type = xml_.attribute(u"value-type");
        QString value;
        if (type == u"date")
            value = xml_.attribute(u"date-value").left(10).toString();
        else if (type == u"float" || type == u"percentage" || type == u"currency")
            value = xml_.attribute(u"value").toString();
        QString text;
        int paragraphs = 0;
        int depth = 1;
        while (depth > 0 && xml_.advance()) {
            if (xml_.isStartElement()) {
                ++depth;
                // A second paragraph and a line break both start a new line of the cell.
                if ((xml_.name() == u"p" && paragraphs++ > 0) || xml_.name() == u"line-break")
                    appendCapped(text, u"\n");
                else if (xml_.name() == u"s")
                    appendCapped(text, QString(std::clamp(xml_.attribute(u"c").toInt(), 1,
                                                          MaxTableCellLength),
                                               QLatin1Char(' ')));
                else if (xml_.name() == u"tab")
                    appendCapped(text, u"\t");
                else if (xml_.name() == u"annotation")
                    xml_.elementText(), --depth; // a comment, not the cell's text
            } else if (xml_.isEndElement()) {
                --depth;
            } else if (xml_.isCharacters() && depth > 1) {
                appendCapped(text, xml_.text());
            }
        }
        return value.isEmpty() ? text : value;
    }

    XmlFeed xml_;
    QStringList rowCells_;
    int repeatLeft_ = 0;
    int rowNumber_ = 0;
    int tableDepth_ = 0;
    bool done_ = false;
};

} // namespace

std::unique_ptr<TableRecords> workbookRecords(const ZipArchive& archive, WorkbookKind kind,
                                              const QString& name) {
    try {
        if (kind == WorkbookKind::Xlsx)
            return std::make_unique<XlsxRecords>(archive, name);
        return std::make_unique<OdsRecords>(archive, name);
    } catch (const AnalysisError& error) {
        if (error.message().startsWith(QStringLiteral("Таблица")))
            throw;
        // The archive's own failure (a part missing, damaged or over its limit).
        throwUnreadable(name, error.message());
    }
}

} // namespace ezr
