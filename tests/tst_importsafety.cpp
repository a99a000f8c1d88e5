// An import into the data folder as a kill, a power cut or a planted link would meet it:
// --all-or-nothing leaves all files or none after failures the program sees and after a kill
// (the next import ends the interrupted one), leftovers of interrupted writes are never group
// members, and a link where a response file would go is refused.

#include "Analysis.h"
#include "AnalysisError.h"
#include "FolderEntries.h"
#include "ImportCommand.h"
#include "ImportTable.h"
#include "ResponseFile.h"
#include "ResultSheet.h"
#include "SampleMaker.h"
#include "TestFiles.h"
#include "VerifiedWrite.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ezr;

namespace {

constexpr int Rows = 60;
constexpr int Existing = 10; // rows 1..10 replace files already in the folder

QString tableOf(int first, int count) {
    QStringList lines = {importHeading(true)};
    for (int i = first; i < first + count; ++i) {
        AnswerSheet sheet = answerSheetOf(generatedExaminee(555u, i));
        // Generated tests reach the end of 2026; the import takes no test date after tomorrow.
        sheet.testDate = QStringLiteral("15.06.2025");
        lines << importLine(sheet, true);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString codeFile(int index) {
    return responseFileName(generatedExaminee(555u, index));
}

struct Outcome {
    int exitCode;
    QString errors;
};

Outcome runImport(const QStringList& arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int code =
        runImportCommand(QStringList{QStringLiteral("ezr-import")} + arguments, out, err);
    return {code, QString::fromLocal8Bit(err.data())};
}

QStringList entriesOf(const QString& folder) {
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                 QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
}

// The folder before the import: the first `Existing` codes hold an old file each.
void plantOldFiles(const QString& data) {
    QVERIFY(QDir().mkpath(data));
    for (int i = 0; i < Existing; ++i)
        QVERIFY(writeFile(data + QLatin1Char('/') + codeFile(i), "old " + QByteArray::number(i)));
}

// True when the folder holds every old file untouched and nothing of the import.
bool holdsNothingNew(const QString& data) {
    QStringList expected;
    for (int i = 0; i < Existing; ++i) {
        expected << codeFile(i);
        if (readFile(data + QLatin1Char('/') + codeFile(i)) != "old " + QByteArray::number(i))
            return false;
    }
    expected.sort();
    return entriesOf(data) == expected;
}

// True when the folder holds the whole import: every row's file, each reading as its row.
bool holdsEverything(const QString& data) {
    QStringList expected;
    for (int i = 0; i < Rows; ++i)
        expected << codeFile(i);
    expected.sort();
    if (entriesOf(data) != expected)
        return false;
    for (int i = 0; i < Rows; ++i) {
        try {
            if (readResponseFile(data + QLatin1Char('/') + codeFile(i)).header.code !=
                generatedExaminee(555u, i).code)
                return false;
        } catch (const AnalysisError&) {
            return false;
        }
    }
    return true;
}

// Failing system calls: the n-th call of the chosen kind fails with `error`.
int failAt = 0;
int failError = 0;
int callCount = 0;
bool failsNow() {
    return ++callCount == failAt;
}
int syncFailing(int fd) {
    if (failsNow()) {
        errno = failError;
        return -1;
    }
    return ::syncfs(fd);
}
int renameFailing(const char* from, const char* to) {
    if (failsNow()) {
        errno = failError;
        return -1;
    }
    return ::rename(from, to);
}

} // namespace

class TestImportSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    // A sync that fails (an I/O error, a full disk) or a rename that fails at any file of the
    // table: the folder is as it was, the old files byte for byte, no temporary file left.
    void allOrNothingAfterFailures_data() {
        QTest::addColumn<bool>("atRename");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("error");
        QTest::newRow("sync, I/O error") << false << 1 << EIO;
        QTest::newRow("sync, full disk") << false << 1 << ENOSPC;
        QTest::newRow("first rename") << true << 1 << EIO;
        QTest::newRow("a rename past the old files") << true << 40 << ENOSPC;
        QTest::newRow("last rename") << true << Rows << EIO;
    }
    void allOrNothingAfterFailures() {
        QFETCH(bool, atRename);
        QFETCH(int, at);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        plantOldFiles(data);
        const QString table = dir.filePath(QStringLiteral("table.csv"));
        QVERIFY(writeFile(table, tableOf(0, Rows).toUtf8()));
        WriteCalls calls{::fdatasync, ::close, ::fsync, ::rename, ::syncfs};
        if (atRename)
            calls.renameFile = renameFailing;
        else
            calls.syncFileSystem = syncFailing;
        failAt = at;
        failError = error;
        callCount = 0;
        Outcome outcome;
        {
            const ScopedWriteCalls failing(calls);
            outcome = runImport({table, QStringLiteral("--data"), data, QStringLiteral("--replace"),
                                 QStringLiteral("--all-or-nothing")});
        }
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(qt_error_string(error)), qPrintable(outcome.errors));
        QVERIFY2(holdsNothingNew(data), qPrintable(entriesOf(data).join(u' ')));

        // Without failures the same import writes everything.
        QCOMPARE(runImport({table, QStringLiteral("--data"), data, QStringLiteral("--replace"),
                            QStringLiteral("--all-or-nothing")})
                     .exitCode,
                 0);
        QVERIFY(holdsEverything(data));
    }

    // ezr-import killed at random moments: the next import into the folder first ends the
    // interrupted one, and the folder then holds the whole import or nothing of it.
    void killedImportEndsAllOrNothing() {
        const QString program = QStringLiteral(EZR_IMPORT_EXE);
        constexpr int Trials = 24;
        // Kills spread over the length of one whole run on this machine, and a little past.
        qint64 runMicroseconds = 0;
        {
            QTemporaryDir dir;
            const QString data = dir.filePath(QStringLiteral("data"));
            plantOldFiles(data);
            const QString table = dir.filePath(QStringLiteral("table.csv"));
            QVERIFY(writeFile(table, tableOf(0, Rows).toUtf8()));
            QElapsedTimer clock;
            clock.start();
            QProcess whole;
            whole.start(program, {table, QStringLiteral("--data"), data,
                                  QStringLiteral("--replace"), QStringLiteral("--all-or-nothing")});
            QVERIFY(whole.waitForFinished());
            QCOMPARE(whole.exitCode(), 0);
            runMicroseconds = clock.nsecsElapsed() / 1000;
            QVERIFY(holdsEverything(data));
        }
        int whole = 0;
        int none = 0;
        int said = 0;
        for (int trial = 0; trial < Trials; ++trial) {
            QTemporaryDir dir;
            const QString data = dir.filePath(QStringLiteral("data"));
            plantOldFiles(data);
            const QString table = dir.filePath(QStringLiteral("table.csv"));
            QVERIFY(writeFile(table, tableOf(0, Rows).toUtf8()));
            QProcess import;
            import.start(program,
                         {table, QStringLiteral("--data"), data, QStringLiteral("--replace"),
                          QStringLiteral("--all-or-nothing")});
            QVERIFY(import.waitForStarted());
            QThread::usleep(QRandomGenerator::global()->bounded(quint64(runMicroseconds * 6 / 5)));
            ::kill(pid_t(import.processId()), SIGKILL);
            import.waitForFinished();

            // The next import: an empty table, so that only the recovery acts.
            const QString empty = dir.filePath(QStringLiteral("empty.csv"));
            QVERIFY(writeFile(empty, (importHeading(true) + QStringLiteral("\r\n")).toUtf8()));
            QProcess next;
            next.start(program, {empty, QStringLiteral("--data"), data});
            QVERIFY(next.waitForFinished());
            const QString told = QString::fromLocal8Bit(next.readAllStandardError());
            QCOMPARE(next.exitCode(), 0);
            said += told.contains(QStringLiteral("прерванн")) ? 1 : 0;
            const bool isWhole = holdsEverything(data);
            const bool isNone = holdsNothingNew(data);
            QVERIFY2(
                isWhole || isNone,
                qPrintable(
                    QStringLiteral("trial %1: %2").arg(trial).arg(entriesOf(data).join(u' '))));
            whole += isWhole ? 1 : 0;
            none += isNone ? 1 : 0;
        }
        qInfo("one run %lld us; %d kills: %d left the whole import, %d nothing; %d recoveries told",
              runMicroseconds, Trials, whole, none, said);
    }

    // A complete copy of a member under a temporary file's name is not a second member; it
    // is named in the information text.
    void leftoverIsNoMember() {
        QTemporaryDir dir;
        QVERIFY(writeGeneratedFiles(dir.path(), 3, 555u));
        const QString member = codeFile(0);
        const QString leftover = QLatin1Char('.') + member + QStringLiteral(".ezr-AbC123");
        QVERIFY(QFile::copy(dir.filePath(member), dir.filePath(leftover)));
        QVERIFY(isTemporaryFileName(leftover));
        QVERIFY(!isResponseFileCandidate(leftover));
        QVERIFY(isResponseFileCandidate(member));
        QVERIFY(!isResponseFileCandidate(QString(ImportJournalName)));
        const AnalysisState group =
            groupAnalysis(dir.path(), NormKind::Sex, QString(), fixedToday, {}, GroupKeeps::Roster);
        QCOMPARE(group.header.code, QStringLiteral("3"));
        QCOMPARE(group.roster.fileNames.size(), 3);
        const QStringList info = informationLines(group);
        QCOMPARE(info.count(leftover), 1);
    }

    // Under a permissive umask the data folder the import makes, and every file in it, are the
    // user's alone; an existing folder open to others is named, and left as it is.
    void privateByDefault() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("new/data"));
        const QString table = dir.filePath(QStringLiteral("table.csv"));
        QVERIFY(writeFile(table, tableOf(0, 3).toUtf8()));
        const mode_t saved = ::umask(022);
        const Outcome made = runImport({table, QStringLiteral("--data"), data});
        QCOMPARE(made.exitCode, 0);
        QVERIFY2(!made.errors.contains(QStringLiteral("Внимание")), qPrintable(made.errors));
        struct stat info {};
        for (const QString& folder : {dir.filePath(QStringLiteral("new")), data}) {
            QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, mode_t(0700));
        }
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(::stat(QFile::encodeName(data + u'/' + codeFile(i)).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, mode_t(0600));
        }
        const QString open = dir.filePath(QStringLiteral("open"));
        QVERIFY(QDir().mkpath(open));
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0755) == 0);
        const Outcome warned = runImport({table, QStringLiteral("--data"), open});
        ::umask(saved);
        QCOMPARE(warned.exitCode, 0);
        QCOMPARE(warned.errors.count(QStringLiteral("могут читать другие пользователи")), 1);
        QCOMPARE(::stat(QFile::encodeName(open).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0755));
    }

    // A link where a response file would go, dangling or not, is refused and named even with
    // --replace; nothing is written where it leads.
    void plantedLinkRefused() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        const QString outside = dir.filePath(QStringLiteral("outside"));
        QVERIFY(QFile::link(outside, data + QLatin1Char('/') + codeFile(1)));
        const QString table = dir.filePath(QStringLiteral("table.csv"));
        QVERIFY(writeFile(table, tableOf(0, 3).toUtf8()));
        const Outcome outcome =
            runImport({table, QStringLiteral("--data"), data, QStringLiteral("--replace")});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(codeFile(1)) &&
                     outcome.errors.contains(QStringLiteral("символическая ссылка")),
                 qPrintable(outcome.errors));
        QVERIFY(!QFileInfo::exists(outside));
        QVERIFY(QFileInfo(data + QLatin1Char('/') + codeFile(1)).isSymLink());
        QVERIFY(QFileInfo::exists(data + QLatin1Char('/') + codeFile(0)));
    }
};

QTEST_GUILESS_MAIN(TestImportSafety)
#include "tst_importsafety.moc"
