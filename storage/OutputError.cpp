#include "OutputError.h"

#include <QtGlobal>

namespace ezr {

namespace {

QString englishText(OutputError::Kind kind, const QString& path, int systemError,
                    const QString& detail) {
    using Kind = OutputError::Kind;
    QString reason = systemError != 0 ? systemReason(systemError) : detail;
    const auto refusal = [&path](const char* why) {
        return QStringLiteral("Refusing to write the report to \"%1\": %2")
            .arg(path, QLatin1String(why));
    };
    switch (kind) {
    case Kind::CannotCreate:
        return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
    case Kind::CannotWrite:
        return QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason);
    case Kind::Workbook:
        return QStringLiteral("Cannot make the workbook. %1").arg(reason);
    case Kind::AnalysedFile:
        return refusal("it is the response file being analysed");
    case Kind::GroupFolder:
        return refusal("it lies in the group folder and would become one of its members");
    case Kind::GroupMember:
        return refusal("it is a member of the group folder");
    case Kind::LinkedTarget:
        return QStringLiteral("Refusing to write \"%1\": it is a symbolic link").arg(path);
    case Kind::SpecialTarget:
        return QStringLiteral("Refusing to write \"%1\": it is not a regular file").arg(path);
    }
    return reason;
}

} // namespace

OutputError::OutputError(Kind kind, const QString& path, int systemError, const QString& detail,
                         QString russianDetail)
    : AnalysisError(englishText(kind, pathInMessage(path), systemError, detail)), kind_(kind),
      path_(pathInMessage(path)), systemError_(systemError),
      russianDetail_(std::move(russianDetail)) {}

QString OutputError::windowText() const {
    // Qt's own texts for the common reasons (a full disk, a missing folder, no permission)
    // come translated with the window's Russian texts of Qt.
    QString reason = systemError_ != 0 ? qt_error_string(systemError_) : russianDetail_;
    const auto refusal = [this](const char* why) {
        return QStringLiteral("Нельзя записать файл «%1»: %2").arg(path_, QString::fromUtf8(why));
    };
    switch (kind_) {
    case Kind::CannotCreate:
        return QStringLiteral("Не удалось создать файл «%1»: %2").arg(path_, reason);
    case Kind::CannotWrite:
        return QStringLiteral("Не удалось записать файл «%1»: %2").arg(path_, reason);
    case Kind::Workbook:
        return QStringLiteral("Не удалось создать книгу Excel: %1").arg(reason);
    case Kind::AnalysedFile:
        return refusal("это анализируемый файл данных");
    case Kind::GroupFolder:
        return refusal("он лежит в папке данных группы и стал бы её участником");
    case Kind::GroupMember:
        return refusal("это файл из папки данных группы");
    case Kind::LinkedTarget:
        return refusal("на его месте символическая ссылка");
    case Kind::SpecialTarget:
        return refusal("на его месте не обычный файл");
    }
    return reason;
}

} // namespace ezr
