#include "ResponseFile.h"

#include "AnalysisError.h"
#include "Regional.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>

namespace ezr {

QByteArray UnscrambleText(QByteArrayView bytes, QByteArrayView key) {
    QByteArray result(bytes.size(), Qt::Uninitialized);
    const qsizetype keyLength = key.size();
    char* out = result.data();
    const char* in = bytes.data();
    for (qsizetype i = 0, k = 0; i < bytes.size(); ++i) {
        out[i] = static_cast<char>(in[i] ^ key[k]);
        if (++k == keyLength)
            k = 0;
    }
    return result;
}

QString decodeWindows1251(QByteArrayView bytes) {
    // The converter is stateless for a single-byte code page, so one per thread serves all.
    thread_local QStringDecoder decoder("Windows-1251", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray encodeWindows1251(QStringView text) {
    thread_local QStringEncoder encoder("Windows-1251", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QList<QStringView> splitLines(QStringView text) {
    QList<QStringView> lines;
    lines.reserve(128);
    qsizetype start = 0;
    for (;;) {
        const qsizetype crlf = text.indexOf(u"\r\n", start);
        if (crlf < 0) {
            lines.append(text.sliced(start));
            break;
        }
        lines.append(text.sliced(start, crlf - start));
        start = crlf + 2;
    }
    return lines;
}

QStringView lineAt(const QList<QStringView>& lines, int index) {
    return index >= 0 && index < lines.size() ? lines[index] : QStringView();
}

ResponseHeader readHeader(const QList<QStringView>& lines) {
    ResponseHeader h;
    h.testDate = lineAt(lines, 0).toString();
    h.birthDate = lineAt(lines, 1).toString();
    h.code = lineAt(lines, 2).toString();
    h.name = lineAt(lines, 3).toString();
    h.sex = lineAt(lines, 4).toString();
    h.education = lineAt(lines, 5).toString();
    for (int i = 0; i < 4; ++i)
        h.timingLines[static_cast<std::size_t>(i)] = lineAt(lines, 6 + i).toString();
    return h;
}

void ReadItemLines(const QList<QStringView>& lines, TAnalysisData& data) {
    data.Answers = {};
    data.MotiveCounts = {};
    data.AnswerTimes = {};
    const QChar point = decimalSeparator();
    for (int item = 1; item <= ItemCount; ++item) {
        const QStringView line = lineAt(lines, 10 + item);
        MarkPair& pair = data.Answers[static_cast<std::size_t>(item - 1) / 36]
                                     [static_cast<std::size_t>(item - 1) % 36];
        const QStringView resultative = line.mid(0, 5);
        if (!tryParseInteger(resultative, pair.ResultativeMark))
            throwInvalidInteger(resultative);
        const QStringView procedural = line.mid(5, 5);
        if (!tryParseInteger(procedural, pair.ProceduralMark))
            throwInvalidInteger(procedural);
        const QStringView time = line.mid(10, 8);
        if (!tryParseFloat(time, point, data.AnswerTimes[static_cast<std::size_t>(item - 1)]))
            throwInvalidFloat(time);
    }
}

void TimeStatistics(TAnalysisData& data) {
    double sum = 0.0;
    for (const double t : data.AnswerTimes)
        sum += t;
    data.MeanTime = sum / ItemCount;
    double squares = 0.0;
    for (const double t : data.AnswerTimes)
        squares += (data.MeanTime - t) * (data.MeanTime - t);
    data.SdTime = std::sqrt(squares / (ItemCount - 1));
}

QString AgeText(QStringView testDate, QStringView birthDate) {
    const QDate test = parseShortDate(testDate);
    const QDate birth = parseShortDate(birthDate);
    const QDate age = QDate(1899, 12, 30).addDays(birth.daysTo(test));
    const int year = ((age.year() % 100) + 100) % 100;
    return QStringLiteral("%1.%2")
        .arg(year, 2, 10, QLatin1Char('0'))
        .arg(age.month(), 2, 10, QLatin1Char('0'));
}

QByteArray readResponseBytes(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throwCannotOpen(path);
    if (info.size() > MaxResponseFileSize)
        throwFileTooLarge(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throwCannotOpen(path);
    QByteArray bytes = file.read(MaxResponseFileSize + 1);
    if (bytes.size() > MaxResponseFileSize)
        throwFileTooLarge(path);
    return bytes;
}

ResponseFile parseResponseFile(QByteArrayView stored) {
    const QString text = decodeWindows1251(UnscrambleText(stored));
    const QList<QStringView> lines = splitLines(text);
    ResponseFile file;
    file.header = readHeader(lines);
    file.age = AgeText(file.header.testDate, file.header.birthDate);
    file.data.TimingLines = file.header.timingLines;
    ReadItemLines(lines, file.data);
    TimeStatistics(file.data);
    return file;
}

ResponseFile readResponseFile(const QString& path) {
    return parseResponseFile(readResponseBytes(path));
}

} // namespace ezr
