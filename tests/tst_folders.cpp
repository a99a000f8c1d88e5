#include "AnalysisData.h"
#include "Folders.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace ezr;

Q_DECLARE_METATYPE(ezr::FolderOrigin)

class TestFolders : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    }
    void init() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ezr"),
                  QStringLiteral("ezr"))
            .clear();
    }

    void decides_data() {
        QTest::addColumn<bool>("dataBeside");
        QTest::addColumn<bool>("resultsBeside");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("dataOption");
        QTest::addColumn<QString>("resultsOption");
        QTest::addColumn<QString>("data");
        QTest::addColumn<FolderOrigin>("dataOrigin");
        QTest::addColumn<QString>("results");
        QTest::addColumn<FolderOrigin>("resultsOrigin");

        const QString exe = QStringLiteral("/opt/ezr/bin/");
        const QString user = QStringLiteral("/home/u/.local/share/ezr");
        const auto B = FolderOrigin::BesideProgram;
        const auto U = FolderOrigin::UserFolder;
        const auto R = FolderOrigin::Remembered;
        const auto C = FolderOrigin::CommandLine;
        QTest::newRow("build tree: both beside the program")
            << true << true << QString() << QString() << QString() << exe + "Data" << B
            << exe + "Results" << B;
        QTest::newRow("portable copy without Results keeps its results beside it")
            << true << false << QString() << QString() << QString() << exe + "Data" << B
            << exe + "Results" << B;
        QTest::newRow("installed: the user's folders")
            << false << false << QString() << QString() << QString() << user + "/Data" << U
            << user + "/Results" << U;
        QTest::newRow("only Results beside: data is the user's")
            << false << true << QString() << QString() << QString() << user + "/Data" << U
            << exe + "Results" << B;
        QTest::newRow("remembered choice wins over Data beside")
            << true << true << QStringLiteral("/srv/groups/a/") << QString() << QString()
            << QStringLiteral("/srv/groups/a") << R << exe + "Results" << B;
        QTest::newRow("remembered choice, installed")
            << false << false << QStringLiteral("/srv/groups/a") << QString() << QString()
            << QStringLiteral("/srv/groups/a") << R << user + "/Results" << U;
        QTest::newRow("command line wins over the remembered choice")
            << true << true << QStringLiteral("/srv/groups/a") << QStringLiteral("/tmp/d")
            << QStringLiteral("/tmp/r/") << QStringLiteral("/tmp/d") << C
            << QStringLiteral("/tmp/r") << C;
        QTest::newRow("--results alone")
            << false << false << QString() << QString() << QStringLiteral("/tmp/r")
            << user + "/Data" << U << QStringLiteral("/tmp/r") << C;
    }

    void decides() {
        QFETCH(bool, dataBeside);
        QFETCH(bool, resultsBeside);
        QFETCH(QString, remembered);
        QFETCH(QString, dataOption);
        QFETCH(QString, resultsOption);
        FolderInputs in;
        in.exeDir = QStringLiteral("/opt/ezr/bin/");
        in.userRoot = QStringLiteral("/home/u/.local/share/ezr");
        in.dataBesideProgram = dataBeside;
        in.resultsBesideProgram = resultsBeside;
        in.rememberedData = remembered;
        in.dataOption = dataOption;
        in.resultsOption = resultsOption;

        const Folders folders = decideFolders(in);
        QTEST(folders.data.path, "data");
        QTEST(folders.data.origin, "dataOrigin");
        QTEST(folders.results.path, "results");
        QTEST(folders.results.origin, "resultsOrigin");
    }

    // Saved norms belong to the copy of the program: beside it when it keeps its data or its
    // norms there, never in a folder chosen for one run.
    void decidesTheNormsFolder_data() {
        QTest::addColumn<bool>("dataBeside");
        QTest::addColumn<bool>("normsBeside");
        QTest::addColumn<QString>("dataOption");
        QTest::addColumn<QString>("norms");
        QTest::addColumn<FolderOrigin>("origin");
        const QString exe = QStringLiteral("/opt/ezr/bin/");
        const QString user = QStringLiteral("/home/u/.local/share/ezr");
        QTest::newRow("portable copy")
            << true << false << QString() << exe + "Norms" << FolderOrigin::BesideProgram;
        QTest::newRow("installed")
            << false << false << QString() << user + "/Norms" << FolderOrigin::UserFolder;
        QTest::newRow("Norms beside an installed program")
            << false << true << QString() << exe + "Norms" << FolderOrigin::BesideProgram;
        QTest::newRow("--data does not move the norms")
            << false << false << QStringLiteral("/tmp/d") << user + "/Norms"
            << FolderOrigin::UserFolder;
    }

    void decidesTheNormsFolder() {
        QFETCH(bool, dataBeside);
        QFETCH(bool, normsBeside);
        QFETCH(QString, dataOption);
        FolderInputs in;
        in.exeDir = QStringLiteral("/opt/ezr/bin/");
        in.userRoot = QStringLiteral("/home/u/.local/share/ezr");
        in.dataBesideProgram = dataBeside;
        in.normsBesideProgram = normsBeside;
        in.dataOption = dataOption;
        const Folder norms = decideFolders(in).norms;
        QTEST(norms.path, "norms");
        QTEST(norms.origin, "origin");
    }

    // The inputs come from the program's directory, the settings and the command line.
    void gathersTheInputs() {
        QTemporaryDir program;
        QVERIFY(program.isValid());
        const QString exeDir = program.path() + QLatin1Char('/');
        FolderConfig folders(exeDir);
        QVERIFY(QDir(program.path()).mkdir(QStringLiteral("Results")));
        FolderInputs in = folders.inputs();
        QVERIFY(!in.dataBesideProgram);
        QVERIFY(in.resultsBesideProgram);
        QVERIFY(in.rememberedData.isEmpty());

        QTemporaryDir chosen;
        folders.rememberDataFolder(chosen.path());
        QCOMPARE(folders.inputs().rememberedData, chosen.path());

        FolderConfig withOption(exeDir, QStringLiteral("relative/data"));
        in = withOption.inputs();
        QCOMPARE(in.dataOption, QDir::current().absoluteFilePath(QStringLiteral("relative/data")));
        QVERIFY(in.resultsOption.isEmpty());
        // A folder chosen in the window replaces the one of the command line.
        withOption.rememberDataFolder(chosen.path());
        QCOMPARE(withOption.dataFolder(), chosen.path());
    }

    // An installed program makes the user's folders when they are first needed, empty.
    void makesTheUserFoldersEmpty() {
        QTemporaryDir program;
        const FolderConfig folders(program.path() + QLatin1Char('/'));
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(false);
        const QString data = folders.dataFolder();
        const QString results = folders.resultsFolder();
        const QString norms = folders.normsFolder();
        QStandardPaths::setTestModeEnabled(true);
        qunsetenv("XDG_DATA_HOME");

        QCOMPARE(data, home.path() + QStringLiteral("/ezr/Data"));
        QCOMPARE(results, home.path() + QStringLiteral("/ezr/Results"));
        QCOMPARE(norms, home.path() + QStringLiteral("/ezr/Norms"));
        QVERIFY(!QFileInfo::exists(norms)); // made by the first norm saved
        for (const QString& folder : {data, results}) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
            QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        }
        // Nothing is made beside the program.
        QVERIFY(QDir(program.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    }

private:
    QTemporaryDir settingsDir_; // this process's own settings: suites run side by side
};

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_folders.moc"
