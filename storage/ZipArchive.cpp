#include "ZipArchive.h"

#include "AnalysisError.h"

#include <QFile>

#include <algorithm>

#include <zip.h>

namespace ezr {

struct ZipArchive::State {
    zip_t* archive = nullptr;
    QByteArray bytes; // the archive's bytes when it was opened from memory: libzip reads them
    QString name;     // escaped for messages
    ~State() {
        if (archive)
            zip_discard(archive); // read only: nothing to write back
    }
};

namespace {

QString libzipReason(zip_error_t* error) {
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

[[noreturn]] void throwArchiveError(const QString& name, const QString& reason) {
    throw AnalysisError(QStringLiteral("Cannot read archive %1: %2").arg(name, reason),
                        QStringLiteral("Cannot read archive: %1").arg(reason));
}

[[noreturn]] void throwOpenError(const QString& name, int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString reason = libzipReason(&error);
    zip_error_fini(&error);
    throwArchiveError(name, reason);
}

// An entry unpacked as it is read, under a limit for what it unpacks to.
class ZipEntryDevice final : public QIODevice {
public:
    ZipEntryDevice(zip_file_t* file, qint64 maxSize) : file_(file), left_(maxSize) {
        open(QIODevice::ReadOnly);
    }
    ~ZipEntryDevice() override {
        if (file_)
            zip_fclose(file_);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (!file_)
            return failed_ ? -1 : 0; // past the end: nothing more, unless it failed
        // One byte beyond the limit is asked for, to tell an entry of exactly the limit from
        // a larger one.
        const zip_int64_t got = zip_fread(file_, data, zip_uint64_t(std::min(maxSize, left_ + 1)));
        if (got < 0) {
            fail(libzipReason(zip_file_get_error(file_)));
            return -1;
        }
        if (got > left_) {
            fail(QStringLiteral("entry unpacks to more than the limit"));
            return -1;
        }
        left_ -= got;
        if (got == 0) {
            // The checksum is checked when the entry is closed, after its last byte.
            const int closed = zip_fclose(file_);
            file_ = nullptr;
            if (closed != 0) {
                zip_error_t error;
                zip_error_init_with_code(&error, closed);
                setErrorString(libzipReason(&error));
                zip_error_fini(&error);
                failed_ = true;
                return -1;
            }
        }
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void fail(const QString& reason) {
        setErrorString(reason);
        zip_fclose(file_);
        file_ = nullptr;
        failed_ = true;
    }
    zip_file_t* file_;
    bool failed_ = false;
    qint64 left_;
};

} // namespace

ZipArchive::ZipArchive(std::unique_ptr<State> state) : state_(std::move(state)) {}
ZipArchive::ZipArchive(ZipArchive&& other) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&& other) noexcept = default;
ZipArchive::~ZipArchive() = default;

ZipArchive ZipArchive::openFile(const QString& path) {
    auto state = std::make_unique<State>();
    state->name = pathInMessage(path);
    int code = 0;
    state->archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!state->archive)
        throwOpenError(state->name, code);
    return ZipArchive(std::move(state));
}

ZipArchive ZipArchive::openBytes(QByteArray bytes, const QString& name) {
    auto state = std::make_unique<State>();
    state->name = name.isEmpty() ? QStringLiteral("(in memory)") : pathInMessage(name);
    state->bytes = std::move(bytes);
    zip_error_t error;
    zip_error_init(&error);
    // The source does not own the bytes (freep 0): State keeps them for the archive's life.
    zip_source_t* source = zip_source_buffer_create(state->bytes.constData(),
                                                    zip_uint64_t(state->bytes.size()), 0, &error);
    if (!source) {
        const QString reason = libzipReason(&error);
        zip_error_fini(&error);
        throwArchiveError(state->name, reason);
    }
    state->archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!state->archive) {
        zip_source_free(source); // not taken over by a failed open
        const QString reason = libzipReason(&error);
        zip_error_fini(&error);
        throwArchiveError(state->name, reason);
    }
    zip_error_fini(&error);
    return ZipArchive(std::move(state));
}

QStringList ZipArchive::entryNames() const {
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(state_->archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        if (const char* name = zip_get_name(state_->archive, zip_uint64_t(index), 0))
            names.append(QString::fromUtf8(name));
    }
    return names;
}

bool ZipArchive::contains(const QString& entry) const {
    return zip_name_locate(state_->archive, entry.toUtf8().constData(), 0) >= 0;
}

std::unique_ptr<QIODevice> ZipArchive::openEntry(const QString& entry, qint64 maxSize) const {
    const QString where = QStringLiteral("%1 (%2)").arg(state_->name, quotedInMessage(entry));
    const zip_int64_t index = zip_name_locate(state_->archive, entry.toUtf8().constData(), 0);
    if (index < 0)
        throwArchiveError(where, QStringLiteral("no such entry"));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(state_->archive, zip_uint64_t(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
        throwArchiveError(where, libzipReason(zip_get_error(state_->archive)));
    if (stat.size > zip_uint64_t(maxSize))
        throwArchiveError(where, QStringLiteral("entry larger than %1 bytes").arg(maxSize));
    zip_file_t* file = zip_fopen_index(state_->archive, zip_uint64_t(index), 0);
    if (!file)
        throwArchiveError(where, libzipReason(zip_get_error(state_->archive)));
    return std::make_unique<ZipEntryDevice>(file, maxSize);
}

QByteArray ZipArchive::read(const QString& entry, qint64 maxSize) const {
    const QString where = QStringLiteral("%1 (%2)").arg(state_->name, quotedInMessage(entry));
    const zip_int64_t index = zip_name_locate(state_->archive, entry.toUtf8().constData(), 0);
    if (index < 0)
        throwArchiveError(where, QStringLiteral("no such entry"));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(state_->archive, zip_uint64_t(index), 0, &stat) == 0 &&
        (stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(maxSize))
        throwArchiveError(where, QStringLiteral("entry larger than %1 bytes").arg(maxSize));
    zip_file_t* file = zip_fopen_index(state_->archive, zip_uint64_t(index), 0);
    if (!file)
        throwArchiveError(where, libzipReason(zip_get_error(state_->archive)));
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            const QString reason = libzipReason(zip_file_get_error(file));
            zip_fclose(file);
            throwArchiveError(where, reason);
        }
        if (got == 0)
            break;
        // The stored size may lie: the limit holds for what actually unpacks.
        if (bytes.size() + got > maxSize) {
            zip_fclose(file);
            throwArchiveError(where, QStringLiteral("entry larger than %1 bytes").arg(maxSize));
        }
        bytes.append(buffer, qsizetype(got));
    }
    // A CRC mismatch is reported by zip_fclose, after the last read.
    const int closed = zip_fclose(file);
    if (closed != 0) {
        zip_error_t error;
        zip_error_init_with_code(&error, closed);
        const QString reason = libzipReason(&error);
        zip_error_fini(&error);
        throwArchiveError(where, reason);
    }
    return bytes;
}

} // namespace ezr
