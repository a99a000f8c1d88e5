#include "AnalysisError.h"
#include "ExamineeTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <memory>

// libxlsxwriter writes its workbooks to files only (this version has no memory buffer): the
// workbook is made in a private temporary directory and its bytes are handed back, so that the
// program's one verified write puts them in place.
namespace ezr {

namespace {

constexpr double MinimumWidth = 6.0;
constexpr double MaximumWidth = 60.0;

[[noreturn]] void fail(const QString& reason) {
    throw AnalysisError(QStringLiteral("Не удалось создать книгу Excel: %1").arg(reason));
}

// The width a cell needs, in characters, as a spreadsheet shows it.
double cellWidth(const QVariant& cell) {
    if (!cell.isValid())
        return 0.0;
    if (cell.typeId() == QMetaType::Double)
        return QString::number(cell.toDouble(), 'g', 8).size();
    return cell.toString().size() * 1.1;
}

void writeSheet(lxw_workbook* workbook, lxw_format* bold, const SheetTable& table) {
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, table.name.toUtf8().constData());
    if (!sheet)
        fail(QStringLiteral("лист \"%1\"").arg(table.name));
    QList<double> widths;
    for (int r = 0; r < table.rows.size(); ++r) {
        const TableRow& row = table.rows[r];
        lxw_format* format = table.boldRows.contains(r) ? bold : nullptr;
        if (widths.size() < row.size())
            widths.resize(row.size(), 0.0);
        for (int c = 0; c < row.size(); ++c) {
            const QVariant& cell = row[c];
            widths[c] = std::max(widths[c], cellWidth(cell));
            lxw_error error = LXW_NO_ERROR;
            if (!cell.isValid())
                continue;
            if (cell.typeId() == QMetaType::Double)
                error = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), cell.toDouble(),
                                               format);
            else
                error = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                               cell.toString().toUtf8().constData(), format);
            if (error != LXW_NO_ERROR)
                fail(QString::fromUtf8(lxw_strerror(error)));
        }
    }
    for (int c = 0; c < widths.size(); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                             std::clamp(widths[c] + 2.0, MinimumWidth, MaximumWidth), nullptr);
    if (table.frozenHeading)
        worksheet_freeze_panes(sheet, 1, 0);
}

} // namespace

QByteArray buildXlsx(const QList<SheetTable>& sheets) {
    const QTemporaryDir dir;
    if (!dir.isValid())
        fail(dir.errorString());
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    if (!workbook)
        fail(path);
    try {
        lxw_format* bold = workbook_add_format(workbook);
        format_set_bold(bold);
        for (const SheetTable& table : sheets)
            writeSheet(workbook, bold, table);
    } catch (...) {
        workbook_close(workbook);
        throw;
    }
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR)
        fail(QString::fromUtf8(lxw_strerror(error)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    return file.readAll();
}

} // namespace ezr
