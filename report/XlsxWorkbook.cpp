#include "ExamineeTable.h"
#include "OutputError.h"
#include "ZipCheck.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

// libxlsxwriter writes its workbooks to files only (this version has no memory buffer), and
// does not check every write of its temporary parts: the workbook is made in a private
// temporary folder that also holds those parts, every call is checked, and the archive is read
// back and verified before its bytes are handed to the program's one verified write.
namespace ezr {

namespace {

constexpr double MinimumWidth = 6.0;
constexpr double MaximumWidth = 60.0;

// What the library says when it fails, in both languages of the program's messages; the
// system's reason instead when a write of the library failed with one.
[[noreturn]] void fail(lxw_error error) {
    const int system = errno;
    switch (system) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
    case EIO:
    case EACCES:
    case EROFS:
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        throw OutputError(OutputError::Kind::Workbook, QString(), system);
    default:
        break;
    }
    throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                      QString::fromUtf8(lxw_strerror(error)),
                      QStringLiteral("ошибка библиотеки libxlsxwriter %1").arg(int(error)));
}

void check(lxw_error error) {
    if (error != LXW_NO_ERROR)
        fail(error);
}

// The library prints its own diagnostics ("[ERROR][./src/packager.c:…]") on standard error;
// its failure becomes the program's message instead, so they go to /dev/null meanwhile.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStandardError() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// Closes the workbook however the writing ends; close() tells how the archive came out.
class Workbook {
public:
    Workbook(const QByteArray& path, const QByteArray& folder) {
        lxw_workbook_options options{};
        options.tmpdir = const_cast<char*>(folder.constData());
        errno = 0;
        book_ = workbook_new_opt(path.constData(), &options);
        if (!book_)
            fail(LXW_ERROR_CREATING_XLSX_FILE);
    }
    ~Workbook() {
        if (book_)
            workbook_close(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* get() const { return book_; }
    void close() {
        errno = 0;
        const lxw_error error = workbook_close(std::exchange(book_, nullptr));
        check(error);
    }

private:
    lxw_workbook* book_ = nullptr;
};

// The text as XML may carry it: a lone surrogate or a noncharacter U+FFFE/U+FFFF (XML 1.0 allows
// neither, and the library writes them as they are) becomes U+FFFD, as a decoder shows a
// damaged character. Control characters the library escapes itself.
QByteArray xmlText(const QString& text) {
    QString safe = text;
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const QChar c = safe[i];
        if (c.isHighSurrogate() && i + 1 < safe.size() && safe[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            safe[i] = QChar::ReplacementCharacter;
    }
    return safe.toUtf8();
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
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    QList<double> widths;
    for (int r = 0; r < table.rows.size(); ++r) {
        const TableRow& row = table.rows[r];
        lxw_format* format = table.boldRows.contains(r) ? bold : nullptr;
        if (widths.size() < row.size())
            widths.resize(row.size(), 0.0);
        for (int c = 0; c < row.size(); ++c) {
            const QVariant& cell = row[c];
            widths[c] = std::max(widths[c], cellWidth(cell));
            if (!cell.isValid())
                continue;
            // Text is always a string cell, so a name such as "=HYPERLINK(…)" stays text.
            if (cell.typeId() == QMetaType::Double)
                check(worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), cell.toDouble(),
                                             format));
            else
                check(worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                             xmlText(cell.toString()).constData(), format));
        }
    }
    for (int c = 0; c < widths.size(); ++c)
        check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                                   std::clamp(widths[c] + 2.0, MinimumWidth, MaximumWidth),
                                   nullptr));
    if (table.frozenHeading)
        worksheet_freeze_panes(sheet, 1, 0);
}

} // namespace

QByteArray buildXlsx(const QList<SheetTable>& sheets) {
    const QTemporaryDir dir;
    if (!dir.isValid())
        throw OutputError(OutputError::Kind::Workbook, QString(), errno != 0 ? errno : EIO);
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    int unchecked = 0; // what a write the library did not check left in errno
    {
        const QuietStandardError quiet;
        Workbook book(QFile::encodeName(path), QFile::encodeName(dir.path()));
        lxw_format* bold = workbook_add_format(book.get());
        if (!bold)
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        format_set_bold(bold);
        for (const SheetTable& table : sheets)
            writeSheet(book.get(), bold, table);
        book.close();
        unchecked = errno;
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw OutputError(OutputError::Kind::Workbook, QString(), errno != 0 ? errno : EIO);
    const QByteArray bytes = file.readAll();

    QStringList required{QStringLiteral("[Content_Types].xml"), QStringLiteral("_rels/.rels"),
                         QStringLiteral("xl/workbook.xml"), QStringLiteral("xl/styles.xml")};
    for (int n = 1; n <= sheets.size(); ++n)
        required << QStringLiteral("xl/worksheets/sheet%1.xml").arg(n);
    if (const std::optional<ArchiveDamage> damage = archiveDamage(bytes, required)) {
        // A write of the library that failed unchecked leaves its reason behind.
        if (unchecked == ENOSPC || unchecked == EFBIG || unchecked == EDQUOT || unchecked == EIO)
            throw OutputError(OutputError::Kind::Workbook, QString(), unchecked);
        const QString part = quotedInMessage(damage->part);
        if (damage->part.isEmpty())
            throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                              QStringLiteral("The archive is damaged"),
                              QStringLiteral("архив повреждён"));
        if (damage->missing)
            throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                              QStringLiteral("Its part %1 is missing").arg(part),
                              QStringLiteral("нет её части %1").arg(part));
        throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                          QStringLiteral("Its part %1 is damaged").arg(part),
                          QStringLiteral("повреждена её часть %1").arg(part));
    }
    return bytes;
}

} // namespace ezr
