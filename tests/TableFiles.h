#pragma once

// Reading the program's tables back as a spreadsheet program would: a workbook's sheets
// through unzip and their XML, a CSV file by RFC 4180.

#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

QByteArray unzipped(const QString& zip, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

// A worksheet's cells by reference ("B2"): shared and inline strings resolved, numbers as
// text.
QHash<QString, QString> sheetCells(const QByteArray& sheetXml, const QStringList& shared) {
    QHash<QString, QString> cells;
    QXmlStreamReader xml(sheetXml);
    QString reference, type;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("c")) {
            reference = xml.attributes().value(QLatin1String("r")).toString();
            type = xml.attributes().value(QLatin1String("t")).toString();
        } else if (xml.name() == QLatin1String("t") && type == QLatin1String("inlineStr")) {
            // A string written in the cell itself (a workbook written row by row).
            cells.insert(reference, xml.readElementText());
        } else if (xml.name() == QLatin1String("v")) {
            const QString v = xml.readElementText();
            cells.insert(reference, type == QLatin1String("s") ? shared.value(v.toInt()) : v);
        }
    }
    return cells;
}

QStringList sharedStrings(const QByteArray& xmlBytes) {
    QStringList strings;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("t"))
            strings.append(xml.readElementText());
    }
    return strings;
}

QString columnName(int column) {
    QString name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.prepend(QChar(u'A' + (column - 1) % 26));
    return name;
}

// RFC 4180 read back: quoted fields, doubled quotes, CR LF records.
QList<QStringList> parseCsv(const QString& text, QChar separator) {
    QList<QStringList> records{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += c, ++i;
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            records.last().append(field), field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            records.last().append(field), field.clear();
            records.append(QStringList());
            ++i;
        } else {
            field += c;
        }
    }
    if (records.last().isEmpty())
        records.removeLast();
    return records;
}

} // namespace
