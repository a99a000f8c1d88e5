#include "ImportFile.h"

#include "AnalysisError.h"
#include "ImportCsv.h"
#include "ImportWorkbook.h"

#include <QFile>
#include <QFileInfo>

namespace ezr {

namespace {

// The table's file opened for reading, its size checked against the limit.
std::unique_ptr<QFile> openTableFile(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw AnalysisError(QStringLiteral("Таблица %1 не открывается: %2")
                                .arg(pathInMessage(path), file->errorString()));
    if (QFileInfo(path).isDir() || file->isSequential())
        throw AnalysisError(QStringLiteral("%1 — не файл таблицы").arg(pathInMessage(path)));
    if (file->size() > MaxImportTableSize)
        throwFileTooLarge(path, MaxImportTableSize);
    return file;
}

// The records of a workbook together with the archive they read from.
class ArchiveRecords final : public TableRecords {
public:
    ArchiveRecords(std::shared_ptr<const ZipArchive> archive, WorkbookKind kind,
                   const QString& path)
        : archive_(std::move(archive)), records_(workbookRecords(*archive_, kind, path)) {}
    bool next(QStringList& cells, int& row) override { return records_->next(cells, row); }

private:
    std::shared_ptr<const ZipArchive> archive_;
    std::unique_ptr<TableRecords> records_;
};

ImportTable openWorkbook(const QString& path) {
    std::shared_ptr<const ZipArchive> archive;
    try {
        archive = std::make_shared<const ZipArchive>(ZipArchive::openFile(path));
    } catch (const AnalysisError& error) {
        throw AnalysisError(QStringLiteral("Таблица %1 не читается как книга .xlsx или .ods (%2)")
                                .arg(pathInMessage(path), error.message()));
    }
    WorkbookKind kind = WorkbookKind::Xlsx;
    if (archive->contains(QStringLiteral("xl/workbook.xml")))
        kind = WorkbookKind::Xlsx;
    else if (archive->contains(QStringLiteral("content.xml")))
        kind = WorkbookKind::Ods;
    else
        throw AnalysisError(
            QStringLiteral("%1 — архив, но не таблица .xlsx или .ods").arg(pathInMessage(path)));
    return ImportTable([archive, kind, path]() -> std::unique_ptr<TableRecords> {
        return std::make_unique<ArchiveRecords>(archive, kind, path);
    });
}

} // namespace

ImportTable openImportTable(const QString& path) {
    const QByteArray start = openTableFile(path)->peek(8);
    if (start.startsWith("PK\x03\x04"))
        return openWorkbook(path);
    if (start.startsWith("\xD0\xCF\x11\xE0"))
        throw AnalysisError(QStringLiteral("%1 — книга старого формата .xls: сохраните её как "
                                           ".xlsx, .ods или CSV")
                                .arg(pathInMessage(path)));
    return ImportTable([path] { return csvRecords(openTableFile(path)); });
}

} // namespace ezr
