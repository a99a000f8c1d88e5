#pragma once

// Reading the program's tables back as a spreadsheet program would: a workbook's sheets
// through unzip and their XML, a CSV file by RFC 4180.

#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <utility>

namespace {

inline QByteArray unzipped(const QString& zip, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

// A worksheet's cells by reference ("B2"): shared and inline strings resolved, numbers as
// text.
inline QHash<QString, QString> sheetCells(const QByteArray& sheetXml, const QStringList& shared) {
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

inline QStringList sharedStrings(const QByteArray& xmlBytes) {
    QStringList strings;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("t"))
            strings.append(xml.readElementText());
    }
    return strings;
}

inline QString columnName(int column) {
    QString name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.prepend(QChar(u'A' + (column - 1) % 26));
    return name;
}

// RFC 4180 read back: quoted fields, doubled quotes, CR LF records.
inline QList<QStringList> parseCsv(const QString& text, QChar separator) {
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

// The CRC-32 of zip archives.
inline quint32 zipCrc(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A zip archive of the parts, stored without compression, each with the CRC of its bytes.
inline QByteArray storedZip(const QList<std::pair<QByteArray, QByteArray>>& parts) {
    const auto le = [](QByteArray& out, quint32 value, int width) {
        for (int i = 0; i < width; ++i)
            out += char((value >> (8 * i)) & 0xFF);
    };
    QByteArray zip, directory;
    for (const auto& [name, bytes] : parts) {
        const quint32 offset = quint32(zip.size());
        const quint32 crc = zipCrc(bytes);
        le(zip, 0x04034b50, 4);
        for (const quint32 v : {20u, 0u, 0u, 0u, 0u})
            le(zip, v, 2);
        le(zip, crc, 4);
        le(zip, quint32(bytes.size()), 4);
        le(zip, quint32(bytes.size()), 4);
        le(zip, quint32(name.size()), 2);
        le(zip, 0, 2);
        zip += name + bytes;
        le(directory, 0x02014b50, 4);
        for (const quint32 v : {20u, 20u, 0u, 0u, 0u, 0u})
            le(directory, v, 2);
        le(directory, crc, 4);
        le(directory, quint32(bytes.size()), 4);
        le(directory, quint32(bytes.size()), 4);
        le(directory, quint32(name.size()), 2);
        for (const quint32 v : {0u, 0u, 0u, 0u})
            le(directory, v, 2);
        le(directory, 0, 4);
        le(directory, offset, 4);
        directory += name;
    }
    const quint32 start = quint32(zip.size());
    zip += directory;
    le(zip, 0x06054b50, 4);
    le(zip, 0, 2);
    le(zip, 0, 2);
    le(zip, quint32(parts.size()), 2);
    le(zip, quint32(parts.size()), 2);
    le(zip, quint32(directory.size()), 4);
    le(zip, start, 4);
    le(zip, 0, 2);
    return zip;
}

} // namespace
