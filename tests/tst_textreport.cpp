#include "AnalysisError.h"
#include "OutputNames.h"
#include "ResponseFile.h"
#include "ResultSheet.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace ezr;

namespace {

const QLocale PointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale CommaLocale(QLocale::Russian, QLocale::Russia);

// The cell texts as the window shows them: each number right-aligned in its column width.
QStringList cells(int width, const QStringList& numbers) {
    QStringList texts;
    for (const QString& number : numbers)
        texts << number.rightJustified(width, QLatin1Char(' '));
    return texts;
}

void setRow(TextGrid& grid, int row, int firstColumn, const QStringList& texts) {
    for (int i = 0; i < texts.size(); ++i)
        grid.cell(firstColumn + i, row) = texts[i];
}

void setMotiveRow(TextGrid& grid, int row, const QString& label, const QStringList& counts,
                  const QString& score, const QString& percent, const QString& chi) {
    grid.cell(0, row) = label;
    setRow(grid, row, 1, cells(6, counts));
    grid.cell(7, row) = score.rightJustified(6, QLatin1Char(' '));
    grid.cell(8, row) = percent.rightJustified(6, QLatin1Char(' '));
    grid.cell(9, row) = chi.rightJustified(7, QLatin1Char(' '));
}

// The fixed headings of row 0 and column 0; row 0 never reaches the report.
void setHeadings(ResultSheet& sheet) {
    setRow(sheet.motiveGrid, 0, 0,
           {QStringLiteral(" Смыслообразующие мотивы"), QStringLiteral("   РО"),
            QStringLiteral("   ПО"), QStringLiteral("   РО"), QStringLiteral("   ПО"),
            QStringLiteral("   РО"), QStringLiteral("   ПО"), QStringLiteral("балл."),
            QStringLiteral("    %"), QStringLiteral("мотив.")});
    for (TextGrid* grid : {&sheet.orientationGrid, &sheet.stimulusGrid}) {
        grid->cell(0, 0) = QStringLiteral(" Смыслообразующие мотивы");
        for (int column = 1; column < grid->columnCount(); ++column)
            grid->cell(column, 0) = QStringLiteral("    %1").arg((column - 1) % 6 + 1);
        grid->cell(0, 1) = QStringLiteral(" Сумма баллов");
        grid->cell(0, 2) = QStringLiteral(" % ");
        grid->cell(0, 3) = QStringLiteral(" Xм2 ");
    }
}

const QStringList MotiveLabels = {
    QStringLiteral(" 1. Преобразование"), QStringLiteral(" 2. Коммуникация  "),
    QStringLiteral(" 3. Утилитарность "), QStringLiteral(" 4. Кооперация    "),
    QStringLiteral(" 5. Конкуренция   "), QStringLiteral(" 6. Достижение    ")};

// One examinee under a decimal-point locale; invented but consistent numbers.
ResultSheet individualSheet() {
    ResultSheet s;
    setHeadings(s);
    s.code = QStringLiteral("0457");
    s.testDate = QStringLiteral("06.06.2006");
    s.nameCaption = QStringLiteral("Ф.И.О.");
    s.name = QStringLiteral("Иванов Иван Иванович");
    s.sex = QStringLiteral("Мужской");
    s.education = QStringLiteral("Высшее");
    s.age = QStringLiteral("40.01");
    s.norm = QStringLiteral("Пол");
    s.infoHint = QStringLiteral("Время выполнения:\r\nНачало теста: 10:15:03\r\nОкончание "
                                "теста: 10:41:47\r\nВремя теста: 00:26:44\r\nСреднее время "
                                "ответа: 14,9 с");
    s.inclusionIndex = QStringLiteral("4.0");
    s.innovationIndex = QStringLiteral("16.6");
    s.profile1X2 = QStringLiteral("0.64");
    s.profile2X2 = QStringLiteral("1.57");
    s.profile3X2 = QStringLiteral("1.83");
    s.profile1Caption = QStringLiteral("[X2(профиль)кр. = 11.07 для p = 0.05] ");
    s.profile2Caption = QStringLiteral("[X2(профиль)кр. = 19.67 для p = 0.05] ");
    s.profile3Caption = QStringLiteral(
        "[X2(профиль)кр. = 26.36 для p = 0.05]    [X2(мотив)кр. =  3.84 для p = 0.05]");

    TextGrid& m = s.motiveGrid;
    setMotiveRow(m, 1, MotiveLabels[0], {"4", "3", "2", "4", "3", "4"}, "20", "18.5", "0.0");
    setMotiveRow(m, 2, MotiveLabels[1], {"2", "3", "3", "2", "3", "2"}, "15", "13.9", "0.3");
    setMotiveRow(m, 3, MotiveLabels[2], {"3", "4", "2", "3", "3", "3"}, "18", "16.7", "0.0");
    setMotiveRow(m, 4, MotiveLabels[3], {"4", "3", "4", "4", "3", "4"}, "22", "20.4", "0.1");
    setMotiveRow(m, 5, MotiveLabels[4], {"2", "3", "3", "2", "2", "2"}, "14", "13.0", "0.1");
    setMotiveRow(m, 6, MotiveLabels[5], {"3", "4", "3", "3", "3", "3"}, "19", "17.6", "0.3");

    TextGrid& o = s.orientationGrid;
    setRow(o, 1, 1, cells(6, {"9", "8", "8", "11", "7", "9", "11", "7", "10", "11", "7", "10"}));
    setRow(o, 2, 1,
           cells(6, {"8.3", "7.4", "7.4", "10.2", "6.5", "8.3", "10.2", "6.5", "9.3", "10.2", "6.5",
                     "9.3"}));
    setRow(o, 3, 1,
           cells(6, {"0.0", "0.0", "0.3", "0.1", "0.0", "0.0", "0.1", "0.5", "0.1", "0.0", "0.2",
                     "0.2"}));

    TextGrid& t = s.stimulusGrid;
    setRow(t, 1, 1,
           cells(6, {"7", "5", "7", "7", "5", "7", "6", "5", "5", "8", "5", "6", "7", "5", "6", "7",
                     "4", "6"}));
    setRow(t, 2, 1,
           cells(6, {"6.5", "4.6", "6.5", "6.5", "4.6", "6.5", "5.6", "4.6", "4.6", "7.4", "4.6",
                     "5.6", "6.5", "4.6", "5.6", "6.5", "3.7", "5.6"}));
    setRow(t, 3, 1,
           cells(6, {"0.1", "0.0", "0.0", "0.0", "0.1", "0.4", "0.1", "0.1", "0.2", "0.2", "0.0",
                     "0.0", "0.0", "0.2", "0.1", "0.0", "0.3", "0.0"}));
    return s;
}

// Twelve members compared with the secondary-education norm, under a decimal-comma locale.
ResultSheet groupSheet() {
    ResultSheet s;
    setHeadings(s);
    s.code = QStringLiteral("12");
    s.testDate = QStringLiteral("15.03.2024");
    s.nameCaption = QStringLiteral("Группа");
    s.name = QStringLiteral("Группа");
    s.education = QStringLiteral("Среднее");
    s.norm = QStringLiteral("Образование");
    s.infoHint = QStringList{QStringLiteral("Состав группы:"),
                             QStringLiteral("101. Алексеев Алексей Петрович"),
                             QStringLiteral("102. Борисова Анна Сергеевна"),
                             QStringLiteral("103. Васильев Игорь Олегович"),
                             QStringLiteral("104. Григорьева Ольга Ивановна"),
                             QStringLiteral("105. Дмитриев Павел Андреевич"),
                             QStringLiteral("106. Егорова Мария Николаевна"),
                             QStringLiteral("107. Жуков Сергей Викторович"),
                             QStringLiteral("108. Зайцева Елена Юрьевна"),
                             QStringLiteral("109. Ильин Артём Денисович"),
                             QStringLiteral("110. Ковалёва Наталья Петровна"),
                             QStringLiteral("111. Лебедев Михаил Ильич"),
                             QStringLiteral("112. Фёдорова Юлия Романовна"),
                             QStringLiteral("Общее число: 12")}
                     .join(QStringLiteral("\r\n"));
    s.inclusionIndex = QStringLiteral("2,8");
    s.innovationIndex = QStringLiteral("16,4");
    s.profile1X2 = QStringLiteral("2,19");
    s.profile2X2 = QStringLiteral("3,76");
    s.profile3X2 = QStringLiteral("3,29");
    s.profile1Caption = QStringLiteral("[X2(профиль)кр. = 11,07 для p = 0.05] ");
    s.profile2Caption = QStringLiteral("[X2(профиль)кр. = 19,67 для p = 0.05] ");
    s.profile3Caption = QStringLiteral(
        "[X2(профиль)кр. = 26,36 для p = 0.05]    [X2(мотив)кр. =  3,84 для p = 0.05]");

    TextGrid& m = s.motiveGrid;
    setMotiveRow(m, 1, MotiveLabels[0], {"3,4", "4,2", "3,2", "3,8", "3,7", "4,3"}, "22,6", "20,9",
                 "0,9");
    setMotiveRow(m, 2, MotiveLabels[1], {"2,5", "2,9", "3,0", "3,3", "2,3", "2,8"}, "16,8", "15,6",
                 "0,1");
    setMotiveRow(m, 3, MotiveLabels[2], {"4,3", "3,9", "2,8", "2,5", "3,2", "2,9"}, "19,6", "18,1",
                 "0,0");
    setMotiveRow(m, 4, MotiveLabels[3], {"3,4", "3,8", "3,9", "4,3", "3,3", "3,8"}, "22,4", "20,8",
                 "0,3");
    setMotiveRow(m, 5, MotiveLabels[4], {"1,8", "2,1", "2,5", "2,3", "1,8", "2,0"}, "12,5", "11,6",
                 "0,9");
    setMotiveRow(m, 6, MotiveLabels[5], {"2,2", "1,8", "2,0", "1,7", "3,3", "3,1"}, "14,1", "13,0",
                 "0,3");

    TextGrid& o = s.orientationGrid;
    setRow(o, 1, 1,
           cells(6, {"10,3", "7,8", "10,3", "10,6", "6,1", "7,5", "12,3", "9,0", "9,3", "11,8",
                     "6,4", "6,6"}));
    setRow(o, 2, 1,
           cells(6, {"9,5", "7,3", "9,5", "9,8", "5,6", "6,9", "11,4", "8,3", "8,6", "11,0", "5,9",
                     "6,1"}));
    setRow(o, 3, 1,
           cells(6, {"0,8", "0,0", "0,4", "0,6", "0,1", "0,0", "0,2", "0,2", "0,1", "0,0", "1,0",
                     "0,6"}));

    TextGrid& t = s.stimulusGrid;
    setRow(t, 1, 1,
           cells(6, {"7,6", "5,4", "8,3", "7,2", "3,9", "4,0", "7,0", "6,3", "5,3", "8,3", "4,8",
                     "3,7", "8,0", "5,1", "6,1", "7,0", "3,8", "6,4"}));
    setRow(t, 2, 1,
           cells(6, {"7,0", "5,0", "7,6", "6,6", "3,6", "3,7", "6,5", "5,9", "4,9", "7,6", "4,5",
                     "3,4", "7,4", "4,7", "5,6", "6,5", "3,5", "5,9"}));
    setRow(t, 3, 1,
           cells(6, {"0,4", "0,0", "0,2", "0,1", "0,3", "0,3", "0,1", "0,0", "0,2", "0,2", "0,2",
                     "0,5", "0,3", "0,2", "0,1", "0,0", "0,4", "0,0"}));
    return s;
}

// A sheet whose value cells all read as 0, so that single cells can be varied.
ResultSheet zeroSheet() {
    ResultSheet s = individualSheet();
    for (TextGrid* grid : {&s.orientationGrid, &s.stimulusGrid})
        for (int row = 1; row <= 3; ++row)
            for (int column = 1; column < grid->columnCount(); ++column)
                grid->cell(column, row) = QStringLiteral("     0");
    return s;
}

// The report as text lines; every line, the last one included, must end with CR LF.
QStringList reportLines(const QByteArray& report) {
    const QString text = decodeWindows1251(report);
    if (!text.endsWith(QStringLiteral("\r\n")))
        return {QStringLiteral("<report does not end with CR LF>")};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

QString lineStartingWith(const QStringList& lines, const QString& start) {
    for (const QString& line : lines)
        if (line.startsWith(start))
            return line;
    return {};
}

QStringList headerLines(const QStringList& lines) {
    QStringList header;
    for (const QString& line : lines) {
        header << line;
        if (line.startsWith(QStringLiteral("Нормирование: ")))
            break;
    }
    return header;
}

} // namespace

class TextReportTest : public QObject {
    Q_OBJECT

private:
    void compareWithFile(const QByteArray& report, const QString& fileName) {
        const QByteArray expected = readFile(QStringLiteral(EZR_TEST_DATA_DIR "/") + fileName);
        QVERIFY2(!expected.isEmpty(), qPrintable(fileName));
        QVERIFY2(!report.contains("\n\n") && report.count('\n') == report.count("\r\n"),
                 "every line ends with CR LF");
        const QStringList actualLines = reportLines(report);
        const QStringList expectedLines = reportLines(expected);
        for (int i = 0; i < qMin(actualLines.size(), expectedLines.size()); ++i)
            QCOMPARE(actualLines[i], expectedLines[i]);
        QCOMPARE(actualLines.size(), expectedLines.size());
        QCOMPARE(report, expected);
    }

private slots:
    void init() { QLocale::setDefault(PointLocale); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void individualReportMatchesHandWrittenFile() {
        const QStringList comment = {QStringLiteral("Мотивационный профиль сбалансирован, "
                                                    "выраженной"),
                                     QStringLiteral("направленности не выявлено.")};
        compareWithFile(buildTextReport({individualSheet(), comment}),
                        QStringLiteral("report_individual_point.txt"));
    }

    void groupReportMatchesHandWrittenFile() {
        QLocale::setDefault(CommaLocale);
        compareWithFile(buildTextReport({groupSheet(), {}}),
                        QStringLiteral("report_group_comma.txt"));
    }

    void reportIsWindows1251() {
        // "ё" (0xB8) and "Ф" (0xD4) of the member list, one byte each.
        QLocale::setDefault(CommaLocale);
        const QByteArray report = buildTextReport({groupSheet(), {}});
        QVERIFY(report.contains("112. \xD4\xB8\xE4\xEE\xF0\xEE\xE2\xE0"));
        QVERIFY(!report.startsWith("\xEF\xBB\xBF"));
        QVERIFY(report.startsWith("\xCA\xEE\xE4: 12\r\n"));
    }

    void proposedFileName_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("individual") << QStringLiteral("Ф.И.О.") << QStringLiteral("0457")
                                    << QStringLiteral("0457 Mel.Sb.txt");
        QTest::newRow("group of twelve")
            << QStringLiteral("Группа") << QStringLiteral("12") << QStringLiteral("12 Mel.Gr.txt");
        QTest::newRow("empty code")
            << QStringLiteral("Ф.И.О.") << QString() << QStringLiteral(" Mel.Sb.txt");
        QTest::newRow("any other caption is a group")
            << QStringLiteral("ф.и.о.") << QStringLiteral("7") << QStringLiteral("7 Mel.Gr.txt");
    }
    void proposedFileName() {
        QFETCH(QString, caption);
        QFETCH(QString, code);
        QFETCH(QString, expected);
        ResultSheet sheet;
        sheet.nameCaption = caption;
        sheet.code = code;
        QCOMPARE(ezr::proposedFileName(ReportFormat::Txt, sheet.code, sheet.isIndividual()),
                 expected);
    }

    void profileLineEndings_data() {
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("ending");
        for (const bool group : {false, true}) {
            const char* mode = group ? "group" : "individual";
            QTest::addRow("%s step 13", mode)
                << group << QStringLiteral("Профиль 1.  X2 = ") << QStringLiteral("0.05] ");
            QTest::addRow("%s step 18", mode)
                << group << QStringLiteral("Профиль 2.  X2 = ") << QStringLiteral("0.05] ");
            QTest::addRow("%s step 23", mode)
                << group << QStringLiteral("Профиль 3.  X2 = ") << QStringLiteral("p = 0.05]");
        }
    }
    void profileLineEndings() {
        QFETCH(bool, group);
        QFETCH(QString, start);
        QFETCH(QString, ending);
        if (group)
            QLocale::setDefault(CommaLocale);
        const ResultSheet sheet = group ? groupSheet() : individualSheet();
        const QString line = lineStartingWith(reportLines(buildTextReport({sheet, {}})), start);
        QVERIFY2(line.endsWith(ending), qPrintable(line));
        QVERIFY(!line.endsWith(QStringLiteral("  ")));
    }

    void headerLinesByMode_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<QString>("age");
        QTest::addColumn<QStringList>("expected");
        const QString code = QStringLiteral("Код: 5");
        const QString date = QStringLiteral("Дата обследования: 01.02.2024");
        const QString norm = QStringLiteral("Нормирование: Пол");
        QTest::newRow("individual") << QStringLiteral("Ф.И.О.") << QStringLiteral("Мужской")
                                    << QStringLiteral("Высшее") << QStringLiteral("40.01")
                                    << QStringList{code,
                                                   date,
                                                   QStringLiteral("Ф.И.О.: Имя"),
                                                   QStringLiteral("Пол: Мужской"),
                                                   QStringLiteral("Образование: Высшее"),
                                                   QStringLiteral("Возраст: 40.01"),
                                                   norm};
        QTest::newRow("individual with empty fields")
            << QStringLiteral("Ф.И.О.") << QString() << QString() << QString()
            << QStringList{code, date, QStringLiteral("Ф.И.О.: Имя"), QStringLiteral("Возраст: "),
                           norm};
        QTest::newRow("group by sex")
            << QStringLiteral("Группа") << QStringLiteral("Женский") << QString() << QString()
            << QStringList{code, date, QStringLiteral("Группа: Имя"),
                           QStringLiteral("Пол: Женский"), norm};
        QTest::newRow("group by education")
            << QStringLiteral("Группа") << QString() << QStringLiteral("Среднее") << QString()
            << QStringList{code, date, QStringLiteral("Группа: Имя"),
                           QStringLiteral("Образование: Среднее"), norm};
        QTest::newRow("group by satisfaction")
            << QStringLiteral("Группа") << QString() << QString() << QString()
            << QStringList{code, date, QStringLiteral("Группа: Имя"), norm};
        QTest::newRow("group never writes an age")
            << QStringLiteral("Группа") << QString() << QString() << QStringLiteral("40.01")
            << QStringList{code, date, QStringLiteral("Группа: Имя"), norm};
    }
    void headerLinesByMode() {
        QFETCH(QString, caption);
        QFETCH(QString, sex);
        QFETCH(QString, education);
        QFETCH(QString, age);
        QFETCH(QStringList, expected);
        ResultSheet sheet = individualSheet();
        sheet.code = QStringLiteral("5");
        sheet.testDate = QStringLiteral("01.02.2024");
        sheet.nameCaption = caption;
        sheet.name = QStringLiteral("Имя");
        sheet.sex = sex;
        sheet.education = education;
        sheet.age = age;
        QCOMPARE(headerLines(reportLines(buildTextReport({sheet, {}}))), expected);
    }

    void hintYieldsSeveralLines() {
        ResultSheet sheet = individualSheet();
        sheet.infoHint = QStringLiteral("Время выполнения:\r\na\r\nb\r\nc\r\nd");
        const QStringList lines = reportLines(buildTextReport({sheet, {}}));
        const qsizetype at = lines.indexOf(QStringLiteral("Время выполнения:"));
        QVERIFY(at > 0);
        QCOMPARE(lines.mid(at, 7),
                 (QStringList{QStringLiteral("Время выполнения:"), QStringLiteral("a"),
                              QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                              QString(), QStringLiteral("Включенность в коллектив: 4.0")}));
    }

    void commentBlock_data() {
        QTest::addColumn<QStringList>("comment");
        QTest::addColumn<QString>("ending");
        QTest::newRow("empty") << QStringList()
                               << QStringLiteral("\r\n\r\nКомментарий к анализу\r\n");
        QTest::newRow("one line") << QStringList{QStringLiteral("Вывод.")}
                                  << QStringLiteral("Комментарий к анализу\r\nВывод.\r\n");
        QTest::newRow("wrapped paragraph and an empty line")
            << QStringList{QStringLiteral("Длинный абзац, который панель"),
                           QStringLiteral("переносит на две строки."), QString(),
                           QStringLiteral("Второй абзац.")}
            << QStringLiteral("Комментарий к анализу\r\nДлинный абзац, который панель\r\n"
                              "переносит на две строки.\r\n\r\nВторой абзац.\r\n");
    }
    void commentBlock() {
        QFETCH(QStringList, comment);
        QFETCH(QString, ending);
        const QByteArray report = buildTextReport({individualSheet(), comment});
        QVERIFY2(report.endsWith(encodeWindows1251(ending)), report.right(120).constData());
        QCOMPARE(report.count(encodeWindows1251(QStringLiteral("Комментарий к анализу"))), 1);
    }

    void profileValue_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("written");
        QTest::newRow("count") << PointLocale << QStringLiteral("     3")
                               << QStringLiteral("   3.0");
        QTest::newRow("bare count")
            << CommaLocale << QStringLiteral("3") << QStringLiteral("   3.0");
        QTest::newRow("two digits")
            << PointLocale << QStringLiteral("    12") << QStringLiteral("  12.0");
        QTest::newRow("comma becomes point")
            << CommaLocale << QStringLiteral("  12,5") << QStringLiteral("  12.5");
        QTest::newRow("half away from zero")
            << CommaLocale << QStringLiteral("0,25") << QStringLiteral("   0.3");
        QTest::newRow("negative half")
            << PointLocale << QStringLiteral("-1.25") << QStringLiteral("  -1.3");
        QTest::newRow("exactly 6 wide")
            << PointLocale << QStringLiteral("1234.5") << QStringLiteral("1234.5");
        QTest::newRow("longer than 6: whole")
            << CommaLocale << QStringLiteral("123456,75") << QStringLiteral("123456.8");
        QTest::newRow("rounding lengthens")
            << PointLocale << QStringLiteral("99999.96") << QStringLiteral("100000.0");
    }
    void profileValue() {
        QFETCH(QLocale, locale);
        QFETCH(QString, cell);
        QFETCH(QString, written);
        QLocale::setDefault(locale);
        const QString zeros = QStringLiteral("   0.0").repeated(11);

        ResultSheet sheet = zeroSheet();
        sheet.orientationGrid.cell(1, 1) = cell;
        sheet.stimulusGrid.cell(12, 2) = cell;
        sheet.stimulusGrid.cell(13, 3) = cell;
        const QStringList lines = reportLines(buildTextReport({sheet, {}}));
        // Profile 2, first row: the value first, the rest pushed right when it is long.
        QVERIFY(lines.contains(QStringLiteral(" Сумма баллов") + written + zeros));
        // Profile 3, first band, last column; second band, first column.
        QVERIFY(lines.contains(QStringLiteral("           % ") + zeros + written));
        QVERIFY(lines.contains(QStringLiteral("         Xм2 ") + written +
                               QStringLiteral("   0.0").repeated(5)));
    }

    void longRowLabelIsWrittenWhole() {
        ResultSheet sheet = zeroSheet();
        sheet.orientationGrid.cell(0, 2) = QStringLiteral(" Проценты всех");
        const QStringList lines = reportLines(buildTextReport({sheet, {}}));
        QVERIFY(lines.contains(QStringLiteral(" Проценты всех") +
                               QStringLiteral("   0.0").repeated(12)));
    }

    void valueThatIsNoNumberThrows_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("profile");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cell");
        QTest::newRow("letters") << PointLocale << 2 << 5 << 1 << QStringLiteral("abc");
        QTest::newRow("empty cell") << PointLocale << 2 << 12 << 3 << QString();
        QTest::newRow("point under comma settings")
            << CommaLocale << 3 << 1 << 2 << QStringLiteral("  12.5");
        QTest::newRow("comma under point settings")
            << PointLocale << 3 << 18 << 3 << QStringLiteral("  12,5");
        QTest::newRow("trailing text") << PointLocale << 3 << 13 << 1 << QStringLiteral("3 x");
    }
    void valueThatIsNoNumberThrows() {
        QFETCH(QLocale, locale);
        QFETCH(int, profile);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, cell);
        QLocale::setDefault(locale);
        ResultSheet sheet = zeroSheet();
        (profile == 2 ? sheet.orientationGrid : sheet.stimulusGrid).cell(column, row) = cell;
        QVERIFY_THROWS_EXCEPTION(AnalysisError, buildTextReport({sheet, {}}));
    }

    void profileOneRowsAreTakenAsTheyStand() {
        // The motive grid is not re-read: any text goes through unchanged.
        ResultSheet sheet = individualSheet();
        sheet.motiveGrid.cell(9, 2) = QStringLiteral("  n/a");
        const QStringList lines = reportLines(buildTextReport({sheet, {}}));
        QVERIFY(lines.contains(QStringLiteral(
            " 2. Коммуникация       2     3     3     2     3     2    15  13.9  n/a")));
    }

    void writeCreatesAndReplaces() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("0457 Mel.Sb.txt"));
        const QByteArray first = QByteArray("first report, longer than the second\r\n");
        const QByteArray second = QByteArray("second\r\n");
        writeFileVerified(path, first);
        QCOMPARE(readFile(path), first);
        writeFileVerified(path, second);
        QCOMPARE(readFile(path), second);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("0457 Mel.Sb.txt")});
    }

    void failedWriteKeepsExistingFile_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("directory does not exist") << QStringLiteral("missing");
        QTest::newRow("parent is a file") << QStringLiteral("parent file");
        QTest::newRow("target is a directory") << QStringLiteral("directory");
        QTest::newRow("directory not writable") << QStringLiteral("read-only");
    }
    void failedWriteKeepsExistingFile() {
        QFETCH(QString, situation);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray old = QByteArray("the report saved before\r\n");
        QString path;
        QString existing; // a file that must keep its bytes
        if (situation == QLatin1String("missing")) {
            path = dir.filePath(QStringLiteral("Results/12 Mel.Gr.txt"));
        } else if (situation == QLatin1String("parent file")) {
            existing = dir.filePath(QStringLiteral("Results"));
            QVERIFY(writeFile(existing, old));
            path = existing + QStringLiteral("/12 Mel.Gr.txt");
        } else if (situation == QLatin1String("directory")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("12 Mel.Gr.txt")));
            path = dir.filePath(QStringLiteral("12 Mel.Gr.txt"));
        } else {
            existing = dir.filePath(QStringLiteral("12 Mel.Gr.txt"));
            QVERIFY(writeFile(existing, old));
            path = existing;
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
            if (::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0) {
                QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("This user may write into a read-only directory (root)");
            }
        }
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        bool thrown = false;
        try {
            writeFileVerified(path, QByteArray("new report\r\n"));
        } catch (const AnalysisError& error) {
            thrown = true;
            QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)),
                     qPrintable(error.message()));
            QVERIFY2(error.message().size() > QDir::toNativeSeparators(path).size() + 25,
                     qPrintable(error.message()));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(thrown);
        if (!existing.isEmpty())
            QCOMPARE(readFile(existing), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 before);
    }
};

QTEST_GUILESS_MAIN(TextReportTest)
#include "tst_textreport.moc"
