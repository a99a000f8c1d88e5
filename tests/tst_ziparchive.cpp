#include "AnalysisError.h"
#include "ZipArchive.h"

#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

using namespace ezr;

namespace {

// An archive made by libzip's writer, entries deflated: what a spreadsheet program writes.
QByteArray makeArchive(const QList<std::pair<QByteArray, QByteArray>>& entries,
                       const QString& path) {
    int code = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        qFatal("cannot make a test archive");
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.constData(), bytes.size(), 0);
        zip_file_add(archive, name.constData(), source, ZIP_FL_OVERWRITE);
    }
    if (zip_close(archive) != 0)
        qFatal("cannot write a test archive");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read a test archive");
    return file.readAll();
}

} // namespace

class TestZipArchive : public QObject {
    Q_OBJECT

private slots:
    void readsEntriesFromFileAndBytes();
    void refusesWhatItCannotRead_data();
    void refusesWhatItCannotRead();
};

void TestZipArchive::readsEntriesFromFileAndBytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.zip"));
    const QByteArray text = QByteArray("<sheet>ячейка</sheet>").repeated(1000);
    const QByteArray bytes =
        makeArchive({{"mimetype", "application/zip"}, {"xl/sheet1.xml", text}}, path);

    for (const ZipArchive& archive : {ZipArchive::openFile(path), ZipArchive::openBytes(bytes)}) {
        QCOMPARE(archive.entryNames(),
                 QStringList({QStringLiteral("mimetype"), QStringLiteral("xl/sheet1.xml")}));
        QVERIFY(archive.contains(QStringLiteral("xl/sheet1.xml")));
        QVERIFY(!archive.contains(QStringLiteral("xl/sheet2.xml")));
        QCOMPARE(archive.read(QStringLiteral("xl/sheet1.xml"), text.size()), text);
        QCOMPARE(archive.read(QStringLiteral("mimetype"), 100), QByteArray("application/zip"));
        // Unpacked as it is read, in small pieces.
        const std::unique_ptr<QIODevice> entry =
            archive.openEntry(QStringLiteral("xl/sheet1.xml"), text.size());
        QByteArray pieces;
        char piece[1000];
        for (qint64 got; (got = entry->read(piece, sizeof piece)) > 0;)
            pieces.append(piece, got);
        QCOMPARE(pieces, text);
        QVERIFY(entry->atEnd());
    }
}

void TestZipArchive::refusesWhatItCannotRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("reason");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.zip"));
    // A megabyte of zeros deflates to about a kilobyte: the limit holds for what unpacks.
    const QByteArray bomb = makeArchive({{"a.xml", QByteArray(1 << 20, '\0')}}, path);
    QTest::newRow("larger than the limit") << bomb << "a.xml" << qint64(1 << 19) << "larger than";
    QTest::newRow("no such entry") << bomb << "b.xml" << qint64(1 << 21) << "no such entry";
    QTest::newRow("not an archive")
        << QByteArray("Код;Ф.И.О.\n") << "a.xml" << qint64(100) << "Cannot read archive";
    QByteArray damaged = makeArchive({{"a.xml", QByteArray("<a>").repeated(5000)}}, path);
    // The deflated data starts after the local header (30 bytes and the name): spoil it.
    for (int i = 40; i < 60; ++i)
        damaged[i] = char(damaged[i] ^ 0x5A);
    QTest::newRow("damaged data") << damaged << "a.xml" << qint64(1 << 20) << "Cannot read archive";
}

void TestZipArchive::refusesWhatItCannotRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, entry);
    QFETCH(qint64, limit);
    QFETCH(QString, reason);
    try {
        const ZipArchive archive = ZipArchive::openBytes(bytes, QStringLiteral("t.xlsx"));
        archive.read(entry, limit);
        QFAIL("read without an error");
    } catch (const AnalysisError& error) {
        QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestZipArchive)
#include "tst_ziparchive.moc"
