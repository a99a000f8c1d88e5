// How outputs reach the disk: the verified write when the device fails late, the temporary
// file of a killed run, links and link loops, the guard that keeps outputs off the analysed
// data, the proposed names, and the messages that name paths.

#include "OutputError.h"
#include "OutputGuard.h"
#include "OutputNames.h"
#include "TestFiles.h"
#include "VerifiedWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

using namespace ezr;

namespace {

int failingSync(int) {
    errno = EIO;
    return -1;
}
int syncOnFullDevice(int) {
    errno = ENOSPC;
    return -1;
}
// close() releases the descriptor even when it reports a failure.
int failingClose(int fd) {
    ::close(fd);
    errno = EIO;
    return -1;
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// A group analysis as the guard sees it: its folder and the members it listed.
AnalysisState groupState(const QString& folder, const QStringList& members) {
    AnalysisState state;
    state.kind = AnalysisKind::Group;
    state.source = folder;
    for (const QString& name : members) {
        state.members.append(ExamineeRecord{name, {}, {}, {}});
        state.roster.fileNames.append({name});
    }
    return state;
}

} // namespace

class TestOutput : public QObject {
    Q_OBJECT

private slots:
    void lateFailureKeepsOldFile_data() {
        QTest::addColumn<int>("failure"); // 0 sync, 1 sync on a full device, 2 close
        QTest::addColumn<int>("error");
        QTest::newRow("sync fails") << 0 << EIO;
        QTest::newRow("sync on a full device") << 1 << ENOSPC;
        QTest::newRow("close fails") << 2 << EIO;
    }
    void lateFailureKeepsOldFile() {
        QFETCH(int, failure);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("12 Mel.Gr.txt"));
        QVERIFY(writeFile(path, "old report"));
        WriteCalls calls{::fdatasync, ::close, ::fsync, ::rename, ::syncfs};
        if (failure == 0)
            calls.syncFile = failingSync;
        else if (failure == 1)
            calls.syncFile = syncOnFullDevice;
        else
            calls.closeFile = failingClose;
        try {
            const ScopedWriteCalls failing(calls);
            writeFileVerified(path, "new report");
            QFAIL("a write whose flush failed was taken as saved");
        } catch (const OutputError& failed) {
            QCOMPARE(failed.systemError(), error);
            QCOMPARE(failed.message(),
                     QStringLiteral("Cannot write file \"%1\". %2").arg(path, systemReason(error)));
            QCOMPARE(failed.windowText(), QStringLiteral("Не удалось записать файл «%1»: %2")
                                              .arg(path, qt_error_string(error)));
        }
        QCOMPARE(readFile(path), QByteArray("old report"));
        QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("12 Mel.Gr.txt")});
    }

    // Bytes made as they are written: every piece arrives, in order, past the write buffer;
    // a failure while making them leaves the old file and no temporary file.
    void producedBytes_data() {
        QTest::addColumn<bool>("failsMidway");
        QTest::newRow("complete") << false;
        QTest::newRow("fails midway") << true;
    }
    void producedBytes() {
        QFETCH(bool, failsMidway);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.csv"));
        QVERIFY(writeFile(path, "old table"));
        QByteArray expected;
        const auto produce = [&](ByteSink& sink) {
            for (int piece = 0; piece < 300; ++piece) {
                // Pieces of many sizes, some larger than the buffer.
                const QByteArray bytes(piece % 7 == 0 ? 300000 : piece % 13,
                                       char('a' + piece % 26));
                sink.write(bytes);
                expected += bytes;
                if (failsMidway && piece == 150)
                    throw OutputError(OutputError::Kind::Workbook, QString(), EIO);
            }
        };
        try {
            writeFileVerified(path, produce);
            QVERIFY(!failsMidway);
            QCOMPARE(readFile(path), expected);
        } catch (const OutputError& failed) {
            QVERIFY(failsMidway);
            QCOMPARE(failed.systemError(), EIO);
            QCOMPARE(readFile(path), QByteArray("old table"));
        }
        QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("table.csv")});
    }

    void fullDiskGivesItsReason() {
        QTemporaryDir dir;
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full");
        // /dev/full is a device: written in place, where the write meets ENOSPC.
        try {
            writeFileVerified(QStringLiteral("/dev/full"), QByteArray(4096, 'x'));
            QFAIL("a write to a full device was taken as saved");
        } catch (const OutputError& failed) {
            QCOMPARE(failed.systemError(), ENOSPC);
            QVERIFY2(failed.message().endsWith(systemReason(ENOSPC)), qPrintable(failed.message()));
        }
    }

    // Leftovers of interrupted writes older than the running write go at the first write into
    // the folder, whatever their target; a write running now elsewhere keeps its file; the
    // folder is looked at once a run, not once a write.
    void leftoversRemovedOncePerFolder() {
        QTemporaryDir dir;
        const QString name = QStringLiteral("0457 Mel.Sb.txt");
        const QString prefix = temporaryNamePrefix(name);
        QCOMPARE(prefix, QStringLiteral(".0457 Mel.Sb.txt.ezr-"));
        const QString leftover = prefix + QStringLiteral("Ab12Cd");
        const QString otherTarget =
            temporaryNamePrefix(QStringLiteral("other.txt")) + QStringLiteral("Ab12Cd");
        const QString notOurs = prefix + QStringLiteral("notours");
        const QString runningNow = prefix + QStringLiteral("Zz99Zz");
        for (const QString& entry : {leftover, otherTarget, notOurs, runningNow})
            QVERIFY(writeFile(dir.filePath(entry), "half"));
        const QDateTime past = QDateTime::currentDateTime().addSecs(-60);
        for (const QString& entry : {leftover, otherTarget, notOurs})
            setModified(dir.filePath(entry), past);
        setModified(dir.filePath(runningNow), QDateTime::currentDateTime().addSecs(3600));
        writeFileVerified(dir.filePath(name), "report");
        QCOMPARE(readFile(dir.filePath(name)), QByteArray("report"));
        QStringList expected{name, notOurs, runningNow};
        QStringList actual = entriesOf(dir.path());
        expected.sort();
        actual.sort();
        QCOMPARE(actual, expected);

        const QString later = prefix + QStringLiteral("Later1");
        QVERIFY(writeFile(dir.filePath(later), "half"));
        setModified(dir.filePath(later), past);
        writeFileVerified(dir.filePath(QStringLiteral("second.txt")), "second");
        QVERIFY2(QFileInfo::exists(dir.filePath(later)), "the folder was listed again");
    }

    // Personal data: a new file is the user's alone whatever the umask; a replaced one keeps
    // what the user gave it.
    void newFilesArePrivate() {
        QTemporaryDir dir;
        const mode_t saved = ::umask(0);
        const QString fresh = dir.filePath(QStringLiteral("new.txt"));
        const QString kept = dir.filePath(QStringLiteral("kept.txt"));
        QVERIFY(writeFile(kept, "old"));
        QVERIFY(::chmod(QFile::encodeName(kept).constData(), 0640) == 0);
        writeFileVerified(fresh, "new");
        writeFileVerified(kept, "new");
        ::umask(saved);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0600));
        QCOMPARE(::stat(QFile::encodeName(kept).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
    }

    // A link planted where a data file goes is refused and named; nothing reaches where it
    // leads, whether it dangles or leads to an existing file.
    void dataWriteRefusesLinks_data() {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("dangling") << false;
        QTest::newRow("to a file") << true;
    }
    void dataWriteRefusesLinks() {
        QFETCH(bool, targetExists);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("data")));
        const QString outside = dir.filePath(QStringLiteral("outside.txt"));
        if (targetExists)
            QVERIFY(writeFile(outside, "theirs"));
        const QString link = dir.filePath(QStringLiteral("data/I1.cry"));
        QVERIFY(QFile::link(outside, link));
        try {
            writeDataFileVerified(link, "examinee");
            QFAIL("a write went through a planted link");
        } catch (const OutputError& refused) {
            QCOMPARE(refused.kind(), OutputError::Kind::LinkedTarget);
            QVERIFY2(refused.windowText().contains(link), qPrintable(refused.windowText()));
        }
        QCOMPARE(QFileInfo::exists(outside), targetExists);
        if (targetExists)
            QCOMPARE(readFile(outside), QByteArray("theirs"));
        QVERIFY(QFileInfo(link).isSymLink());
    }

    void longNameIsSaved() {
        // The name fits the file system; the temporary file's name is shortened to fit too.
        QTemporaryDir dir;
        const QString name(250, u'r');
        QVERIFY(writeFile(dir.filePath(name), "old"));
        writeFileVerified(dir.filePath(name), "report");
        QCOMPARE(readFile(dir.filePath(name)), QByteArray("report"));
        QCOMPARE(entriesOf(dir.path()), QStringList{name});
    }

    void linkLoopFailsAndStays() {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        const QString b = dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(QFile::link(b, a));
        QVERIFY(QFile::link(a, b));
        try {
            writeFileVerified(a, "report");
            QFAIL("a link loop was written");
        } catch (const OutputError& failed) {
            QCOMPARE(failed.systemError(), ELOOP);
            QCOMPARE(failed.message(),
                     QStringLiteral("Cannot create file \"%1\". %2").arg(a, systemReason(ELOOP)));
        }
        QVERIFY(QFileInfo(a).isSymLink());
        QCOMPARE(QFileInfo(a).symLinkTarget(), b);
        QCOMPARE(entriesOf(dir.path()).size(), 2);
    }

    void danglingLinkCreatesItsTarget() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(QFile::link(QStringLiteral("sub/new.txt"), link));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        writeFileVerified(link, "report");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(dir.filePath(QStringLiteral("sub/new.txt"))), QByteArray("report"));
    }

    void guard_data() {
        QTest::addColumn<QString>("output"); // relative to the test folder
        QTest::addColumn<int>("refusal");    // -1: allowed
        QTest::newRow("link to a new file in the group folder")
            << "out/new-link" << int(OutputError::Kind::GroupFolder);
        QTest::newRow("link to a member")
            << "out/member-link" << int(OutputError::Kind::GroupFolder);
        QTest::newRow("link to the group folder's link")
            << "out/folder-link/x.txt" << int(OutputError::Kind::GroupFolder);
        QTest::newRow("hard link to a member") << "out/hard" << int(OutputError::Kind::GroupMember);
        QTest::newRow("a file elsewhere") << "out/report.txt" << -1;
        QTest::newRow("a link elsewhere") << "out/elsewhere-link" << -1;
    }
    void guard() {
        QFETCH(QString, output);
        QFETCH(int, refusal);
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkpath(QStringLiteral("group")) && root.mkpath(QStringLiteral("out")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("group/1.cry")), "member"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("group/new.txt")),
                            dir.filePath(QStringLiteral("out/new-link"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("group/1.cry")),
                            dir.filePath(QStringLiteral("out/member-link"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("group")),
                            dir.filePath(QStringLiteral("out/folder-link"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("out/report.txt")),
                            dir.filePath(QStringLiteral("out/elsewhere-link"))));
        QCOMPARE(::link(QFile::encodeName(dir.filePath(QStringLiteral("group/1.cry"))).constData(),
                        QFile::encodeName(dir.filePath(QStringLiteral("out/hard"))).constData()),
                 0);
        const AnalysisState state =
            groupState(dir.filePath(QStringLiteral("group")), {QStringLiteral("1.cry")});
        const QString path = dir.filePath(output);
        try {
            writeOutput(path, state, "report");
            QVERIFY2(refusal < 0, "an output into the group was written");
        } catch (const OutputError& refused) {
            QCOMPARE(int(refused.kind()), refusal);
            QVERIFY(refused.message().startsWith(
                QStringLiteral("Refusing to write the report to \"%1\": ").arg(path)));
        }
        QCOMPARE(readFile(dir.filePath(QStringLiteral("group/1.cry"))), QByteArray("member"));
        QCOMPARE(entriesOf(dir.filePath(QStringLiteral("group"))),
                 QStringList{QStringLiteral("1.cry")});
    }

    // A file elsewhere with one link is a member only through a member that links to it: the
    // guard looks at the members then, and only then.
    void guardFollowsLinkedMembers() {
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkpath(QStringLiteral("group")));
        const QString outside = dir.filePath(QStringLiteral("outside.cry"));
        QVERIFY(writeFile(outside, "member"));
        QVERIFY(QFile::link(outside, dir.filePath(QStringLiteral("group/1.cry"))));
        AnalysisState state =
            groupState(dir.filePath(QStringLiteral("group")), {QStringLiteral("1.cry")});
        state.roster.linkedMembers = true;
        try {
            writeOutput(outside, state, "report");
            QFAIL("a member reached through a link was overwritten");
        } catch (const OutputError& refused) {
            QCOMPARE(refused.kind(), OutputError::Kind::GroupMember);
        }
        QCOMPARE(readFile(outside), QByteArray("member"));
    }

    void guardKeepsTheAnalysedFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("0457.cry"));
        const QString link = dir.filePath(QStringLiteral("report.txt"));
        QVERIFY(writeFile(file, "response"));
        QVERIFY(QFile::link(file, link));
        AnalysisState state;
        state.source = file;
        QVERIFY_THROWS_EXCEPTION(OutputError, writeOutput(link, state, "report"));
        QCOMPARE(readFile(file), QByteArray("response"));
    }

    void proposedNames_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pdf, group")
            << proposedFileName(ReportFormat::Pdf, "3", false) << QStringLiteral("3 Mel.Gr.pdf");
        QTest::newRow("workbook") << proposedFileName(ReportFormat::Xlsx, "0457", true)
                                  << QStringLiteral("0457 Mel.Sb.xlsx");
        QTest::newRow("csv, group")
            << proposedFileName(ReportFormat::Csv, "12", false) << QStringLiteral("12 Mel.Gr.csv");
        QTest::newRow("code climbing out")
            << proposedFileName(ReportFormat::Txt, "../../../../x", true)
            << QStringLiteral("____________x Mel.Sb.txt");
        QTest::newRow("backslash and control characters")
            << proposedFileName(ChartPicture::Profile, "a\\b\x1B]0;t\x07\nc", true)
            << QStringLiteral("a_b_]0;t__c PlotH.Sb.gif");
        QTest::newRow("dots inside a code") << proposedFileName(ReportFormat::Txt, "1..2.3", true)
                                            << QStringLiteral("1__2.3 Mel.Sb.txt");
    }
    void proposedNames() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
        // Always a file directly inside the folder it is proposed in.
        const QString folder = QStringLiteral("/opt/ezr/Results");
        QCOMPARE(QFileInfo(QDir::cleanPath(folder + u'/' + actual)).absolutePath(), folder);
    }

    void pathsInMessagesAreEscaped() {
        // A file name that would clear the screen and set the terminal's title, and one far
        // too long for a line.
        const QString hostile = QStringLiteral("/tmp/\x1B[2J\x1B]0;owned\x07.cry");
        const QString shown = pathInMessage(hostile);
        QCOMPARE(shown, QStringLiteral("/tmp/\\x1B[2J\\x1B]0;owned\\x07.cry"));
        const QString longPath =
            QStringLiteral("/d/") + QString(3000, u'x') + QStringLiteral(".cry");
        const QString capped = pathInMessage(longPath);
        QCOMPARE(capped.size(), 120);
        QVERIFY(capped.startsWith(QStringLiteral("/d/xx")));
        QVERIFY(capped.endsWith(QStringLiteral("xx.cry")));
        const OutputError error(OutputError::Kind::CannotWrite, hostile, EACCES);
        QVERIFY(!error.message().contains(QChar(0x1B)));
        QVERIFY(!error.windowText().contains(QChar(0x1B)));
    }
};

QTEST_GUILESS_MAIN(TestOutput)
#include "tst_output.moc"
