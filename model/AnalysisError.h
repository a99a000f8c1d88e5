#pragma once

#include <QString>

#include <exception>

namespace ezr {

// The one failure of every command: a file or conversion error with the platform's message.
class AnalysisError : public std::exception {
public:
    explicit AnalysisError(QString message) : message_(std::move(message)) {}
    // A failure about one named file: `unnamed` says the same without the file's name, for
    // when the name stands apart (a group member's path goes on a line of its own).
    AnalysisError(QString message, QString unnamed)
        : message_(std::move(message)), unnamed_(std::move(unnamed)) {}

    // The English text alone, as it has always read: scripts match it.
    const QString& message() const { return message_; }
    // The group member whose file failed, or empty.
    const QString& memberPath() const { return memberPath_; }
    const char* what() const noexcept override { return "ezr::AnalysisError"; }

    // The same failure as it happened to the group member at `path`.
    AnalysisError forMember(const QString& path) const;
    // The same failure placed on line `line` of a response file (counted from 1, as an editor
    // counts), at the value `field` names ("утверждение 12, отметка ПО").
    AnalysisError atLine(int line, const QString& field) const;
    // The same failure in the file named `fileName` (without directory).
    AnalysisError inFile(const QString& fileName) const;

    // The line of a bad value in Russian: "Файл 101.cry, строка 23: утверждение 12, отметка ПО";
    // without a file's name "Строка 23: ..."; empty when the failure is not at a value.
    QString placeText() const;

private:
    QString message_;
    QString unnamed_;
    QString memberPath_;
    int line_ = 0;
    QString field_;
    QString fileName_;
};

// "Cannot open file <path>" followed by the system's reason for `error` (an errno value).
[[noreturn]] void throwCannotOpen(const QString& path, int error);
// "Файл ... слишком велик (больше 256 МБ)": the limit as it is.
[[noreturn]] void throwFileTooLarge(const QString& path, qint64 maxSize);
// The conversion failures, made and thrown.
AnalysisError invalidDateError(QStringView text);
AnalysisError invalidIntegerError(QStringView text);
AnalysisError invalidFloatError(QStringView text);
[[noreturn]] void throwInvalidDate(QStringView text);
[[noreturn]] void throwInvalidInteger(QStringView text);
[[noreturn]] void throwInvalidFloat(QStringView text);

// A text from a file as a message quotes it: control characters escaped (\0, \x1B) and at
// most 80 characters, cut with "…", so that no file can flood the error box or drive a terminal.
QString quotedInMessage(QStringView text, qsizetype maxLength = 80);
// A path as a message names it: native separators, control characters escaped as above and at
// most 120 characters; a longer path keeps its beginning and its end (the file's own name) with
// "…" between them.
QString pathInMessage(const QString& path);
// The system's reason for `error` (an errno value) in English, whatever the session's language.
QString systemReason(int error);

// The text of the error box: a full stop is appended when the last character sorts after '.'.
QString errorBoxText(const QString& message);
// The same for a failure: the message, then the place of a bad value in Russian and a group
// member's path, each on a line of its own.
QString errorBoxText(const AnalysisError& error);

} // namespace ezr
