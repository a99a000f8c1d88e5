#pragma once

#include "AnalysisData.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace ezr {

// A real response file has a few kilobytes; anything larger is refused unread.
inline constexpr qint64 MaxResponseFileSize = qint64{1024} * 1024;

// XOR of byte i with key character ((i - 1) mod 6) + 1; its own inverse.
QByteArray unscrambleText(QByteArrayView bytes, QByteArrayView key = DataKey);

QString decodeWindows1251(QByteArrayView bytes);
QByteArray encodeWindows1251(QStringView text);

// Lines of the plain text, split at CR LF; views into `text`.
QList<QStringView> splitLines(QStringView text);
// A line beyond the end reads as empty text.
QStringView lineAt(const QList<QStringView>& lines, int index);

// The header lines 0-9 of a response file, exactly as they stand.
struct ResponseHeader {
    QString testDate;
    QString birthDate;
    QString code;
    QString name;
    QString sex;
    QString education;
    std::array<QString, 4> timingLines;
};

ResponseHeader readHeader(const QList<QStringView>& lines);

// Zeroes Answers, MotiveCounts and AnswerTimes, then reads the 108 item lines (11-118).
// The first bad field throws; earlier fields stay stored in `data`.
void readItemLines(const QList<QStringView>& lines, AnalysisRecord& data);
void computeTimeStatistics(AnalysisRecord& data);
// "yy.mm" of the day that lies (test - birth) days after 30 December 1899.
QString ageText(QStringView testDate, QStringView birthDate);

// Reads a whole file's bytes, refusing a missing, unreadable or oversized file.
QByteArray readResponseBytes(const QString& path);
// The same for any file the program reads whole, refused beyond `maxSize` bytes.
QByteArray readFileBytes(const QString& path, qint64 maxSize);

// One examinee, read completely from the stored bytes: header, age, answers, times and
// statistics. Throws AnalysisError at the first bad value; nothing outside is touched.
struct ResponseFile {
    ResponseHeader header;
    QString age;
    AnalysisRecord record; // timing lines, answers, answer times and their statistics
};

ResponseFile parseResponseFile(QByteArrayView stored);
ResponseFile readResponseFile(const QString& path);

} // namespace ezr
