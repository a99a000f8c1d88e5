#pragma once

// Workbooks as spreadsheet programs save them, made from rows of cell texts: an .xlsx with
// shared and inline strings, numbers and date cells (serial numbers in a date style), and an
// .ods with typed cells, repeated columns and a million repeated empty rows. Made with
// libzip's writer, so the reader under test never reads its own writing.

#include <QDate>
#include <QFile>
#include <QStringList>

#include <zip.h>

namespace testworkbooks {

using Entries = QList<std::pair<QByteArray, QByteArray>>;

inline bool writeZip(const QString& path, const Entries& entries) {
    int code = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.constData(), bytes.size(), 0);
        zip_file_add(archive, name.constData(), source, ZIP_FL_OVERWRITE);
    }
    return zip_close(archive) == 0;
}

inline QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// dd.MM.yyyy as the date a spreadsheet cell holds.
inline QDate dateOfCell(const QString& text) {
    return QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
}

inline bool isNumber(const QString& text) {
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

inline QString columnName(int column) {
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

// Columns `textColumns` stay text even when they look like numbers (codes: "007").
inline bool writeXlsx(const QString& path, const QList<QStringList>& rows,
                      const QList<int>& textColumns) {
    QStringList shared;
    QString sheet = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData>");
    for (int r = 0; r < rows.size(); ++r) {
        sheet += QStringLiteral("<row r=\"%1\">").arg(r + 1);
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString& text = rows[r][c];
            const QString ref = columnName(c) + QString::number(r + 1);
            if (text.isEmpty())
                continue;
            if (dateOfCell(text).isValid()) {
                sheet += QStringLiteral("<c r=\"%1\" s=\"1\"><v>%2</v></c>")
                             .arg(ref)
                             .arg(QDate(1899, 12, 30).daysTo(dateOfCell(text)));
            } else if (text.startsWith(QLatin1Char('0')) && text.size() == 5 && text.toInt() > 0) {
                // A code typed as a number and shown with its zeros: "00012" stored as 12.
                sheet +=
                    QStringLiteral("<c r=\"%1\" s=\"2\"><v>%2</v></c>").arg(ref).arg(text.toInt());
            } else if (isNumber(text) && !textColumns.contains(c)) {
                sheet += QStringLiteral("<c r=\"%1\"><v>%2</v></c>").arg(ref, text);
            } else if (c % 2 == 0) {
                sheet +=
                    QStringLiteral("<c r=\"%1\" t=\"s\"><v>%2</v></c>").arg(ref).arg(shared.size());
                shared << text;
            } else {
                sheet += QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
                             .arg(ref, escaped(text));
            }
        }
        sheet += QStringLiteral("</row>");
    }
    sheet += QStringLiteral("</sheetData></worksheet>");
    QString strings =
        QStringLiteral("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">");
    for (const QString& text : shared)
        // Rich text in runs, with a phonetic reading that is not part of the text.
        strings += QStringLiteral("<si><r><t>%1</t></r><r><t>%2</t></r><rPh><t>x</t></rPh></si>")
                       .arg(escaped(text.left(1)), escaped(text.mid(1)));
    strings += QStringLiteral("</sst>");
    return writeZip(
        path,
        {{"xl/workbook.xml",
          "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
          "<sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId7\" Type=\"worksheet\" Target=\"worksheets/first.xml\"/>"
          "</Relationships>"},
         {"xl/styles.xml",
          "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
          "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"DD.MM.YY\"/>"
          "<numFmt numFmtId=\"165\" formatCode=\"00000\"/></numFmts>"
          "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/>"
          "<xf numFmtId=\"165\"/></cellXfs>"
          "</styleSheet>"},
         {"xl/sharedStrings.xml", strings.toUtf8()},
         {"xl/worksheets/first.xml", sheet.toUtf8()},
         {"xl/worksheets/sheet1.xml", "<worksheet><sheetData/></worksheet>"}});
}

inline QString odsCell(const QString& text, bool asText, int repeat) {
    const QString repeated =
        repeat > 1 ? QStringLiteral(" table:number-columns-repeated=\"%1\"").arg(repeat)
                   : QString();
    if (text.isEmpty())
        return QStringLiteral("<table:table-cell%1/>").arg(repeated);
    if (dateOfCell(text).isValid())
        return QStringLiteral("<table:table-cell%1 office:value-type=\"date\" "
                              "office:date-value=\"%2T00:00:00\"><text:p>%3</text:p>"
                              "</table:table-cell>")
            .arg(repeated, dateOfCell(text).toString(Qt::ISODate), text);
    if (isNumber(text) && !asText)
        return QStringLiteral("<table:table-cell%1 office:value-type=\"float\" "
                              "office:value=\"%2\"><text:p>%2</text:p></table:table-cell>")
            .arg(repeated, text);
    // Two blanks saved as <text:s/>, as the office programs do.
    QString body = escaped(text);
    body.replace(QStringLiteral("  "), QStringLiteral(" <text:s/>"));
    return QStringLiteral("<table:table-cell%1 office:value-type=\"string\"><text:p>%2</text:p>"
                          "</table:table-cell>")
        .arg(repeated, body);
}

inline bool writeOds(const QString& path, const QList<QStringList>& rows,
                     const QList<int>& textColumns) {
    QString table = QStringLiteral("<table:table table:name=\"Лист1\">");
    for (const QStringList& row : rows) {
        table += QStringLiteral("<table:table-row>");
        for (int c = 0; c < row.size();) {
            int repeat = 1;
            while (c + repeat < row.size() && row[c + repeat] == row[c] &&
                   !textColumns.contains(c + repeat))
                ++repeat;
            table += odsCell(row[c], textColumns.contains(c), repeat);
            c += repeat;
        }
        table += QStringLiteral("<table:table-cell table:number-columns-repeated=\"16000\"/>"
                                "</table:table-row>");
    }
    table += QStringLiteral("<table:table-row table:number-rows-repeated=\"1048000\">"
                            "<table:table-cell table:number-columns-repeated=\"16384\"/>"
                            "</table:table-row></table:table>");
    const QString content =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<office:document-content "
            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
            "<office:body><office:spreadsheet>%1"
            "<table:table table:name=\"Лист2\"><table:table-row><table:table-cell "
            "office:value-type=\"string\"><text:p>second sheet</text:p></table:table-cell>"
            "</table:table-row></table:table>"
            "</office:spreadsheet></office:body></office:document-content>")
            .arg(table);
    return writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                           {"content.xml", content.toUtf8()}});
}

} // namespace testworkbooks
