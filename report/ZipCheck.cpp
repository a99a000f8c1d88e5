#include "ZipCheck.h"

#include <QHash>
#include <QXmlStreamReader>

#include <zlib.h>

namespace ezr {

namespace {

constexpr quint32 EndOfDirectorySignature = 0x06054b50;
constexpr quint32 DirectoryEntrySignature = 0x02014b50;
constexpr quint32 LocalHeaderSignature = 0x04034b50;
constexpr qsizetype EndOfDirectorySize = 22;
constexpr qsizetype DirectoryEntrySize = 46;
constexpr qsizetype LocalHeaderSize = 30;
// No part of the program's workbooks comes near this; a larger claim is a damaged directory.
constexpr quint32 MaxPartSize = 512u << 20;

struct Reader {
    QByteArrayView bytes;
    bool fits(qsizetype at, qsizetype length) const {
        return at >= 0 && length >= 0 && at <= bytes.size() && length <= bytes.size() - at;
    }
    quint32 le(qsizetype at, int width) const {
        quint32 value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = (value << 8) | quint8(bytes[at + i]);
        return value;
    }
};

struct Entry {
    QString name;
    quint32 method = 0;
    quint32 crc = 0;
    quint32 packedSize = 0;
    quint32 size = 0;
    quint32 localOffset = 0;
};

std::optional<QByteArray> inflated(QByteArrayView packed, quint32 size) {
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = uInt(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.total_out == size;
    inflateEnd(&stream);
    if (!whole)
        return std::nullopt;
    return out;
}

// The part's bytes when they match what the directory records.
std::optional<QByteArray> partBytes(const Reader& zip, const Entry& entry) {
    const qsizetype local = qsizetype(entry.localOffset);
    if (!zip.fits(local, LocalHeaderSize) || zip.le(local, 4) != LocalHeaderSignature)
        return std::nullopt;
    const qsizetype data = local + LocalHeaderSize + zip.le(local + 26, 2) + zip.le(local + 28, 2);
    if (!zip.fits(data, entry.packedSize) || entry.size > MaxPartSize)
        return std::nullopt;
    const QByteArrayView packed = zip.bytes.sliced(data, entry.packedSize);
    std::optional<QByteArray> bytes;
    if (entry.method == 0 && entry.packedSize == entry.size)
        bytes = packed.toByteArray();
    else if (entry.method == Z_DEFLATED)
        bytes = inflated(packed, entry.size);
    if (!bytes)
        return std::nullopt;
    const uLong crc =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes->constData()),
              uInt(bytes->size()));
    if (crc != entry.crc)
        return std::nullopt;
    return bytes;
}

bool isXmlPart(const QString& name) {
    return name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels"));
}

// Well formed to the end, and for the content types the parts they name.
bool readXml(const QByteArray& bytes, QStringList* namedParts) {
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (namedParts && xml.isStartElement() && xml.name() == QLatin1String("Override")) {
            const QString part = xml.attributes().value(QLatin1String("PartName")).toString();
            namedParts->append(part.startsWith(QLatin1Char('/')) ? part.mid(1) : part);
        }
    }
    return !xml.hasError();
}

} // namespace

std::optional<ArchiveDamage> archiveDamage(QByteArrayView archive, const QStringList& required) {
    const Reader zip{archive};
    const ArchiveDamage broken{};
    // The end of the directory, searched back over a comment of at most 64 KiB.
    qsizetype end = -1;
    for (qsizetype at = archive.size() - EndOfDirectorySize;
         at >= 0 && at >= archive.size() - EndOfDirectorySize - 0xFFFF; --at) {
        if (zip.le(at, 4) == EndOfDirectorySignature) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return broken;
    const quint32 count = zip.le(end + 10, 2);
    qsizetype at = zip.le(end + 16, 4);
    QHash<QString, Entry> entries;
    for (quint32 i = 0; i < count; ++i) {
        if (!zip.fits(at, DirectoryEntrySize) || zip.le(at, 4) != DirectoryEntrySignature)
            return broken;
        Entry entry;
        entry.method = zip.le(at + 10, 2);
        entry.crc = zip.le(at + 16, 4);
        entry.packedSize = zip.le(at + 20, 4);
        entry.size = zip.le(at + 24, 4);
        const qsizetype nameLength = zip.le(at + 28, 2);
        const qsizetype extra = zip.le(at + 30, 2) + zip.le(at + 32, 2);
        entry.localOffset = zip.le(at + 42, 4);
        if (!zip.fits(at + DirectoryEntrySize, nameLength + extra))
            return broken;
        entry.name = QString::fromUtf8(archive.sliced(at + DirectoryEntrySize, nameLength));
        entries.insert(entry.name, entry);
        at += DirectoryEntrySize + nameLength + extra;
    }

    QStringList needed = required;
    const QString contentTypes = QStringLiteral("[Content_Types].xml");
    for (const Entry& entry : std::as_const(entries)) {
        const std::optional<QByteArray> bytes = partBytes(zip, entry);
        const bool types = entry.name == contentTypes;
        if (!bytes || (isXmlPart(entry.name) && !readXml(*bytes, types ? &needed : nullptr)))
            return ArchiveDamage{entry.name, false};
    }
    for (const QString& part : std::as_const(needed))
        if (!entries.contains(part))
            return ArchiveDamage{part, true};
    return std::nullopt;
}

} // namespace ezr
