#include "ResponseFile.h"

#include "PlainText.h"

#include "AnalysisError.h"
#include "Regional.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ezr {

QByteArray unscrambleText(QByteArrayView bytes, QByteArrayView key) {
    const qsizetype n = bytes.size();
    QByteArray result(n, Qt::Uninitialized);
    const qsizetype keyLength = key.size();
    if (keyLength == 0) {
        // XOR with no key at all leaves the text as it is.
        if (n > 0)
            std::memcpy(result.data(), bytes.data(), static_cast<std::size_t>(n));
        return result;
    }
    // The key repeated to a pattern of at least 64 bytes lets the compiler XOR whole vector
    // registers at a time; the pattern starts with key character 1 like the text does.
    constexpr qsizetype MinPattern = 64;
    char repeated[2 * MinPattern];
    const char* pattern = key.data();
    qsizetype patternLength = keyLength;
    if (keyLength < MinPattern) {
        patternLength = (MinPattern + keyLength - 1) / keyLength * keyLength;
        for (qsizetype k = 0; k < patternLength; ++k)
            repeated[k] = key[k % keyLength];
        pattern = repeated;
    }
    char* out = result.data();
    const char* in = bytes.data();
    qsizetype i = 0;
    for (; i + patternLength <= n; i += patternLength)
        for (qsizetype k = 0; k < patternLength; ++k)
            out[i + k] = static_cast<char>(in[i + k] ^ pattern[k]);
    for (qsizetype k = 0; i < n; ++i, ++k)
        out[i] = static_cast<char>(in[i] ^ pattern[k]);
    return result;
}

namespace {

// The code page's 256 characters, taken once from the system's converter: a single-byte code
// page decodes byte by byte, so a look-up gives the converter's very text at a fraction of
// its cost per file.
// A byte the converter does not turn into exactly one character (none on the systems
// seen) sends the text through the converter itself.
struct DecodingTable {
    std::array<char16_t, 256> characters{};
    std::array<bool, 256> single{};
    bool allSingle = true; // then no byte needs a look before its look-up
};

QString decodeByConverter(QByteArrayView bytes) {
    // Stateless for a single-byte code page, so one per thread serves all.
    thread_local QStringDecoder decoder("Windows-1251", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

DecodingTable windows1251Table() {
    DecodingTable table;
    for (int byte = 0; byte < 256; ++byte) {
        const char c = char(byte);
        const QString one = decodeByConverter(QByteArrayView(&c, 1));
        table.single[std::size_t(byte)] = one.size() == 1;
        table.characters[std::size_t(byte)] = one.isEmpty() ? u'\0' : one.front().unicode();
        table.allSingle = table.allSingle && table.single[std::size_t(byte)];
    }
    return table;
}

} // namespace

QString decodeWindows1251(QByteArrayView bytes) {
    static const DecodingTable table = windows1251Table();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    if (table.allSingle) {
        for (const char byte : bytes)
            *out++ = table.characters[static_cast<unsigned char>(byte)];
        return text;
    }
    for (const char byte : bytes) {
        const auto index = static_cast<unsigned char>(byte);
        if (!table.single[index])
            return decodeByConverter(bytes);
        *out++ = table.characters[index];
    }
    return text;
}

QByteArray encodeWindows1251(QStringView text) {
    thread_local QStringEncoder encoder("Windows-1251", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QList<QStringView> splitLines(QStringView text) {
    QList<QStringView> lines;
    lines.reserve(128);
    qsizetype start = 0;
    qsizetype from = 0;
    for (;;) {
        // A single-character search is much faster than a search for the pair.
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), from);
        if (cr < 0) {
            lines.append(text.sliced(start));
            break;
        }
        if (cr + 1 < text.size() && text[cr + 1] == QLatin1Char('\n')) {
            lines.append(text.sliced(start, cr - start));
            start = cr + 2;
            from = start;
        } else {
            from = cr + 1;
        }
    }
    return lines;
}

QStringView lineAt(const QList<QStringView>& lines, int index) {
    return index >= 0 && index < lines.size() ? lines[index] : QStringView();
}

ResponseHeader readHeader(const QList<QStringView>& lines) {
    ResponseHeader h;
    // Every field is shown or written somewhere: one line of plain text each.
    h.testDate = oneLine(lineAt(lines, 0));
    h.birthDate = oneLine(lineAt(lines, 1));
    h.code = oneLine(lineAt(lines, 2));
    h.name = oneLine(lineAt(lines, 3));
    h.sex = oneLine(lineAt(lines, 4));
    h.education = oneLine(lineAt(lines, 5));
    for (int i = 0; i < 4; ++i)
        h.timingLines[static_cast<std::size_t>(i)] = oneLine(lineAt(lines, 6 + i));
    return h;
}

namespace {

// A time the statistics can still square and sum: a larger one (1e308 fits the field) would
// make the mean infinite and the deviation NaN, which no output can show. Far beyond any time
// an answer takes, so only a damaged or forged file meets it.
constexpr double MaxAnswerTime = 1e150;

// Item n stands on line 10 + n counted from 0, so an editor shows it on line 11 + n.
int itemLineNumber(int item) {
    return 11 + item;
}

QString itemField(int item, const QString& field) {
    return QStringLiteral("утверждение %1, %2").arg(item).arg(field);
}

// A header date that does not read, named by its line.
QDate headerDate(QStringView text, int line, const QString& field) {
    try {
        return parseShortDate(text);
    } catch (const AnalysisError& error) {
        throw error.atLine(line + 1, field);
    }
}

} // namespace

void readItemLines(const QList<QStringView>& lines, AnalysisRecord& data) {
    data.answers = {};
    data.scores.motiveCounts = {};
    data.answerTimes = {};
    const QChar point = decimalSeparator();
    for (int item = 1; item <= ItemCount; ++item) {
        const QStringView line = lineAt(lines, 10 + item);
        MarkPair& pair = data.answers[static_cast<std::size_t>(item - 1) / 36]
                                     [static_cast<std::size_t>(item - 1) % 36];
        const QStringView resultative = line.mid(0, 5);
        if (!tryParseInteger(resultative, pair.resultative))
            throw invalidIntegerError(resultative)
                .atLine(itemLineNumber(item), itemField(item, QStringLiteral("отметка РО")));
        const QStringView procedural = line.mid(5, 5);
        if (!tryParseInteger(procedural, pair.procedural))
            throw invalidIntegerError(procedural)
                .atLine(itemLineNumber(item), itemField(item, QStringLiteral("отметка ПО")));
        const QStringView time = line.mid(10, 8);
        double& seconds = data.answerTimes[static_cast<std::size_t>(item - 1)];
        if (!tryParseStoredFloat(time, point, seconds) || !(std::fabs(seconds) <= MaxAnswerTime))
            throw invalidFloatError(time).atLine(itemLineNumber(item),
                                                 itemField(item, QStringLiteral("время ответа")));
    }
}

void computeTimeStatistics(AnalysisRecord& data) {
    double sum = 0.0;
    for (const double t : data.answerTimes)
        sum += t;
    data.meanTime = sum / ItemCount;
    double squares = 0.0;
    for (const double t : data.answerTimes)
        squares += (data.meanTime - t) * (data.meanTime - t);
    data.sdTime = std::sqrt(squares / (ItemCount - 1));
}

QString ageText(QStringView testDate, QStringView birthDate) {
    const QDate test = headerDate(testDate, 0, QStringLiteral("дата обследования"));
    const QDate birth = headerDate(birthDate, 1, QStringLiteral("дата рождения"));
    const QDate age = QDate(1899, 12, 30).addDays(birth.daysTo(test));
    const int year = ((age.year() % 100) + 100) % 100;
    const int month = age.month();
    // "YY.MM" by hand: arg() builds a locale for every call, and a group asks once a member.
    const char text[] = {char('0' + year / 10), char('0' + year % 10), '.', char('0' + month / 10),
                         char('0' + month % 10)};
    return QString::fromLatin1(text, sizeof text);
}

namespace {

// A descriptor closed however the reading ends.
class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Reads up to `count` bytes at `into`, going on after an interrupted call; -1 on failure.
qint64 readUpTo(int fd, char* into, qint64 count) {
    qint64 done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, into + done, std::size_t(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
        // A regular file gives less than asked only at its end: no second call to learn it.
        if (done < count)
            break;
    }
    return done;
}

} // namespace

QByteArray readFileBytes(const QString& path, qint64 maxSize) {
    // Opened first and then asked what it is, so that nothing can swap the file in between;
    // non-blocking, so that a FIFO among the files cannot hold the reader, and never as a
    // controlling terminal.
    const OpenFile file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.fd() < 0)
        throwCannotOpen(path, errno);
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0)
        throwCannotOpen(path, errno);
    if (!S_ISREG(info.st_mode))
        throwCannotOpen(path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    const qint64 size = info.st_size;
    if (size > maxSize)
        throwFileTooLarge(path, maxSize);
    // The buffer is sized by what the file held a moment ago: a buffer of the whole limit for
    // every file of a group would cost more than parsing it. The one byte more shows whether
    // the file has grown since; then the rest is read up to the limit.
    QByteArray bytes(size + 1, Qt::Uninitialized);
    qint64 got = readUpTo(file.fd(), bytes.data(), size + 1);
    if (got == size + 1) {
        bytes.resize(maxSize + 1);
        const qint64 more = readUpTo(file.fd(), bytes.data() + got, maxSize + 1 - got);
        got = more < 0 ? -1 : got + more;
    }
    if (got < 0)
        throwCannotOpen(path, errno != 0 ? errno : EIO);
    if (got > maxSize)
        throwFileTooLarge(path, maxSize);
    bytes.truncate(got);
    return bytes;
}

QByteArray readResponseBytes(const QString& path) {
    return readFileBytes(path, MaxResponseFileSize);
}

ResponseFile parseResponseFile(QByteArrayView stored) {
    const QString text = decodeWindows1251(unscrambleText(stored));
    const QList<QStringView> lines = splitLines(text);
    ResponseFile file;
    file.header = readHeader(lines);
    file.age = ageText(file.header.testDate, file.header.birthDate);
    file.record.timingLines = file.header.timingLines;
    readItemLines(lines, file.record);
    computeTimeStatistics(file.record);
    return file;
}

ResponseFile readResponseFile(const QString& path) {
    return parseResponseFile(readResponseBytes(path));
}

} // namespace ezr
