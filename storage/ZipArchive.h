#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <memory>

// A zip archive opened for reading through libzip: the container of .xlsx and .ods tables and
// of the workbooks the program writes. Only reading: entries are listed and read whole, each
// under a size limit the caller chooses, so that a small archive that unpacks into gigabytes
// (a "zip bomb") is refused instead of filling memory.
namespace ezr {

class ZipArchive {
public:
    // Opens the archive at `path`. Throws AnalysisError naming the path and libzip's reason
    // when the file cannot be opened or is not a zip archive.
    static ZipArchive openFile(const QString& path);
    // Opens an archive held in memory (a file already read, a workbook just written).
    // `name` names it in messages. Throws AnalysisError as above.
    static ZipArchive openBytes(QByteArray bytes, const QString& name = QString());

    ZipArchive(ZipArchive&& other) noexcept;
    ZipArchive& operator=(ZipArchive&& other) noexcept;
    ~ZipArchive();

    // The entries' names in the archive's order ("xl/worksheets/sheet1.xml", "content.xml").
    QStringList entryNames() const;
    bool contains(const QString& entry) const;
    // The uncompressed bytes of `entry`. Throws AnalysisError when there is no such entry, when
    // it is larger than `maxSize` bytes (as stored or as it unpacks: the stored size is not
    // trusted), or when it does not unpack (damaged data, a wrong checksum, encryption).
    QByteArray read(const QString& entry, qint64 maxSize) const;
    // The same entry as a sequential device that unpacks as it is read, for entries too large
    // to hold whole (a worksheet of 100,000 rows). An entry whose stated size is over the
    // limit is refused at once (AnalysisError). Reading past `maxSize` bytes, or damaged
    // data, fails the read (-1) with the reason in errorString(). The archive must outlive
    // the device. Throws AnalysisError when there is no such entry. QXmlStreamReader stops at
    // a sequential device's first pause: feed it with addData() instead.
    std::unique_ptr<QIODevice> openEntry(const QString& entry, qint64 maxSize) const;

private:
    struct State;
    explicit ZipArchive(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace ezr
