#include "CNumericLocale.h"
#include "ExamineeTable.h"
#include "OutputError.h"
#include "VerifiedWrite.h"
#include "WorkbookCheck.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>

#include <dlfcn.h>
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
        // Each row goes to the sheet's temporary file when the next one starts: the cells of
        // a large table never lie in memory.
        options.constant_memory = LXW_TRUE;
        options.tmpdir = const_cast<char*>(folder.constData());
        const QuietStandardError quiet;
        errno = 0;
        book_ = workbook_new_opt(path.constData(), &options);
        if (!book_)
            fail(LXW_ERROR_CREATING_XLSX_FILE);
    }
    ~Workbook() {
        if (!book_)
            return;
        const CNumericLocale point;
        const QuietStandardError quiet;
        workbook_close(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* get() const { return book_; }
    // Returns what a write the library did not check left in errno.
    int close() {
        const QuietStandardError quiet;
        errno = 0;
        const lxw_error error = workbook_close(std::exchange(book_, nullptr));
        const int unchecked = errno;
        check(error);
        return unchecked;
    }

private:
    lxw_workbook* book_ = nullptr;
};

// The text as XML may carry it: a lone surrogate or a noncharacter U+FFFE/U+FFFF (XML 1.0 allows
// neither, and the library writes them as they are) becomes U+FFFD, as a decoder shows a
// damaged character. Control characters the library escapes itself.
QByteArray xmlText(QStringView text) {
    const auto unsafe = [](char16_t c) {
        return QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF;
    };
    if (std::none_of(text.utf16(), text.utf16() + text.size(), unsafe))
        return text.toUtf8();
    QString safe = text.toString();
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

// A cell holds at most 32,767 characters: a longer text (a damaged file's name of many
// kilobytes) is cut there and ends with "…", so that the workbook is still made.
QStringView withinCellLimit(QStringView text) {
    constexpr qsizetype Limit = 32767;
    if (text.size() <= Limit)
        return text;
    thread_local QString cut;
    qsizetype keep = Limit - 1;
    if (text[keep - 1].isHighSurrogate())
        --keep;
    cut = text.left(keep).toString() + QChar(0x2026);
    return cut;
}

// The width of a number as a spreadsheet shows it, in characters.
double numberWidth(double value, int decimals) {
    char digits[64];
    const auto end = decimals >= 0 ? std::to_chars(digits, digits + sizeof digits, value,
                                                   std::chars_format::fixed, decimals)
                                   : std::to_chars(digits, digits + sizeof digits, value,
                                                   std::chars_format::general, 8);
    return end.ec == std::errc() ? double(end.ptr - digits) : 12.0;
}

} // namespace

struct WorkbookWriter::Book {
    QTemporaryDir dir;
    QString path;
    std::optional<Workbook> book;
    lxw_format* bold = nullptr;
    lxw_format* dateFormat = nullptr;
    std::array<lxw_format*, 4> decimals{}; // 0.0, 0.00 and 0.000 by decimals
    int sheets = 0;
    lxw_worksheet* sheet = nullptr;
    lxw_row_t row = 0;
    lxw_col_t column = 0;
    QList<double> widths;
    bool frozen = false;

    lxw_format* newFormat() {
        lxw_format* format = workbook_add_format(book->get());
        if (!format)
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return format;
    }
    void widen(double width) {
        if (widths.size() <= qsizetype(column))
            widths.resize(column + 1, 0.0);
        widths[column] = std::max(widths[column], width);
    }
    void endSheet() {
        if (!sheet)
            return;
        for (int c = 0; c < widths.size(); ++c)
            check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                                       std::clamp(widths[c] + 2.0, MinimumWidth, MaximumWidth),
                                       nullptr));
        if (frozen)
            worksheet_freeze_panes(sheet, 1, 0);
        sheet = nullptr;
    }
};

WorkbookWriter::WorkbookWriter() : book_(std::make_unique<Book>()) {
    const CNumericLocale point;
    Book& b = *book_;
    if (!b.dir.isValid())
        throw OutputError(OutputError::Kind::Workbook, QString(), errno != 0 ? errno : EIO);
    b.path = b.dir.filePath(QStringLiteral("book.xlsx"));
    b.book.emplace(QFile::encodeName(b.path), QFile::encodeName(b.dir.path()));
    b.bold = b.newFormat();
    format_set_bold(b.bold);
    b.dateFormat = b.newFormat();
    format_set_num_format(b.dateFormat, "dd.mm.yyyy");
    for (int d = 1; d <= 3; ++d) {
        b.decimals[std::size_t(d)] = b.newFormat();
        format_set_num_format(b.decimals[std::size_t(d)], ("0." + QByteArray(d, '0')).constData());
    }
}

WorkbookWriter::~WorkbookWriter() {
    const CNumericLocale point; // a workbook left unfinished is closed by the library too
    book_.reset();
}

void WorkbookWriter::startSheet(const QString& name, int columns, bool frozenHeading) {
    const CNumericLocale point;
    Book& b = *book_;
    b.endSheet();
    b.sheet = workbook_add_worksheet(b.book->get(), xmlText(name).constData());
    if (!b.sheet)
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    ++b.sheets;
    b.row = 0;
    b.column = 0;
    b.widths = QList<double>(columns, 0.0);
    b.frozen = frozenHeading;
}

void WorkbookWriter::text(QStringView text, bool bold) {
    const CNumericLocale point;
    Book& b = *book_;
    if (!text.isEmpty()) {
        b.widen(double(text.size()) * 1.1);
        // Text is always a string cell, so a name such as "=HYPERLINK(…)" stays text.
        check(worksheet_write_string(b.sheet, b.row, b.column,
                                     xmlText(withinCellLimit(text)).constData(),
                                     bold ? b.bold : nullptr));
    }
    ++b.column;
}

void WorkbookWriter::number(double value, int decimals, bool bold) {
    const CNumericLocale point;
    Book& b = *book_;
    value = tableValue(value);
    b.widen(numberWidth(value, decimals > 0 ? decimals : -1));
    lxw_format* format = bold                            ? b.bold
                         : decimals > 0 && decimals <= 3 ? b.decimals[std::size_t(decimals)]
                                                         : nullptr;
    check(worksheet_write_number(b.sheet, b.row, b.column, value, format));
    ++b.column;
}

void WorkbookWriter::date(double serial, int widthHint) {
    const CNumericLocale point;
    Book& b = *book_;
    b.widen(std::max(10, widthHint));
    check(worksheet_write_number(b.sheet, b.row, b.column, serial, b.dateFormat));
    ++b.column;
}

void WorkbookWriter::empty() {
    ++book_->column;
}

void WorkbookWriter::endRow() {
    ++book_->row;
    book_->column = 0;
}

void WorkbookWriter::writeSheet(const SheetTable& table) {
    int columns = 0;
    for (const TableRow& row : table.rows)
        columns = std::max(columns, int(row.size()));
    startSheet(table.name, columns, table.frozenHeading);
    for (int r = 0; r < table.rows.size(); ++r) {
        const bool bold = table.boldRows.contains(r);
        const TableRow& row = table.rows[r];
        for (int c = 0; c < row.size(); ++c) {
            const QVariant& cell = row[c];
            if (!cell.isValid())
                empty();
            else if (cell.typeId() == QMetaType::Double)
                number(cell.toDouble(), table.decimalsShown(r, c), bold);
            else
                text(cell.toString(), bold);
        }
        endRow();
    }
}

void WorkbookWriter::finish(ByteSink& sink) {
    const CNumericLocale point;
    Book& b = *book_;
    b.endSheet();
    const int unchecked = b.book->close();
    b.book.reset();

    QFile file(b.path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw OutputError(OutputError::Kind::Workbook, QString(), errno != 0 ? errno : EIO);
    // Mapped rather than read: a large workbook is checked and handed on without a copy.
    const qint64 size = file.size();
    const uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !mapped)
        throw OutputError(OutputError::Kind::Workbook, QString(), EIO);
    const QByteArrayView bytes(reinterpret_cast<const char*>(mapped), size);

    QStringList required{QStringLiteral("[Content_Types].xml"), QStringLiteral("_rels/.rels"),
                         QStringLiteral("xl/workbook.xml"), QStringLiteral("xl/styles.xml")};
    for (int n = 1; n <= b.sheets; ++n)
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
        if (damage->number) {
            const QString number = quotedInMessage(*damage->number);
            throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                              QStringLiteral("Its part %1 writes the number %2 out of the "
                                             "format's syntax")
                                  .arg(part, number),
                              QStringLiteral("её часть %1 записывает число %2 не по правилам "
                                             "формата")
                                  .arg(part, number));
        }
        if (damage->missing)
            throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                              QStringLiteral("Its part %1 is missing").arg(part),
                              QStringLiteral("нет её части %1").arg(part));
        throw OutputError(OutputError::Kind::Workbook, QString(), 0,
                          QStringLiteral("Its part %1 is damaged").arg(part),
                          QStringLiteral("повреждена её часть %1").arg(part));
    }
    sink.write(bytes);
}

QByteArray buildXlsx(const QList<SheetTable>& sheets) {
    WorkbookWriter book;
    for (const SheetTable& table : sheets)
        book.writeSheet(table);
    ByteArraySink sink;
    book.finish(sink);
    return std::move(sink.bytes());
}

} // namespace ezr

// The compression level of the workbook's parts.
//
// libxlsxwriter packs a workbook through minizip at zlib's default level (6) and has no
// setting for it. A table of a hundred thousand examinees is some 300 MB of repetitive XML:
// at level 6 its deflate alone takes four times as long as the whole text report of the same
// group, at level 1 a third of that, for a file about a third larger. The program's own
// definition of minizip's entry point below takes the library's calls (the dynamic linker
// resolves them to the program first, as the library is linked against it) and hands them on
// to minizip with level 1; nothing else in the program packs through minizip. It lives in this
// file so that it is linked wherever the workbook is.

extern "C" {

// minizip's zipOpenNewFileInZip4_64 (minizip/zip.h), its structures passed through as
// pointers.
using OpenInZip = int (*)(void* file, const char* filename, const void* fileInfo,
                          const void* extraLocal, unsigned sizeLocal, const void* extraGlobal,
                          unsigned sizeGlobal, const char* comment, int method, int level, int raw,
                          int windowBits, int memLevel, int strategy, const char* password,
                          unsigned long crcForCrypting, unsigned long versionMadeBy,
                          unsigned long flagBase, int zip64);

int zipOpenNewFileInZip4_64(void* file, const char* filename, const void* fileInfo,
                            const void* extraLocal, unsigned sizeLocal, const void* extraGlobal,
                            unsigned sizeGlobal, const char* comment, int method, int level,
                            int raw, int windowBits, int memLevel, int strategy,
                            const char* password, unsigned long crcForCrypting,
                            unsigned long versionMadeBy, unsigned long flagBase, int zip64) {
    static const auto minizip =
        reinterpret_cast<OpenInZip>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    constexpr int ZipInternalError = -104; // minizip's ZIP_INTERNALERROR
    if (!minizip)
        return ZipInternalError;
    if (level == Z_DEFAULT_COMPRESSION)
        level = Z_BEST_SPEED;
    return minizip(file, filename, fileInfo, extraLocal, sizeLocal, extraGlobal, sizeGlobal,
                   comment, method, level, raw, windowBits, memLevel, strategy, password,
                   crcForCrypting, versionMadeBy, flagBase, zip64);
}

} // extern "C"
