#pragma once

// Whole-file reads and writes for the suites; an empty result or false marks a failure.

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

#ifdef EZR_TEST_DATA_DIR
// A file of the suites' data folder (tests/data).
inline QString dataPath(const char* name) {
    return QStringLiteral(EZR_TEST_DATA_DIR "/") + QLatin1String(name);
}
#endif

// The day the stored group reports were made: a group's test date is the day of the run.
inline QDate fixedToday() {
    return QDate(2026, 12, 7);
}
