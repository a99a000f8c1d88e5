#include "WorkbookCheck.h"

#include "AnalysisError.h"
#include "ZipArchive.h"

#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <optional>

namespace ezr {

namespace {

// Parts up to this size are held whole and parsed as XML; a larger one (a worksheet of many
// thousand rows) is checked as it unpacks, a piece at a time: its numbers, its CRC and its
// root element closed at the end, so that checking a workbook costs neither its size in
// memory nor a second XML parse of every cell.
constexpr qsizetype MaxParsedSize = 4 << 20;
constexpr qsizetype EdgeBytes = 256;            // of a large part's text: its beginning and its end
constexpr qint64 MaxPartSize = qint64(1) << 40; // beyond any workbook the program writes

// The attributes of a worksheet that hold a number of type xsd:double: column widths, row
// heights, the sheet's defaults and the page margins.
constexpr std::array<QLatin1StringView, 11> NumberAttributes = {
    QLatin1StringView("width"),
    QLatin1StringView("ht"),
    QLatin1StringView("defaultRowHeight"),
    QLatin1StringView("defaultColWidth"),
    QLatin1StringView("baseColWidth"),
    QLatin1StringView("left"),
    QLatin1StringView("right"),
    QLatin1StringView("top"),
    QLatin1StringView("bottom"),
    QLatin1StringView("header"),
    QLatin1StringView("footer")};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// What a part holds: whole when small, otherwise its first and last bytes.
struct PartText {
    QByteArray whole;
    QByteArray head;
    QByteArray tail;
    bool large = false;
    void take(QByteArrayView piece) {
        if (!large && whole.size() + piece.size() <= MaxParsedSize) {
            whole.append(piece);
            return;
        }
        if (!large) {
            large = true;
            head = whole.left(EdgeBytes);
            tail = whole.right(EdgeBytes);
            whole.clear();
        }
        if (head.size() < EdgeBytes)
            head.append(piece.first(std::min(piece.size(), EdgeBytes - head.size())));
        tail.append(piece);
        if (tail.size() > 2 * EdgeBytes)
            tail = tail.right(EdgeBytes);
    }
};

// The numbers of a worksheet, checked as its text arrives: the value of every numeric cell
// (no t attribute, or t="n") and the number attributes of every element.
class NumberScan {
public:
    void feed(QByteArrayView piece) {
        if (bad_)
            return;
        pending_.append(piece);
        qsizetype at = 0;
        for (;;) {
            const qsizetype open = pending_.indexOf('<', at);
            if (open < 0)
                break;
            const qsizetype close = tagEnd(open);
            if (close < 0)
                break;
            if (inValue_ && !isXmlNumber(QByteArrayView(pending_).sliced(at, open - at)))
                bad_ = pending_.sliced(at, open - at);
            inValue_ = false;
            tag(QByteArrayView(pending_).sliced(open + 1, close - open - 1));
            at = close + 1;
            if (bad_)
                return;
        }
        pending_.remove(0, at);
    }
    // The first number out of syntax, if any.
    const std::optional<QByteArray>& bad() const { return bad_; }

private:
    // The '>' that ends the tag opened at `open`, past quoted attribute values; -1 when the
    // tag has not arrived whole yet.
    qsizetype tagEnd(qsizetype open) const {
        char quote = 0;
        for (qsizetype i = open + 1; i < pending_.size(); ++i) {
            const char c = pending_[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'')
                quote = c;
            else if (c == '>')
                return i;
        }
        return -1;
    }

    void tag(QByteArrayView text) {
        if (text.isEmpty() || text.front() == '/' || text.front() == '?' || text.front() == '!')
            return;
        const bool empty = text.back() == '/';
        qsizetype i = 0;
        while (i < text.size() && text[i] != ' ' && text[i] != '/' && text[i] != '\t' &&
               text[i] != '\n' && text[i] != '\r')
            ++i;
        const QByteArrayView name = text.first(i);
        QByteArrayView type;
        while (i < text.size()) {
            while (i < text.size() && !(isalpha(uchar(text[i])) || text[i] == '_'))
                ++i;
            const qsizetype nameStart = i;
            while (i < text.size() && text[i] != '=' && text[i] != ' ')
                ++i;
            const QByteArrayView attribute = text.sliced(nameStart, i - nameStart);
            while (i < text.size() && text[i] != '"' && text[i] != '\'')
                ++i;
            if (i >= text.size())
                break;
            const char quote = text[i];
            const qsizetype valueStart = ++i;
            while (i < text.size() && text[i] != quote)
                ++i;
            const QByteArrayView value = text.sliced(valueStart, i - valueStart);
            ++i;
            if (attribute == "t")
                type = value;
            else if (std::find(NumberAttributes.begin(), NumberAttributes.end(),
                               QLatin1StringView(attribute)) != NumberAttributes.end() &&
                     !isXmlNumber(value))
                bad_ = value.toByteArray();
        }
        if (name == "c")
            numericCell_ = type.isEmpty() || type == "n";
        else if (name == "v")
            inValue_ = numericCell_ && !empty;
    }

    QByteArray pending_;
    std::optional<QByteArray> bad_;
    bool numericCell_ = false;
    bool inValue_ = false;
};

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

bool isXmlNumber(QByteArrayView text) {
    if (text == "INF" || text == "-INF" || text == "NaN")
        return true;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    qsizetype digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        qsizetype exponent = 0;
        for (; i < text.size() && isDigit(text[i]); ++i)
            ++exponent;
        if (exponent == 0)
            return false;
    }
    return i == text.size();
}

std::optional<ArchiveDamage> archiveDamage(QByteArrayView archive, const QStringList& required) {
    const QString contentTypes = QStringLiteral("[Content_Types].xml");
    QStringList needed = required;
    QStringList names;
    QString part;
    try {
        // The bytes stay where they are (a mapped file): libzip reads them in place.
        const ZipArchive zip = ZipArchive::openBytes(
            QByteArray::fromRawData(archive.data(), archive.size()), QStringLiteral("workbook"));
        names = zip.entryNames();
        for (const QString& name : std::as_const(names)) {
            part = name;
            PartText text;
            NumberScan numbers;
            const bool sheet = name.startsWith(QLatin1String("xl/worksheets/"));
            // The part unpacks as it is read: a damaged one fails the read, the checksum
            // after its last byte.
            const std::unique_ptr<QIODevice> entry = zip.openEntry(name, MaxPartSize);
            char buffer[64 * 1024];
            qint64 got = 0;
            while ((got = entry->read(buffer, sizeof buffer)) > 0) {
                const QByteArrayView piece(buffer, qsizetype(got));
                text.take(piece);
                if (sheet)
                    numbers.feed(piece);
            }
            if (got < 0)
                return ArchiveDamage{name, false, std::nullopt};
            if (numbers.bad())
                return ArchiveDamage{name, false, QString::fromUtf8(*numbers.bad())};
            if (!isXmlPart(name))
                continue;
            const bool types = name == contentTypes;
            const bool whole = text.large ? !types && rootClosed(text)
                                          : readXml(text.whole, types ? &needed : nullptr);
            if (!whole)
                return ArchiveDamage{name, false, std::nullopt};
        }
    } catch (const AnalysisError&) {
        // Not an archive at all, or the part being read does not unpack.
        return ArchiveDamage{part, false, std::nullopt};
    }
    for (const QString& p : std::as_const(needed))
        if (!names.contains(p))
            return ArchiveDamage{p, true, std::nullopt};
    return std::nullopt;
}

} // namespace ezr
