#pragma once

#include "AnswerSheet.h"

#include <QByteArray>
#include <QChar>
#include <QString>

// The writing side of the response file: the exact inverse of the reader, so that a file
// written here reads back to the texts, marks and times it was given.
namespace ezr {

// The shortest decimal text that reads back as `seconds`, with at least one decimal
// ("12,5", "7,0") and the given separator.
QString formatAnswerTime(double seconds, QChar decimalSeparator);

// Columns 1-5 resultative mark, 6-10 procedural mark, 11-18 answer time, all right-aligned.
QString itemLine(MarkPair marks, double seconds, QChar decimalSeparator);

// The plain text: lines 0-118 joined by CR LF, the answer times with the given separator
// (the reader takes the separator of the regional settings it runs under).
QString responsePlainText(const AnswerSheet& sheet, QChar decimalSeparator);

// Windows-1251 encoding, then scrambling with the response-file key.
QByteArray scramblePlainText(QStringView plain);

// The stored bytes of the sheet's response file.
QByteArray responseFileBytes(const AnswerSheet& sheet, QChar decimalSeparator);

// The sheet as the data-entry program writes it, whatever the settings: dates as dd.mm.yyyy
// (a date the sheet's rule does not read stays as typed), answer times with a decimal comma.
// Every response file the program writes is in this form, so that it reads alike under any
// settings.
AnswerSheet canonicalSheet(const AnswerSheet& sheet);
inline constexpr QChar CanonicalDecimalSeparator = u',';
QByteArray canonicalResponseBytes(const AnswerSheet& sheet);

// The file name of a sheet: its code and ".cry".
QString responseFileNameFor(const QString& code);

} // namespace ezr
