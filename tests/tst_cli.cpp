#include "Analysis.h"
#include "Domain.h"
#include "ExamineeTable.h"
#include "Export.h"
#include "NormFile.h"
#include "Regional.h"
#include "ReportCommand.h"
#include "ReportOptions.h"
#include "ResponseFile.h"
#include "SampleMaker.h"
#include "StatisticsReader.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ezr;

Q_DECLARE_METATYPE(ezr::ReportRequest)
Q_DECLARE_METATYPE(ezr::ReportFormat)

namespace {

const QLocale RussianLocale(QLocale::Russian, QLocale::Russia);
const QString Program = QStringLiteral("ezr-report");

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

void startCommand(QProcess& process, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(EZR_REPORT_EXE), arguments);
}

// The command as a user starts it, under a locale-less environment: the program then takes
// the Russian settings, as the window does.
Outcome run(const QStringList& arguments,
            const std::function<void()>& childSetup = std::function<void()>()) {
    QProcess process;
    if (childSetup)
        process.setChildProcessModifier(childSetup);
    startCommand(process, arguments);
    Outcome outcome;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return outcome;
    outcome.exitCode = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

QString writeExaminee(const QString& dir, const SampleExaminee& examinee) {
    const QString path = QDir(dir).filePath(responseFileName(examinee));
    return writeFile(path, makeResponseFile(examinee)) ? path : QString();
}

QStringList lines(const QByteArray& report) {
    QStringList result = decodeWindows1251(report).split(QStringLiteral("\r\n"));
    if (!result.isEmpty() && result.constLast().isEmpty())
        result.removeLast();
    return result;
}

bool hasLineStartingWith(const QStringList& list, const QString& start) {
    for (const QString& line : list)
        if (line.startsWith(start))
            return true;
    return false;
}

// Every line of a report, the last one included, ends with CR LF and nothing else does.
bool wellFormedReport(const QByteArray& report) {
    return report.endsWith("\r\n") && report.count('\n') == report.count("\r\n") &&
           report.count('\r') == report.count("\r\n");
}

QString dateLine(const QDate& date) {
    return QStringLiteral("Дата обследования: ") +
           RussianLocale.toString(date, QLocale::ShortFormat);
}

ReportRequest individual(const QString& file, NormKind kind = NormKind::Sex) {
    ReportRequest r;
    r.mode = ReportRequest::Mode::Individual;
    r.input = file;
    r.kind = kind;
    return r;
}

ReportRequest group(const QString& dir, NormKind kind, const QString& criterion) {
    ReportRequest r;
    r.mode = ReportRequest::Mode::Group;
    r.input = dir;
    r.kind = kind;
    r.criterion = criterion;
    return r;
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

    QTemporaryDir work_;
    QString dataDir_;   // three good members
    QString firstFile_; // the first of them
    QList<SampleExaminee> members_;

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(Program);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.04"));
        QLocale::setDefault(RussianLocale);
        QVERIFY(work_.isValid());
        dataDir_ = work_.filePath(QStringLiteral("Data"));
        QVERIFY(QDir().mkpath(dataDir_));
        for (int i = 0; i < 3; ++i) {
            members_.append(generatedExaminee(4711u, i));
            const QString path = writeExaminee(dataDir_, members_.constLast());
            QVERIFY(!path.isEmpty());
            if (i == 0)
                firstFile_ = path;
        }
    }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    // ---- the option parser ----

    void parsesRequest_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<ReportRequest>("expected");
        const QString file = QStringLiteral("a.cry");
        QTest::newRow("file, sex norm by default")
            << QStringList{Program, file} << individual(file);
        QTest::newRow("--norm education")
            << QStringList{Program, file, QStringLiteral("--norm"), QStringLiteral("education")}
            << individual(file, NormKind::Education);
        QTest::newRow("--norm=satisfaction before the file")
            << QStringList{Program, QStringLiteral("--norm=satisfaction"), file}
            << individual(file, NormKind::Satisfaction);
        QTest::newRow("--norm sex")
            << QStringList{Program, file, QStringLiteral("--norm"), QStringLiteral("sex")}
            << individual(file, NormKind::Sex);
        ReportRequest toFile = individual(file);
        toFile.outputPath = QStringLiteral("out/r.txt");
        QTest::newRow("-o") << QStringList{Program, QStringLiteral("-o"),
                                           QStringLiteral("out/r.txt"), file}
                            << toFile;
        ReportRequest utf8 = toFile;
        utf8.encoding = ReportEncoding::Utf8;
        QTest::newRow("--output and --encoding utf-8") << QStringList{Program,
                                                                      file,
                                                                      QStringLiteral("--output"),
                                                                      QStringLiteral("out/r.txt"),
                                                                      QStringLiteral("--encoding"),
                                                                      QStringLiteral("utf-8")}
                                                       << utf8;
        ReportRequest upper = individual(file);
        upper.encoding = ReportEncoding::Utf8;
        QTest::newRow("encoding name in capitals")
            << QStringList{Program, QStringLiteral("--encoding=UTF-8"), file} << upper;
        QTest::newRow("explicit windows-1251")
            << QStringList{Program, file, QStringLiteral("--encoding"),
                           QStringLiteral("windows-1251")}
            << individual(file);
        QTest::newRow("file that looks like an option after --")
            << QStringList{Program, QStringLiteral("--"), QStringLiteral("-x.cry")}
            << individual(QStringLiteral("-x.cry"));
        const QString dir = QStringLiteral("Data");
        QTest::newRow("group of men")
            << QStringList{Program, QStringLiteral("--group"), dir, QStringLiteral("--sex"),
                           QStringLiteral("male")}
            << group(dir, NormKind::Sex, QStringLiteral("Мужской"));
        QTest::newRow("group of women")
            << QStringList{Program, QStringLiteral("--sex=female"), QStringLiteral("--group"), dir}
            << group(dir, NormKind::Sex, QStringLiteral("Женский"));
        QTest::newRow("group, higher education")
            << QStringList{Program, QStringLiteral("--group"), dir, QStringLiteral("--education"),
                           QStringLiteral("higher")}
            << group(dir, NormKind::Education, QStringLiteral("Высшее"));
        QTest::newRow("group, secondary education")
            << QStringList{Program, QStringLiteral("--group"), dir, QStringLiteral("--education"),
                           QStringLiteral("secondary")}
            << group(dir, NormKind::Education, QStringLiteral("Среднее"));
        QTest::newRow("group, satisfaction") << QStringList{Program, QStringLiteral("--group"), dir,
                                                            QStringLiteral("--satisfaction")}
                                             << group(dir, NormKind::Satisfaction, QString());
    }
    void parsesRequest() {
        QFETCH(QStringList, arguments);
        QFETCH(ReportRequest, expected);
        const ReportOptions options = parseReportOptions(arguments);
        QVERIFY2(options.status == ReportOptions::Status::Run, qPrintable(options.text));
        const ReportRequest& r = options.request;
        QCOMPARE(r.mode, expected.mode);
        QCOMPARE(r.input, expected.input);
        QCOMPARE(r.kind, expected.kind);
        QCOMPARE(r.criterion, expected.criterion);
        QCOMPARE(r.outputPath, expected.outputPath);
        QCOMPARE(r.encoding, expected.encoding);
    }

    void rejectsUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason"); // a word the one-line reason must contain
        const QString file = QStringLiteral("a.cry");
        const QString g = QStringLiteral("--group");
        const QString dir = QStringLiteral("Data");
        QTest::newRow("nothing") << QStringList{Program} << QStringLiteral("FILE");
        QTest::newRow("unknown option")
            << QStringList{Program, file, QStringLiteral("--bogus")} << QStringLiteral("bogus");
        QTest::newRow("--norm without value")
            << QStringList{Program, file, QStringLiteral("--norm")} << QStringLiteral("norm");
        QTest::newRow("bad --norm value")
            << QStringList{Program, file, QStringLiteral("--norm"), QStringLiteral("age")}
            << QStringLiteral("age");
        QTest::newRow("two files")
            << QStringList{Program, file, QStringLiteral("b.cry")} << QStringLiteral("b.cry");
        QTest::newRow("file and group")
            << QStringList{Program, file, g, dir, QStringLiteral("--satisfaction")}
            << QStringLiteral("но не оба");
        QTest::newRow("group without criterion")
            << QStringList{Program, g, dir} << QStringLiteral("критерий");
        QTest::newRow("group with two criteria") << QStringList{Program,
                                                                g,
                                                                dir,
                                                                QStringLiteral("--sex"),
                                                                QStringLiteral("male"),
                                                                QStringLiteral("--satisfaction")}
                                                 << QStringLiteral("один критерий");
        QTest::newRow("group with all three criteria")
            << QStringList{Program,
                           g,
                           dir,
                           QStringLiteral("--sex"),
                           QStringLiteral("male"),
                           QStringLiteral("--education"),
                           QStringLiteral("higher"),
                           QStringLiteral("--satisfaction")}
            << QStringLiteral("один критерий");
        QTest::newRow("one criterion twice") << QStringList{Program,
                                                            g,
                                                            dir,
                                                            QStringLiteral("--sex"),
                                                            QStringLiteral("male"),
                                                            QStringLiteral("--sex"),
                                                            QStringLiteral("female")}
                                             << QStringLiteral("больше одного раза");
        QTest::newRow("flag twice")
            << QStringList{Program, g, dir, QStringLiteral("--satisfaction"),
                           QStringLiteral("--satisfaction")}
            << QStringLiteral("больше одного раза");
        QTest::newRow("bad --sex value")
            << QStringList{Program, g, dir, QStringLiteral("--sex"), QStringLiteral("m")}
            << QStringLiteral("male or female");
        QTest::newRow("bad --education value")
            << QStringList{Program, g, dir, QStringLiteral("--education"), QStringLiteral("Высшее")}
            << QStringLiteral("higher or secondary");
        QTest::newRow("criterion without group")
            << QStringList{Program, file, QStringLiteral("--sex"), QStringLiteral("male")}
            << QStringLiteral("--group");
        QTest::newRow("--norm with group") << QStringList{Program,
                                                          g,
                                                          dir,
                                                          QStringLiteral("--satisfaction"),
                                                          QStringLiteral("--norm"),
                                                          QStringLiteral("sex")}
                                           << QStringLiteral("--norm");
        QTest::newRow("group without directory")
            << QStringList{Program, g, QString(), QStringLiteral("--satisfaction")}
            << QStringLiteral("директория");
        QTest::newRow("empty file name")
            << QStringList{Program, QString()} << QStringLiteral("FILE");
        QTest::newRow("-o without name")
            << QStringList{Program, file, QStringLiteral("-o"), QString()} << QStringLiteral("-o");
        QTest::newRow("other encoding")
            << QStringList{Program, file, QStringLiteral("--encoding"), QStringLiteral("koi8-r")}
            << QStringLiteral("koi8-r");
        const QStringList women{Program, g, dir, QStringLiteral("--sex"), QStringLiteral("female")};
        const auto plus = [](QStringList list, const char* a, const char* b = nullptr) {
            list << QString::fromUtf8(a);
            if (b)
                list << QString::fromUtf8(b);
            return list;
        };
        QTest::newRow("--where unknown sex") << plus(women, "--where", "sex=m") << "sex=m";
        QTest::newRow("--where reversed ages") << plus(women, "--where", "age=45-30") << "45-30";
        QTest::newRow("--where one date")
            << plus(women, "--where", "date=2024-01-01") << "date=2024-01-01";
        QTest::newRow("--where unknown field")
            << plus(women, "--where", "sex=male,city=Омск") << "city=Омск";
        QTest::newRow("--where without group")
            << QStringList{Program, file, QStringLiteral("--where"), QStringLiteral("sex=male")}
            << "--where только вместе с --group";
        QTest::newRow("--codes without group")
            << QStringList{Program, file, QStringLiteral("--codes"), QStringLiteral("c.txt")}
            << "--codes только вместе с --group";
        QTest::newRow("--codes empty") << plus(women, "--codes", "") << "--codes";
        QTest::newRow("--skip-damaged without group")
            << QStringList{Program, file, QStringLiteral("--skip-damaged")} << "--skip-damaged";
        QTest::newRow("--save-norm without a name")
            << plus(women, "--save-norm", "n.json") << "--norm-name";
        QTest::newRow("--save-norm with a blank name")
            << plus(plus(women, "--save-norm", "n.json"), "--norm-name", "  ") << "--norm-name";
        QTest::newRow("--norm-name alone") << plus(women, "--norm-name", "Отдел") << "--save-norm";
        QTest::newRow("--norm-file and a criterion")
            << plus(women, "--norm-file", "n.json") << "--norm-file";
        QTest::newRow("--norm and --norm-file") << QStringList{Program,
                                                               file,
                                                               QStringLiteral("--norm"),
                                                               QStringLiteral("sex"),
                                                               QStringLiteral("--norm-file"),
                                                               QStringLiteral("n.json")}
                                                << "--norm-file";
        QTest::newRow("--norm-file empty")
            << QStringList{Program, file, QStringLiteral("--norm-file=")} << "--norm-file";
    }
    void rejectsUsage() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        const ReportOptions options = parseReportOptions(arguments);
        QCOMPARE(options.status, ReportOptions::Status::UsageError);
        QVERIFY2(options.text.contains(reason), qPrintable(options.text));
        QVERIFY2(!options.text.contains(QLatin1Char('\n')), qPrintable(options.text));
    }

    void helpAndVersion() {
        const ReportOptions help = parseReportOptions({Program, QStringLiteral("--help")});
        QCOMPARE(help.status, ReportOptions::Status::Help);
        for (const char* word :
             {"--group", "--norm", "--encoding", "-o", "отчёт", "report", "--where", "--codes",
              "--skip-damaged", "--save-norm", "--norm-name", "--norm-description", "--norm-file",
              "--anonymous", "age=MIN-MAX", "date=YYYY-MM-DD..YYYY-MM-DD"})
            QVERIFY2(help.text.contains(QString::fromUtf8(word)), word);
        const ReportOptions version = parseReportOptions({Program, QStringLiteral("--version")});
        QCOMPARE(version.status, ReportOptions::Status::Version);
        QCOMPARE(version.text, QStringLiteral("ezr-report 1.04\n"));
    }

    // ---- the executable ----

    void helpAndVersionOfTheProcess() {
        const Outcome help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--group"));
        QVERIFY(help.err.isEmpty());
        const Outcome version = run({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("ezr-report 1.04\n"));
    }

    // The window program answers --help and --version on the terminal: no display is needed.
    void windowProgramAnswersWithoutDisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")}
                                   << QByteArray("ezr " + ProgramVersion.toLatin1() + "\n");
        QTest::newRow("-v after a folder")
            << QStringList{QStringLiteral("--data"), QStringLiteral("/tmp"), QStringLiteral("-v")}
            << QByteArray("ezr " + ProgramVersion.toLatin1() + "\n");
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << QByteArray("--results");
        QTest::newRow("the window") << QStringList{} << QByteArray();
    }

    void windowProgramAnswersWithoutDisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, output);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(EZR_WINDOW_EXE), arguments);
        QVERIFY(process.waitForFinished(60000));
        const bool succeeded =
            process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (output.isEmpty()) {
            // Without these options the window is wanted, and it cannot start here.
            QVERIFY(!succeeded);
            return;
        }
        QVERIFY2(succeeded, process.readAllStandardError().constData());
        const QByteArray out = process.readAllStandardOutput();
        if (output.endsWith('\n'))
            QCOMPARE(out, output);
        else
            QVERIFY2(out.contains(output), out.constData());
    }

    void individualReportOnStandardOutput() {
        const Outcome outcome = run({firstFile_});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.err.isEmpty(), outcome.err.constData());
        QVERIFY(wellFormedReport(outcome.out));
        // Windows-1251 bytes, not UTF-8: "Код" is three bytes.
        QVERIFY(outcome.out.startsWith("\xCA\xEE\xE4: " + members_[0].code.toLatin1() + "\r\n"));
        const QStringList report = lines(outcome.out);
        const SampleExaminee& e = members_[0];
        QCOMPARE(report.value(1), QStringLiteral("Дата обследования: ") + e.testDate);
        QCOMPARE(report.value(2), QStringLiteral("Ф.И.О.: ") + e.name);
        QCOMPARE(report.value(3), QStringLiteral("Пол: ") + e.sex);
        QCOMPARE(report.value(4), QStringLiteral("Образование: ") + e.education);
        QVERIFY(report.value(5).startsWith(QStringLiteral("Возраст: ")));
        QCOMPARE(report.value(6), QStringLiteral("Нормирование: Пол"));
        QCOMPARE(report.value(7), QStringLiteral("Время выполнения:"));
        QCOMPARE(report.constLast(), QStringLiteral("Комментарий к анализу"));
        // Russian settings: decimal commas in the fields, points in profiles 2 and 3.
        QVERIFY(lineWithComma(report, QStringLiteral("Включенность в коллектив: ")));
        for (const QString& line : report)
            if (line.startsWith(QStringLiteral(" Сумма баллов")))
                QVERIFY2(line.contains(QLatin1Char('.')) && !line.contains(QLatin1Char(',')),
                         qPrintable(line));

        // The same report as the window's analysis of that file.
        const AnalysisState state = individualAnalysis(firstFile_);
        QCOMPARE(outcome.out, buildTextReport({state, {}}));
    }

    void normChoice_data() {
        QTest::addColumn<QString>("norm");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("normLine");
        QTest::newRow("sex") << QStringLiteral("sex") << int(NormKind::Sex)
                             << QStringLiteral("Нормирование: Пол");
        QTest::newRow("education") << QStringLiteral("education") << int(NormKind::Education)
                                   << QStringLiteral("Нормирование: Образование");
        QTest::newRow("satisfaction")
            << QStringLiteral("satisfaction") << int(NormKind::Satisfaction)
            << QStringLiteral("Нормирование: Удовлетворенность");
    }
    void normChoice() {
        QFETCH(QString, norm);
        QFETCH(int, kind);
        QFETCH(QString, normLine);
        const Outcome outcome = run({firstFile_, QStringLiteral("--norm"), norm});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(lines(outcome.out).contains(normLine));
        const AnalysisState state =
            withNorm(individualAnalysis(firstFile_), static_cast<NormKind>(kind));
        QCOMPARE(outcome.out, buildTextReport({state, {}}));
    }

    void utf8ForATerminal() {
        const Outcome plain = run({firstFile_});
        const Outcome utf8 =
            run({firstFile_, QStringLiteral("--encoding"), QStringLiteral("utf-8")});
        QCOMPARE(utf8.exitCode, 0);
        QVERIFY(utf8.out.startsWith("Код: "));
        QVERIFY(wellFormedReport(utf8.out));
        QCOMPARE(utf8.out, decodeWindows1251(plain.out).toUtf8());
    }

    void outputFileHoldsTheSameBytes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.txt"));
        QVERIFY(writeFile(path, QByteArray(10000, 'x'))); // replaced entirely
        const Outcome toFile = run({firstFile_, QStringLiteral("-o"), path});
        QCOMPARE(toFile.exitCode, 0);
        QVERIFY(toFile.out.isEmpty());
        QVERIFY(toFile.err.isEmpty());
        const Outcome toStdout = run({firstFile_});
        QCOMPARE(readFile(path), toStdout.out);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("r.txt")});

        const QString utf8Path = dir.filePath(QStringLiteral("u.txt"));
        QCOMPARE(
            run({firstFile_, QStringLiteral("--encoding=utf-8"), QStringLiteral("-o"), utf8Path})
                .exitCode,
            0);
        QCOMPARE(readFile(utf8Path), decodeWindows1251(toStdout.out).toUtf8());
    }

    void groupReport_data() {
        QTest::addColumn<QStringList>("criterion");
        QTest::addColumn<QStringList>("fieldLines"); // between the name line and the norm line
        QTest::addColumn<QString>("normLine");
        QTest::newRow("men") << QStringList{QStringLiteral("--sex"), QStringLiteral("male")}
                             << QStringList{QStringLiteral("Пол: Мужской")}
                             << QStringLiteral("Нормирование: Пол");
        QTest::newRow("women") << QStringList{QStringLiteral("--sex"), QStringLiteral("female")}
                               << QStringList{QStringLiteral("Пол: Женский")}
                               << QStringLiteral("Нормирование: Пол");
        QTest::newRow("higher") << QStringList{QStringLiteral("--education"),
                                               QStringLiteral("higher")}
                                << QStringList{QStringLiteral("Образование: Высшее")}
                                << QStringLiteral("Нормирование: Образование");
        QTest::newRow("secondary")
            << QStringList{QStringLiteral("--education"), QStringLiteral("secondary")}
            << QStringList{QStringLiteral("Образование: Среднее")}
            << QStringLiteral("Нормирование: Образование");
        QTest::newRow("satisfaction")
            << QStringList{QStringLiteral("--satisfaction")} << QStringList{}
            << QStringLiteral("Нормирование: Удовлетворенность");
    }
    void groupReport() {
        QFETCH(QStringList, criterion);
        QFETCH(QStringList, fieldLines);
        QFETCH(QString, normLine);
        const QDate before = QDate::currentDate();
        const Outcome outcome = run(QStringList{QStringLiteral("--group"), dataDir_} + criterion);
        const QDate after = QDate::currentDate();
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.err.isEmpty(), outcome.err.constData());
        QVERIFY(wellFormedReport(outcome.out));
        const QStringList report = lines(outcome.out);

        QCOMPARE(report.value(0), QStringLiteral("Код: 3"));
        QVERIFY(report.value(1) == dateLine(before) || report.value(1) == dateLine(after));
        QStringList header = QStringList{QStringLiteral("Группа: Группа")} + fieldLines;
        header << normLine << QStringLiteral("Состав группы:");
        QCOMPARE(report.mid(2, header.size()), header);
        QStringList members = report.mid(2 + header.size(), 3);
        QStringList expectedMembers;
        for (const SampleExaminee& e : members_)
            expectedMembers << e.code + QStringLiteral(". ") + e.name;
        members.sort();
        QCOMPARE(members, expectedMembers);
        QCOMPARE(report.value(2 + header.size() + 3), QStringLiteral("Общее число: 3"));
        QVERIFY(!hasLineStartingWith(report, QStringLiteral("Возраст: ")));
        QCOMPARE(report.constLast(), QStringLiteral("Комментарий к анализу"));

        // The same report as the window's group command over that directory.
        const ReportOptions options = parseReportOptions(
            QStringList{Program, QStringLiteral("--group"), dataDir_} + criterion);
        QCOMPARE(options.status, ReportOptions::Status::Run);
        const AnalysisState state =
            groupAnalysis(dataDir_, options.request.kind, options.request.criterion);
        QStringList expected = lines(buildTextReport({state, {}}));
        expected[1] = report.value(1);
        QCOMPARE(report, expected);
    }

    // --format sav: the table of the same analysis as an SPSS file, for one examinee and for
    // a group; never to standard output.
    void statisticsFile_data() {
        QTest::addColumn<QStringList>("input");
        QTest::newRow("examinee") << QStringList{firstFile_};
        QTest::newRow("group") << QStringList{QStringLiteral("--group"), dataDir_,
                                              QStringLiteral("--sex"), QStringLiteral("female")};
    }
    void statisticsFile() {
        QFETCH(QStringList, input);
        const QStringList arguments =
            input + QStringList{QStringLiteral("--format"), QStringLiteral("sav")};
        const Outcome toTerminal = run(arguments);
        QCOMPARE(toTerminal.exitCode, 2);
        QVERIFY(toTerminal.out.isEmpty());

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.sav"));
        const QStringList toFile = arguments + QStringList{QStringLiteral("-o"), path};
        const Outcome outcome = run(toFile);
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.err.isEmpty(), outcome.err.constData());
        const StatisticsData file = readStatisticsData(path, true);
        QVERIFY(file.parsed);

        const ReportOptions options = parseReportOptions(QStringList{Program} + toFile);
        QCOMPARE(options.status, ReportOptions::Status::Run);
        const QList<TableRow> rows = examineeTable(analyse(options.request)).rows.mid(1);
        QCOMPARE(file.labels, examineeHeadings());
        QCOMPARE(file.cases.size(), rows.size());
        for (int m = 0; m < rows.size(); ++m) {
            for (int c : {0, 2, 7, 42, 79, 84}) // file, name, two scores, X2, mean time
                QCOMPARE(file.cases[m][c].toString(), rows[m][c].toString());
        }
    }

    // A group's report and table are written member by member as the group is read: the
    // same bytes as those made of the members kept whole, to the file proposed in the folder
    // -o names and to standard output.
    void groupTableWrittenAsRead_data() {
        QTest::addColumn<ReportFormat>("format");
        QTest::addColumn<bool>("toFolder");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("text report to a folder") << ReportFormat::Txt << true << false;
        QTest::newRow("text report in UTF-8 to standard output")
            << ReportFormat::Txt << false << true;
        QTest::newRow("csv to a folder") << ReportFormat::Csv << true << false;
        QTest::newRow("csv to standard output") << ReportFormat::Csv << false << false;
        QTest::newRow("workbook to a folder") << ReportFormat::Xlsx << true << false;
    }
    void groupTableWrittenAsRead() {
        QFETCH(ReportFormat, format);
        QFETCH(bool, toFolder);
        QFETCH(bool, utf8);
        QTemporaryDir out;
        QStringList arguments{QStringLiteral("--group"),     dataDir_,
                              QStringLiteral("--education"), QStringLiteral("secondary"),
                              QStringLiteral("--format"),    formatExtension(format)};
        if (toFolder)
            arguments << QStringLiteral("-o") << out.path();
        if (utf8)
            arguments << QStringLiteral("--encoding") << QStringLiteral("utf-8");
        const Outcome outcome = run(arguments);
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.err.isEmpty(), outcome.err.constData());

        const AnalysisState kept = groupAnalysis(dataDir_, NormKind::Education, SecondaryEducation);
        QCOMPARE(kept.members.size(), members_.size());
        const QByteArray written =
            toFolder ? readFile(QDir(out.path()).filePath(proposedReportName(kept, format)))
                     : outcome.out;
        const QByteArray expected =
            buildReport(format, ReportSnapshot{kept, {}},
                        utf8 ? ReportEncoding::Utf8 : ReportEncoding::Windows1251);
        if (format != ReportFormat::Xlsx) {
            QCOMPARE(written, expected);
            return;
        }
        // A workbook records when it was made: its sheets are compared.
        const QString book = out.filePath(QStringLiteral("expected.xlsx"));
        QVERIFY(writeFile(book, expected));
        const QString made = QDir(out.path()).filePath(proposedReportName(kept, format));
        const auto part = [](const QString& zip, int sheet) {
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"),
                        {QStringLiteral("-p"), zip,
                         QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)});
            unzip.waitForFinished(30000);
            return unzip.readAllStandardOutput();
        };
        for (int sheet : {1, 2}) {
            QVERIFY(!part(book, sheet).isEmpty());
            QCOMPARE(part(made, sheet), part(book, sheet));
        }
    }

    // A member that does not read ends the streamed table with nothing left behind.
    void groupTableStopsAtABadMember() {
        QTemporaryDir dir;
        const QString groupDir = dir.filePath(QStringLiteral("Group"));
        QVERIFY(QDir().mkpath(groupDir));
        for (int i = 0; i < 2; ++i)
            QVERIFY(!writeExaminee(groupDir, members_[i]).isEmpty());
        QVERIFY(writeFile(QDir(groupDir).filePath(QStringLiteral("zz.cry")), "not a sheet"));
        const QString target = dir.filePath(QStringLiteral("table.csv"));
        QVERIFY(writeFile(target, "old table"));
        const Outcome outcome =
            run({QStringLiteral("--group"), groupDir, QStringLiteral("--satisfaction"),
                 QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("-o"), target});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.err.contains("zz.cry"), outcome.err.constData());
        QCOMPARE(readFile(target), QByteArray("old table"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("table.csv")});
    }

    void analysisFailure_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("missing file") << QStringLiteral("missing");
        QTest::newRow("not a response file") << QStringLiteral("garbage");
        QTest::newRow("bad item line") << QStringLiteral("bad item");
        QTest::newRow("group with a bad member") << QStringLiteral("bad member");
        QTest::newRow("group with a sub-directory") << QStringLiteral("sub-directory");
        QTest::newRow("empty group directory") << QStringLiteral("empty group");
    }
    void analysisFailure() {
        QFETCH(QString, situation);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString groupDir = dir.filePath(QStringLiteral("Group"));
        QVERIFY(QDir().mkpath(groupDir));
        QStringList arguments;
        QStringList expected; // pieces of the message
        if (situation == QLatin1String("missing")) {
            const QString path = dir.filePath(QStringLiteral("absent.cry"));
            arguments << path;
            expected << QStringLiteral("Cannot open file") << QDir::toNativeSeparators(path);
        } else if (situation == QLatin1String("garbage")) {
            const QString path = dir.filePath(QStringLiteral("plain.cry"));
            QVERIFY(writeFile(path, "not scrambled at all\r\n"));
            arguments << path;
            expected << QStringLiteral("is not a valid date");
        } else if (situation == QLatin1String("bad item")) {
            SampleExaminee e = generatedExaminee(99u, 0);
            QString plain = makePlainText(e);
            QStringList plainLines = plain.split(QStringLiteral("\r\n"));
            plainLines[60] = QStringLiteral("    1    x     2,5");
            const QString path = dir.filePath(QStringLiteral("item.cry"));
            QVERIFY(writeFile(path, scramblePlainText(plainLines.join(QStringLiteral("\r\n")))));
            arguments << path;
            // Item 50 is plain line 60, which an editor shows as line 61.
            expected << QStringLiteral("is not a valid integer value")
                     << QStringLiteral("\nФайл item.cry, строка 61: утверждение 50, отметка ПО");
        } else if (situation == QLatin1String("bad member")) {
            QVERIFY(!writeExaminee(groupDir, generatedExaminee(5u, 0)).isEmpty());
            QVERIFY(!writeExaminee(groupDir, generatedExaminee(5u, 1)).isEmpty());
            const QString bad = QDir(groupDir).filePath(QStringLiteral("broken.cry"));
            QVERIFY(writeFile(bad, makeResponseFile(generatedExaminee(5u, 2)).left(900)));
            arguments << QStringLiteral("--group") << groupDir << QStringLiteral("--satisfaction");
            expected << QStringLiteral("is not a valid") << QDir::toNativeSeparators(bad);
        } else if (situation == QLatin1String("sub-directory")) {
            QVERIFY(!writeExaminee(groupDir, generatedExaminee(5u, 0)).isEmpty());
            const QString sub = QDir(groupDir).filePath(QStringLiteral("Archive"));
            QVERIFY(QDir().mkpath(sub));
            arguments << QStringLiteral("--group") << groupDir << QStringLiteral("--sex")
                      << QStringLiteral("female");
            expected << QDir::toNativeSeparators(sub);
        } else {
            arguments << QStringLiteral("--group") << groupDir << QStringLiteral("--education")
                      << QStringLiteral("higher");
            expected << QStringLiteral("Нет файлов данных в директории")
                     << QDir::toNativeSeparators(groupDir);
        }

        // Nothing reaches standard output.
        const Outcome outcome = run(arguments);
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY(outcome.out.isEmpty());
        const QString message = QString::fromLocal8Bit(outcome.err);
        for (const QString& piece : expected)
            QVERIFY2(message.contains(piece), qPrintable(message));
        // The error box's full stop: every one of these messages ends in a letter; a group
        // member's path follows on a line of its own.
        QVERIFY2(message.section(QLatin1Char('\n'), 0, 0).endsWith(QLatin1Char('.')),
                 qPrintable(message));

        // Nothing is written to -o, and the file there keeps its bytes.
        const QString target = dir.filePath(QStringLiteral("report.txt"));
        const QByteArray old("the report saved before\r\n");
        QVERIFY(writeFile(target, old));
        const QStringList entries =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const Outcome toFile = run(arguments + QStringList{QStringLiteral("-o"), target});
        QCOMPARE(toFile.exitCode, 1);
        QCOMPARE(toFile.err, outcome.err);
        QCOMPARE(readFile(target), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 entries);
    }

    void unwritableOutputFails() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("missing/report.txt"));
        const Outcome outcome = run({firstFile_, QStringLiteral("-o"), target});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY(outcome.out.isEmpty());
        QVERIFY2(QString::fromLocal8Bit(outcome.err).contains(QDir::toNativeSeparators(target)),
                 outcome.err.constData());
        QVERIFY(!QFile::exists(target));
    }

    // A write that really fails (the file-size limit of a full disk or a quota): the old
    // report stays byte for byte, no temporary file is left, and the command says so.
    void failedWriteKeepsTheOldReport() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("report.txt"));
        const QByteArray old("the report saved before\r\n");
        QVERIFY(writeFile(target, old));
        const Outcome outcome = run({firstFile_, QStringLiteral("-o"), target}, [] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{512, 512};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(QString::fromLocal8Bit(outcome.err).contains(QDir::toNativeSeparators(target)),
                 outcome.err.constData());
        QCOMPARE(readFile(target), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("report.txt")});
    }

    // -o into a FIFO streams the report to its reader and leaves the FIFO in place.
    void outputIntoAFifo() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess process;
        startCommand(process, {firstFile_, QStringLiteral("-o"), fifo});
        QFile reader(fifo);
        QVERIFY(reader.open(QIODevice::ReadOnly)); // waits for the command to open its end
        const QByteArray streamed = reader.readAll();
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(streamed, makeReport(individual(firstFile_)));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
    }

    // The report never takes the place of its own input, however the path is spelt.
    void outputAmongInputsRefused_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("the response file") << "same file";
        QTest::newRow("a hard link to it") << "hard link";
        QTest::newRow("a group member") << "member";
        QTest::newRow("a new file in the group folder") << "new in group";
        QTest::newRow("a link into the group folder") << "link into group";
    }
    void outputAmongInputsRefused() {
        QFETCH(QString, situation);
        QTemporaryDir dir;
        const QString input = writeExaminee(dir.path(), members_.first());
        QVERIFY(!input.isEmpty());
        const QByteArray stored = readFile(input);
        QStringList arguments{input};
        QString target = input;
        if (situation == QLatin1String("hard link")) {
            target = dir.filePath(QStringLiteral("elsewhere.txt"));
            QCOMPARE(
                ::link(QFile::encodeName(input).constData(), QFile::encodeName(target).constData()),
                0);
        } else if (situation != QLatin1String("same file")) {
            arguments = QStringList{QStringLiteral("--group"), dir.path(),
                                    QStringLiteral("--satisfaction")};
            if (situation == QLatin1String("new in group"))
                target = dir.filePath(QStringLiteral("r.txt"));
        }
        QTemporaryDir elsewhere;
        if (situation == QLatin1String("link into group")) {
            target = elsewhere.filePath(QStringLiteral("report.txt"));
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("r.txt")), target));
        }
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const Outcome outcome = run(arguments + QStringList{QStringLiteral("-o"), target});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.err.contains("Refusing to write the report"), outcome.err.constData());
        QCOMPARE(readFile(input), stored);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 before);
    }

    void linkLoopAsOutput() {
        QTemporaryDir dir;
        const QString input = writeExaminee(dir.path(), members_.first());
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        const QString b = dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(QFile::link(b, a) && QFile::link(a, b));
        const Outcome outcome = run({input, QStringLiteral("-o"), a});
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(QString::fromLocal8Bit(outcome.err),
                 QStringLiteral("Cannot create file \"%1\". Too many levels of symbolic links.\n")
                     .arg(a));
        QVERIFY(QFileInfo(a).isSymLink());
        QCOMPARE(QFileInfo(a).symLinkTarget(), b);
    }

    // The library's own diagnostics stay off the terminal; its failure is the program's one
    // message, and no damaged workbook is left.
    void workbookBeyondTheFileSizeLimit() {
        QTemporaryDir dir;
        const QString input = writeExaminee(dir.path(), members_.first());
        const QString target = dir.filePath(QStringLiteral("book.xlsx"));
        const Outcome outcome = run({input, QStringLiteral("--format"), QStringLiteral("xlsx"),
                                     QStringLiteral("-o"), target},
                                    [] {
                                        ::signal(SIGXFSZ, SIG_IGN);
                                        const rlimit limit{8192, 8192};
                                        setrlimit(RLIMIT_FSIZE, &limit);
                                    });
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.err.startsWith("Cannot make the workbook. ") ||
                     outcome.err.startsWith("Cannot write file"),
                 outcome.err.constData());
        QCOMPARE(outcome.err.count('\n'), 1);
        QVERIFY2(!outcome.err.contains("[ERROR]"), outcome.err.constData());
        QVERIFY(!QFile::exists(target));
    }

    // A file name that would clear the screen and retitle the terminal reaches it escaped.
    void escapeSequenceInAPath() {
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("\x1B]0;owned\x07\x1B[2J.cry"));
        const Outcome outcome = run({input});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(!outcome.err.contains('\x1B') && !outcome.err.contains('\x07'),
                 outcome.err.constData());
        QVERIFY2(outcome.err.contains("\\x1B]0;owned\\x07\\x1B[2J.cry"), outcome.err.constData());
    }

    void parsesChoiceAndNorms() {
        const ReportOptions options = parseReportOptions(
            {Program, QStringLiteral("--group"), QStringLiteral("Data"),
             QStringLiteral("--where=education=secondary,age=30-45"), QStringLiteral("--codes"),
             QStringLiteral("c.txt"), QStringLiteral("--skip-damaged"),
             QStringLiteral("--save-norm"), QStringLiteral("n.json"), QStringLiteral("--norm-name"),
             QStringLiteral(" Отдел продаж "), QStringLiteral("--norm-description"),
             QStringLiteral("весна"), QStringLiteral("--norm-file"), QStringLiteral("m.json"),
             QStringLiteral("--anonymous")});
        QVERIFY2(options.status == ReportOptions::Status::Run, qPrintable(options.text));
        const ReportRequest& r = options.request;
        GroupChoice choice;
        choice.filter.education = SecondaryEducation;
        choice.filter.minAge = 30;
        choice.filter.maxAge = 45;
        choice.skipDamaged = true;
        QVERIFY(r.choice == choice);
        QCOMPARE(r.codesFile, QStringLiteral("c.txt"));
        QCOMPARE(r.saveNormPath, QStringLiteral("n.json"));
        QCOMPARE(r.normName, QStringLiteral("Отдел продаж"));
        QCOMPARE(r.normDescription, QStringLiteral("весна"));
        QCOMPARE(r.normFile, QStringLiteral("m.json"));
        QVERIFY(r.anonymous);
    }

    // A group chosen on the command line, a damaged entry skipped, its norm saved and an
    // examinee compared with that norm, every name left out.
    void choiceNormsAndAnonymity() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Data"));
        QVERIFY(QDir().mkpath(data));
        QStringList codes;
        for (const SampleExaminee& e : members_) {
            QVERIFY(!writeExaminee(data, e).isEmpty());
            codes << e.code;
        }
        // An entry that cannot be read at all, whatever the choice.
        QVERIFY(QDir(data).mkdir(QStringLiteral("damaged.cry")));
        const QString codesFile = dir.filePath(QStringLiteral("codes.txt"));
        QVERIFY(writeFile(
            codesFile,
            (codes[0] + QStringLiteral("\n\n ") + codes[2] + QStringLiteral(" \n")).toUtf8()));
        const QString normPath = dir.filePath(QStringLiteral("norm.json"));

        const QStringList chosenMembers{QStringLiteral("--group"), data, QStringLiteral("--codes"),
                                        codesFile, QStringLiteral("--skip-damaged")};
        const QStringList groupRun = chosenMembers + QStringList{QStringLiteral("--satisfaction")};
        QCOMPARE(run(QStringList{QStringLiteral("--group"), data, QStringLiteral("--satisfaction")})
                     .exitCode,
                 1);
        const Outcome chosen =
            run(groupRun + QStringList{QStringLiteral("--save-norm"), normPath,
                                       QStringLiteral("--norm-name"), QStringLiteral("Отдел")});
        QCOMPARE(chosen.exitCode, 0);
        QVERIFY2(chosen.err.startsWith("Пропущено файлов: 1\ndamaged.cry: "),
                 chosen.err.constData());
        const QStringList report = lines(chosen.out);
        const qsizetype total = report.indexOf(QStringLiteral("Общее число: 2"));
        QVERIFY(total > 0);
        QCOMPARE(report.mid(total + 1, 3), QStringList({QStringLiteral("Пропущено файлов: 1"),
                                                        QStringLiteral("damaged.cry"), QString()}));
        // Nothing else of the report changes: it is the report of the chosen members alone.
        QTemporaryDir alone;
        QVERIFY(!writeExaminee(alone.path(), members_[0]).isEmpty());
        QVERIFY(!writeExaminee(alone.path(), members_[2]).isEmpty());
        QStringList expected = lines(
            run({QStringLiteral("--group"), alone.path(), QStringLiteral("--satisfaction")}).out);
        expected.insert(total + 1, QStringLiteral("damaged.cry"));
        expected.insert(total + 1, QStringLiteral("Пропущено файлов: 1"));
        QCOMPARE(report, expected);

        // The saved norm is the group's, and a comparison with it names it.
        const ReportOptions options =
            parseReportOptions(QStringList{Program} + groupRun +
                               QStringList{QStringLiteral("--save-norm"), normPath,
                                           QStringLiteral("--norm-name"), QStringLiteral("Отдел")});
        const Norm saved = readNormFile(readFile(normPath), normPath);
        QCOMPARE(saved, groupNorm(options.request, analyse(options.request)));
        QCOMPARE(saved.description, QStringLiteral("по списку кодов (2)"));
        const Outcome compared = run(
            {firstFile_, QStringLiteral("--norm-file"), normPath, QStringLiteral("--anonymous")});
        QCOMPARE(compared.exitCode, 0);
        const QStringList individualReport = lines(compared.out);
        QVERIFY(individualReport.contains(QStringLiteral("Нормирование: Отдел (N = 2)")));
        QVERIFY(individualReport.contains(QStringLiteral("Ф.И.О.: ")));

        const Outcome anonymous =
            run(chosenMembers + QStringList{QStringLiteral("--norm-file"), normPath,
                                            QStringLiteral("--anonymous"),
                                            QStringLiteral("--format"), QStringLiteral("csv")});
        QCOMPARE(anonymous.exitCode, 0);
        for (const SampleExaminee& e : members_) {
            QVERIFY(!anonymous.out.contains(e.name.section(u' ', 0, 0).toUtf8()));
            QVERIFY(!anonymous.out.contains(encodeWindows1251(e.name.section(u' ', 0, 0))));
        }
    }

    // --exclude-doubtful leaves the all-fast examinee out of the means and names it, by code
    // only under --anonymous; the rest of the report is that of the others alone.
    void excludeDoubtful() {
        QTemporaryDir dir;
        for (const SampleExaminee& e : members_)
            QVERIFY(!writeExaminee(dir.path(), e).isEmpty());
        SampleExaminee fast = members_.first();
        fast.code = QStringLiteral("999");
        fast.name = QStringLiteral("Быстров Пётр Петрович");
        fast.answerTimes.fill(0.5);
        QVERIFY(!writeExaminee(dir.path(), fast).isEmpty());

        const QStringList groupRun{QStringLiteral("--group"), dir.path(), QStringLiteral("--sex"),
                                   QStringLiteral("male"), QStringLiteral("--exclude-doubtful")};
        const Outcome excluded = run(groupRun);
        QCOMPARE(excluded.exitCode, 0);
        const QString err = QString::fromUtf8(excluded.err);
        QVERIFY2(err.startsWith(QStringLiteral("Исключено из группы (ответы требуют проверки): 1\n"
                                               "999. Быстров Пётр Петрович — 108 ответов")),
                 qPrintable(err));
        const QStringList report = lines(excluded.out);
        const qsizetype total = report.indexOf(QStringLiteral("Общее число: 3"));
        QVERIFY(total > 0);
        QCOMPARE(report.value(total + 1),
                 QStringLiteral("Исключено из группы (ответы требуют проверки): 1"));
        QVERIFY(
            report.value(total + 2).startsWith(QStringLiteral("999. Быстров Пётр Петрович — ")));

        // Apart from those lines, the report of the others alone.
        QTemporaryDir alone;
        for (const SampleExaminee& e : members_)
            QVERIFY(!writeExaminee(alone.path(), e).isEmpty());
        QStringList expected = lines(run({QStringLiteral("--group"), alone.path(),
                                          QStringLiteral("--sex"), QStringLiteral("male")})
                                         .out);
        expected.insert(total + 1, report.value(total + 2));
        expected.insert(total + 1, report.value(total + 1));
        QCOMPARE(report, expected);

        // Without the option the examinee is a member; under anonymity only its code shows.
        QVERIFY(lines(run(groupRun.mid(0, 4)).out).contains(QStringLiteral("Общее число: 4")));
        const Outcome anonymous = run(groupRun + QStringList{QStringLiteral("--anonymous")});
        QCOMPARE(anonymous.exitCode, 0);
        QVERIFY(!anonymous.err.contains("Быстров"));
        QVERIFY(!decodeWindows1251(anonymous.out).contains(QStringLiteral("Быстров")));
        QVERIFY(lines(anonymous.out).contains(QStringLiteral("999 — 108 ответов быстрее 2 с")));
    }

    // Codes of the list that no member has are named on standard error and in the report:
    // an error unless --skip-missing makes it a warning.
    void missingCodesNamed_data() {
        QTest::addColumn<bool>("skipMissing");
        QTest::newRow("error") << false;
        QTest::newRow("--skip-missing") << true;
    }
    void missingCodesNamed() {
        QFETCH(bool, skipMissing);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Data"));
        QVERIFY(QDir().mkpath(data));
        for (const SampleExaminee& e : members_)
            QVERIFY(!writeExaminee(data, e).isEmpty());
        const QString codesFile = dir.filePath(QStringLiteral("codes.txt"));
        QVERIFY(writeFile(codesFile, (members_[0].code + QStringLiteral("\n999\n10l\n")).toUtf8()));
        QStringList arguments{QStringLiteral("--group"), data, QStringLiteral("--satisfaction"),
                              QStringLiteral("--codes"), codesFile};
        if (skipMissing)
            arguments << QStringLiteral("--skip-missing");
        const Outcome outcome = run(arguments);
        QCOMPARE(outcome.exitCode, skipMissing ? 0 : 1);
        const QString err = QString::fromUtf8(outcome.err);
        QVERIFY2(err.contains(QStringLiteral("(2): 10l, 999")), qPrintable(err));
        QCOMPARE(err.startsWith(QStringLiteral("Предупреждение")), skipMissing);
        const QStringList report = lines(outcome.out);
        const qsizetype at = report.indexOf(QStringLiteral("Не найдены коды из списка: 2"));
        QVERIFY(at > 0);
        QCOMPARE(report.mid(at + 1, 2),
                 (QStringList{QStringLiteral("10l"), QStringLiteral("999")}));
        QVERIFY(report.contains(QStringLiteral("Общее число: 1")));
    }

    // --save-norm and -o, for the report made whole and for the tables written member by
    // member: when either file cannot be written the other is left as it was.
    void normAndOutputBothOrNeither_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("text report") << QStringLiteral("txt");
        QTest::newRow("CSV table") << QStringLiteral("csv");
        QTest::newRow("workbook") << QStringLiteral("xlsx");
    }
    void normAndOutputBothOrNeither() {
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Data"));
        QVERIFY(QDir().mkpath(data));
        for (const SampleExaminee& e : members_)
            QVERIFY(!writeExaminee(data, e).isEmpty());
        const auto runWith = [&](const QString& norm, const QString& output) {
            return run({QStringLiteral("--group"), data, QStringLiteral("--satisfaction"),
                        QStringLiteral("--format"), format, QStringLiteral("--save-norm"), norm,
                        QStringLiteral("--norm-name"), QStringLiteral("Отдел"),
                        QStringLiteral("-o"), output})
                .exitCode;
        };
        const QString normPath = dir.filePath(QStringLiteral("norm.json"));
        const QString outputPath = dir.filePath(QStringLiteral("output.") + format);
        const QString unwritable = dir.filePath(QStringLiteral("missing/file.") + format);
        QVERIFY(writeFile(normPath, "the earlier norm"));
        QVERIFY(writeFile(outputPath, "the earlier output"));
        // The output fails: the norm stays the earlier one, or is not made at all.
        QCOMPARE(runWith(normPath, unwritable), 1);
        QCOMPARE(readFile(normPath), QByteArray("the earlier norm"));
        const QString fresh = dir.filePath(QStringLiteral("fresh.json"));
        QCOMPARE(runWith(fresh, unwritable), 1);
        QVERIFY(!QFileInfo::exists(fresh));
        // The norm fails: the output stays the earlier one.
        QCOMPARE(runWith(dir.filePath(QStringLiteral("missing/n.json")), outputPath), 1);
        QCOMPARE(readFile(outputPath), QByteArray("the earlier output"));
        // Both can be written: both are.
        QCOMPARE(runWith(normPath, outputPath), 0);
        QVERIFY(readFile(normPath) != "the earlier norm");
        QVERIFY(readFile(outputPath) != "the earlier output");
    }

    void retestComparedWithEarlierTest() {
        QTemporaryDir dir;
        SampleExaminee earlier = generatedExaminee(4711u, 7);
        earlier.code = members_[0].code;
        earlier.testDate = QStringLiteral("12.03.2024");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("earlier")));
        const QString earlierFile = writeExaminee(dir.filePath(QStringLiteral("earlier")), earlier);
        QVERIFY(!earlierFile.isEmpty());
        const Outcome retest = run({firstFile_, QStringLiteral("--retest"), earlierFile});
        QCOMPARE(retest.exitCode, 0);
        const QStringList report = lines(retest.out);
        QVERIFY2(report.contains(QStringLiteral("Нормирование: Обследование 12.03.2024 (N = 1)")),
                 qPrintable(report.join(u'\n')));
        // The report is that of the file against the norm made of the earlier one.
        const AnalysisState expected = withNorm(individualAnalysis(firstFile_),
                                                normFromExaminee(individualAnalysis(earlierFile)));
        ReportRequest request;
        request.input = firstFile_;
        request.retestFile = earlierFile;
        QCOMPARE(analyse(request).comparison.chi, expected.comparison.chi);

        // A folder of several tests of the examinee: the most recent one before the retest,
        // neither the oldest nor one taken after it.
        const QDate tested = parseShortDate(individualAnalysis(firstFile_).header.testDate);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("several")));
        const QString several = dir.filePath(QStringLiteral("several"));
        int index = 20;
        for (const QDate date : {tested.addYears(-3), tested.addYears(-1), tested.addDays(1)}) {
            SampleExaminee test = generatedExaminee(4711u, index);
            test.code = members_[0].code;
            test.testDate = date.toString(QStringLiteral("dd.MM.yyyy"));
            QVERIFY(writeFile(several + QStringLiteral("/v%1.cry").arg(index++),
                              makeResponseFile(test)));
        }
        const Outcome chosen = run({firstFile_, QStringLiteral("--retest"), several});
        QCOMPARE(chosen.exitCode, 0);
        const QString recent = tested.addYears(-1).toString(QStringLiteral("dd.MM.yyyy"));
        QVERIFY2(lines(chosen.out)
                     .contains(QStringLiteral("Нормирование: Обследование %1 (N = 1)").arg(recent)),
                 chosen.out.constData());

        const QString otherFile = writeExaminee(dir.path(), members_[1]);
        const Outcome refused = run({firstFile_, QStringLiteral("--retest"), otherFile});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.out.isEmpty());
        const QString message = QString::fromLocal8Bit(refused.err);
        QVERIFY2(message.contains(members_[1].code) && message.contains(QStringLiteral("разным")),
                 qPrintable(message));
    }

    void malformedNormFileRefused() {
        QTemporaryDir dir;
        const QString normPath = dir.filePath(QStringLiteral("norm.json"));
        QVERIFY(writeFile(normPath, "{\"format\": \"ezr-norm\", \"version\": 1}"));
        const Outcome outcome = run({firstFile_, QStringLiteral("--norm-file"), normPath});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY(outcome.out.isEmpty());
        QVERIFY2(outcome.err.contains("norm.json") && outcome.err.contains("name"),
                 outcome.err.constData());
    }

    void wrongUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no arguments") << QStringList{};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--colour")};
        QTest::newRow("file and group")
            << QStringList{QStringLiteral("a.cry"), QStringLiteral("--group"), QStringLiteral("D"),
                           QStringLiteral("--satisfaction")};
        QTest::newRow("group without criterion")
            << QStringList{QStringLiteral("--group"), QStringLiteral("D")};
        QTest::newRow("bad norm") << QStringList{QStringLiteral("a.cry"),
                                                 QStringLiteral("--norm=x")};
        QTest::newRow("bad encoding")
            << QStringList{QStringLiteral("a.cry"), QStringLiteral("--encoding=latin1")};
        QTest::newRow("retest of a group")
            << QStringList{QStringLiteral("--group"), QStringLiteral("D"),
                           QStringLiteral("--satisfaction"), QStringLiteral("--retest=a.cry")};
        QTest::newRow("retest and norm file")
            << QStringList{QStringLiteral("a.cry"), QStringLiteral("--retest=b.cry"),
                           QStringLiteral("--norm-file=n.json")};
        QTest::newRow("bad --where")
            << QStringList{QStringLiteral("--group"), QStringLiteral("D"),
                           QStringLiteral("--satisfaction"), QStringLiteral("--where=age=x")};
    }
    void wrongUsage() {
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("report.txt"));
        const QByteArray old("kept\r\n");
        QVERIFY(writeFile(target, old));
        const Outcome outcome = run(arguments + QStringList{QStringLiteral("-o"), target});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY(outcome.out.isEmpty());
        const QStringList message = QString::fromLocal8Bit(outcome.err).split(QLatin1Char('\n'));
        QCOMPARE(message.size(), 3); // reason, hint, and the final line end
        QVERIFY2(message[0].startsWith(QStringLiteral("ezr-report: ")), qPrintable(message[0]));
        QVERIFY2(message[1].contains(QStringLiteral("--help")), qPrintable(message[1]));
        QCOMPARE(readFile(target), old);
    }

private:
    static bool lineWithComma(const QStringList& report, const QString& start) {
        for (const QString& line : report)
            if (line.startsWith(start))
                return line.contains(QLatin1Char(',')) && !line.contains(QLatin1Char('.'));
        return false;
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
