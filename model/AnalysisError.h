#pragma once

#include <QString>

#include <exception>

namespace ezr {

// The one failure of every command: a file or conversion error with the platform's message.
class AnalysisError : public std::exception {
public:
    explicit AnalysisError(QString message) : message_(std::move(message)) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return "ezr::AnalysisError"; }

private:
    QString message_;
};

[[noreturn]] void throwCannotOpen(const QString& path);
[[noreturn]] void throwFileTooLarge(const QString& path);
[[noreturn]] void throwInvalidDate(QStringView text);
[[noreturn]] void throwInvalidInteger(QStringView text);
[[noreturn]] void throwInvalidFloat(QStringView text);

// The text of the error box: a full stop is appended when the last character sorts after '.'.
QString errorBoxText(const QString& message);

} // namespace ezr
