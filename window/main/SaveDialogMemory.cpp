#include "SaveDialogMemory.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct DialogLook {
    QString title;
    QString filters;
    bool fullPath = false; // the pictures propose their name with its folder
};

DialogLook dialogLook(SavedOutput output) {
    const QString picture = QStringLiteral("Рисунок GIF (*.gif)");
    switch (output) {
    case SavedOutput::TextReport:
        return {QStringLiteral("Сохранение результатов анализа в файле.txt"),
                QStringLiteral("Файлы данных (*.txt)")};
    case SavedOutput::PdfReport:
        return {QStringLiteral("Сохранение отчёта анализа в файле.pdf"),
                QStringLiteral("Отчёт PDF (*.pdf)")};
    case SavedOutput::Table:
        return {QStringLiteral("Сохранение таблицы обследуемых"),
                QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv);;Данные SPSS (*.sav);;"
                               "Данные Stata (*.dta)")};
    case SavedOutput::ProfilePicture:
        return {QStringLiteral("Запись текущей гистограммы в файл.gif"), picture, true};
    case SavedOutput::AnswerTimePicture:
        return {QStringLiteral("Запись графика времени ответов в файл.gif"), picture, true};
    }
    return {};
}

} // namespace

SaveDialogRequest SaveDialogMemory::request(SavedOutput output, const QString& proposedName,
                                            const QString& resultsFolder) const {
    const DialogLook look = dialogLook(output);
    SaveDialogRequest request;
    request.title = look.title;
    request.filter = look.filters;
    request.suffixFromFilter = true;
    request.directory = resultsFolder;
    request.selectedFilter = look.filters.section(QStringLiteral(";;"), 0, 0);
    const auto found = remembered_.find(output);
    if (found != remembered_.end()) {
        if (QFileInfo(found->second.folder).isDir())
            request.directory = found->second.folder;
        if (!found->second.filter.isEmpty())
            request.selectedFilter = found->second.filter;
    }
    // The proposed name carries the extension of the filter the dialog opens with.
    QString name = proposedName;
    const QString proposedExtension =
        filterExtension(look.filters.section(QStringLiteral(";;"), 0, 0));
    const QString extension = filterExtension(request.selectedFilter);
    if (!proposedExtension.isEmpty() && !extension.isEmpty() && name.endsWith(proposedExtension))
        name = name.left(name.size() - proposedExtension.size()) + extension;
    request.fileName = look.fullPath ? request.directory + QLatin1Char('/') + name : name;
    return request;
}

void SaveDialogMemory::remember(SavedOutput output, const QString& path) {
    const QFileInfo file(path);
    Remembered& memory = remembered_[output];
    memory.folder = file.absolutePath();
    const QString filter = filterOfFile(dialogLook(output).filters, file.fileName());
    if (!filter.isEmpty())
        memory.filter = filter;
}
