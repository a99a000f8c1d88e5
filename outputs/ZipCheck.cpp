#include "ZipCheck.h"

#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>

#include <zlib.h>

namespace ezr {

namespace {

constexpr quint32 EndOfDirectorySignature = 0x06054b50;
constexpr quint32 DirectoryEntrySignature = 0x02014b50;
constexpr quint32 LocalHeaderSignature = 0x04034b50;
constexpr qsizetype EndOfDirectorySize = 22;
constexpr qsizetype DirectoryEntrySize = 46;
constexpr qsizetype LocalHeaderSize = 30;

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

// Parts up to this size are read whole and parsed as XML; a larger one (a worksheet of many
// thousand rows) is inflated a piece at a time and checked by its size, its CRC and its root
// element closed at the end, so that checking a workbook costs neither its size in memory nor
// a second parse of every cell.
constexpr quint32 MaxParsedSize = 4u << 20;
constexpr qsizetype EdgeBytes = 256; // of a large part's text: its beginning and its end

// What a part holds: whole when small, otherwise its first and last bytes.
struct PartText {
    QByteArray whole;
    QByteArray head;
    QByteArray tail;
};

// The part inflated (or stored) to exactly its recorded size and CRC.
std::optional<PartText> partText(QByteArrayView packed, const Entry& entry) {
    const bool keepWhole = entry.size <= MaxParsedSize;
    PartText text;
    uLong crc = crc32(0, nullptr, 0);
    quint64 total = 0;
    const auto take = [&](const char* data, qsizetype length) {
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), uInt(length));
        total += quint64(length);
        if (keepWhole) {
            text.whole.append(data, length);
            return;
        }
        if (text.head.size() < EdgeBytes)
            text.head.append(data, std::min(length, EdgeBytes - text.head.size()));
        text.tail.append(data, length);
        if (text.tail.size() > 2 * EdgeBytes)
            text.tail = text.tail.right(EdgeBytes);
    };
    if (entry.method == 0 && entry.packedSize == entry.size) {
        if (keepWhole)
            text.whole.reserve(packed.size());
        for (qsizetype at = 0; at < packed.size(); at += 1 << 20)
            take(packed.data() + at, std::min<qsizetype>(1 << 20, packed.size() - at));
    } else if (entry.method == Z_DEFLATED) {
        if (keepWhole)
            text.whole.reserve(qsizetype(entry.size));
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return std::nullopt;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        stream.avail_in = uInt(packed.size());
        char buffer[64 * 1024];
        int result = Z_OK;
        while (result == Z_OK) {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            result = inflate(&stream, Z_NO_FLUSH);
            if (result == Z_OK || result == Z_STREAM_END)
                take(buffer, qsizetype(sizeof buffer - stream.avail_out));
            if (total > entry.size)
                break;
        }
        inflateEnd(&stream);
        if (result != Z_STREAM_END)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (total != entry.size || crc != entry.crc)
        return std::nullopt;
    if (!keepWhole)
        text.tail = text.tail.right(EdgeBytes);
    return text;
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

// A large part's root element, opened in its first bytes, is closed at its very end: what a
// write cut short would lack.
bool rootClosed(const PartText& text) {
    qsizetype at = 0;
    while ((at = text.head.indexOf('<', at)) >= 0) {
        const char next = at + 1 < text.head.size() ? text.head[at + 1] : '\0';
        if (next != '?' && next != '!')
            break;
        ++at;
    }
    if (at < 0)
        return false;
    qsizetype end = at + 1;
    while (end < text.head.size() && !QByteArrayView(" \t\r\n/>").contains(text.head[end]))
        ++end;
    const QByteArray closing = "</" + text.head.mid(at + 1, end - at - 1) + '>';
    return end > at + 1 && text.tail.trimmed().endsWith(closing);
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
        const qsizetype local = qsizetype(entry.localOffset);
        if (!zip.fits(local, LocalHeaderSize) || zip.le(local, 4) != LocalHeaderSignature)
            return ArchiveDamage{entry.name, false};
        const qsizetype data =
            local + LocalHeaderSize + zip.le(local + 26, 2) + zip.le(local + 28, 2);
        if (!zip.fits(data, entry.packedSize))
            return ArchiveDamage{entry.name, false};
        const std::optional<PartText> text =
            partText(archive.sliced(data, entry.packedSize), entry);
        const bool types = entry.name == contentTypes;
        bool whole = text.has_value();
        if (whole && isXmlPart(entry.name))
            whole = entry.size <= MaxParsedSize ? readXml(text->whole, types ? &needed : nullptr)
                                                : !types && rootClosed(*text);
        if (!whole)
            return ArchiveDamage{entry.name, false};
    }
    for (const QString& part : std::as_const(needed))
        if (!entries.contains(part))
            return ArchiveDamage{part, true};
    return std::nullopt;
}

} // namespace ezr
