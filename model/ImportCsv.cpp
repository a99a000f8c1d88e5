#include "ImportCsv.h"

#include "AnalysisError.h"
#include "ResponseFile.h"

#include <QStringDecoder>

#include <optional>

namespace ezr {

namespace {

constexpr qint64 BlockSize = qint64{64} * 1024;

enum class Encoding { Utf8, Windows1251, Utf16LE, Utf16BE };

// UTF-16 without a byte order mark: zero bytes on one side of the pairs (the blanks, digits and
// separators of the heading), none on the other.
std::optional<Encoding> utf16ByZeros(const QByteArray& start) {
    int zeros[2] = {0, 0};
    for (qsizetype i = 0; i + 1 < start.size(); i += 2) {
        zeros[0] += start[i] == 0 ? 1 : 0;
        zeros[1] += start[i + 1] == 0 ? 1 : 0;
    }
    const qsizetype pairs = start.size() / 2;
    if (pairs < 2)
        return std::nullopt;
    if (qsizetype{zeros[1]} * 8 >= pairs && zeros[0] == 0)
        return Encoding::Utf16LE;
    if (qsizetype{zeros[0]} * 8 >= pairs && zeros[1] == 0)
        return Encoding::Utf16BE;
    return std::nullopt;
}

// UTF-16 by its byte order mark or its zero bytes; UTF-8 when the whole file decodes cleanly:
// Windows-1251 Cyrillic is almost never valid UTF-8.
Encoding encodingOf(QIODevice& device, int& bomSize) {
    const QByteArray start = device.peek(256);
    bomSize = 0;
    if (start.startsWith("\xFF\xFE")) {
        bomSize = 2;
        return Encoding::Utf16LE;
    }
    if (start.startsWith("\xFE\xFF")) {
        bomSize = 2;
        return Encoding::Utf16BE;
    }
    if (start.startsWith("\xEF\xBB\xBF")) {
        bomSize = 3;
        return Encoding::Utf8;
    }
    if (const std::optional<Encoding> utf16 = utf16ByZeros(start))
        return *utf16;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QByteArray block(BlockSize, Qt::Uninitialized);
    bool clean = true;
    for (;;) {
        const qint64 got = device.read(block.data(), BlockSize);
        if (got < 0)
            throw AnalysisError(
                QStringLiteral("Таблица не читается: %1").arg(device.errorString()));
        if (got == 0)
            break;
        // decode() is lazy: only converting its result decodes.
        const QString decoded = utf8.decode(QByteArrayView(block.constData(), got));
        if (utf8.hasError()) {
            clean = false;
            break;
        }
    }
    if (!device.seek(0))
        throw AnalysisError(QStringLiteral("Таблица не читается: %1").arg(device.errorString()));
    return clean ? Encoding::Utf8 : Encoding::Windows1251;
}

class CsvRecords final : public TableRecords {
public:
    explicit CsvRecords(std::unique_ptr<QIODevice> device) : device_(std::move(device)) {
        int bomSize = 0;
        encoding_ = encodingOf(*device_, bomSize);
        device_->read(bomSize);
        if (encoding_ == Encoding::Utf16LE)
            decoder_ = QStringDecoder(QStringDecoder::Utf16LE);
        else if (encoding_ == Encoding::Utf16BE)
            decoder_ = QStringDecoder(QStringDecoder::Utf16BE);
        else
            decoder_ = QStringDecoder(QStringDecoder::Utf8);
        fill();
        separator_ = separatorOf();
    }

    bool next(QStringList& cells, int& row) override;

private:
    // Decodes the next block onto the text not yet split; false at the end of the file.
    bool fill();
    QChar separatorOf() const;
    void endCell(QStringList& cells);

    std::unique_ptr<QIODevice> device_;
    Encoding encoding_ = Encoding::Utf8;
    QStringDecoder decoder_;
    QString text_;
    qsizetype at_ = 0;
    int record_ = 0;
    QChar separator_;
    QString cell_;
};

bool CsvRecords::fill() {
    QByteArray block(BlockSize, Qt::Uninitialized);
    const qint64 got = device_->read(block.data(), BlockSize);
    if (got < 0)
        throw AnalysisError(QStringLiteral("Таблица не читается: %1").arg(device_->errorString()));
    if (got == 0)
        return false;
    block.truncate(got);
    text_.remove(0, at_);
    at_ = 0;
    if (encoding_ == Encoding::Windows1251)
        text_ += decodeWindows1251(block);
    else
        text_ += decoder_.decode(block);
    return true;
}

// The separator the heading uses most, outside quotes; ";" when tied.
QChar CsvRecords::separatorOf() const {
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    for (qsizetype i = at_; i < text_.size(); ++i) {
        const QChar c = text_[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        semicolons += c == QLatin1Char(';') ? 1 : 0;
        commas += c == QLatin1Char(',') ? 1 : 0;
        tabs += c == QLatin1Char('\t') ? 1 : 0;
    }
    if (tabs > semicolons && tabs > commas)
        return QLatin1Char('\t');
    return semicolons >= commas ? QLatin1Char(';') : QLatin1Char(',');
}

void CsvRecords::endCell(QStringList& cells) {
    if (cells.size() < MaxTableColumns)
        cells.append(cell_);
    cell_.clear();
}

// Quotes around a cell, "" for a quote inside, line breaks inside quotes kept.
bool CsvRecords::next(QStringList& cells, int& row) {
    cells.clear();
    cell_.clear();
    bool quoted = false;
    bool any = false;
    for (;;) {
        if (at_ >= text_.size() && !fill())
            break;
        const QChar c = text_[at_++];
        any = true;
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (at_ >= text_.size())
                    fill();
                if (at_ < text_.size() && text_[at_] == QLatin1Char('"')) {
                    ++at_;
                } else {
                    quoted = false;
                    continue;
                }
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            continue;
        } else if (c == separator_) {
            endCell(cells);
            continue;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r')) {
                if (at_ >= text_.size())
                    fill();
                if (at_ < text_.size() && text_[at_] == QLatin1Char('\n'))
                    ++at_;
            }
            endCell(cells);
            row = ++record_;
            return true;
        }
        // A cell cut short keeps one character more than the limit, so that its field is
        // refused as too long instead of written shortened.
        if (cell_.size() <= MaxTableCellLength)
            cell_ += c;
    }
    if (!any)
        return false;
    endCell(cells);
    row = ++record_;
    return true;
}

} // namespace

std::unique_ptr<TableRecords> csvRecords(std::unique_ptr<QIODevice> device) {
    return std::make_unique<CsvRecords>(std::move(device));
}

} // namespace ezr
