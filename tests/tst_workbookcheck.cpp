// The workbook's read-back check on numbers: every numeric cell and every number attribute of
// a worksheet in the XML Schema's syntax, and the workbook itself written so under a locale
// whose decimal separator is a comma.

#include "ExamineeTable.h"
#include "TableFiles.h"
#include "WorkbookCheck.h"

#include <QtTest>

#include <clocale>
#include <cstdio>
#include <string>

using namespace ezr;

namespace {

const QByteArray Types = "<?xml version=\"1.0\"?><Types><Override "
                         "PartName=\"/xl/worksheets/sheet1.xml\"/></Types>";
const QString SheetPart = QStringLiteral("xl/worksheets/sheet1.xml");

QByteArray sheetWith(const QByteArray& cols, const QByteArray& cells, qsizetype padding) {
    QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet>" + cols +
                       "<sheetData><row r=\"1\" ht=\"15\">";
    // Rows enough to make a part larger than what is parsed whole.
    while (sheet.size() < padding)
        sheet += "<c r=\"A1\"><v>0.0404108</v></c>";
    return sheet + cells + "</row></sheetData><pageMargins left=\"0.7\" right=\"0.7\" " +
           "top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";
}

// The thread's LC_NUMERIC for the test's duration.
class NumericLocale {
public:
    explicit NumericLocale(const char* name) {
        saved_ = std::setlocale(LC_NUMERIC, nullptr);
        ok_ = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_ = false;
};

} // namespace

class TestWorkbookCheck : public QObject {
    Q_OBJECT

private slots:
    void numbersInSyntax_data() {
        QTest::addColumn<QByteArray>("cols");
        QTest::addColumn<QByteArray>("cells");
        QTest::addColumn<bool>("large");
        QTest::addColumn<QString>("bad"); // null: the workbook passes
        const QByteArray col = "<cols><col min=\"1\" max=\"1\" width=\"29.140625\"/></cols>";
        QTest::newRow("point") << col << QByteArray("<c r=\"B1\"><v>1.52302</v></c>") << false
                               << QString();
        QTest::newRow("exponent, sign, integer")
            << col << QByteArray("<c r=\"B1\" t=\"n\"><v>-1E-05</v></c><c r=\"C1\"><v>7</v></c>")
            << false << QString();
        QTest::newRow("text cells may hold a comma")
            << col
            << QByteArray("<c r=\"B1\" t=\"inlineStr\"><is><t>1,5</t></is></c>"
                          "<c r=\"C1\" t=\"s\"><v>3</v></c>")
            << false << QString();
        QTest::newRow("decimal comma") << col << QByteArray("<c r=\"B1\"><v>1,52302</v></c>")
                                       << false << QStringLiteral("1,52302");
        QTest::newRow("decimal comma, styled")
            << col << QByteArray("<c r=\"B1\" s=\"2\"><v>2,2</v></c>") << false
            << QStringLiteral("2,2");
        QTest::newRow("width with a comma")
            << QByteArray("<cols><col min=\"1\" max=\"1\" width=\"29,140625\"/></cols>")
            << QByteArray() << false << QStringLiteral("29,140625");
        QTest::newRow("empty value")
            << col << QByteArray("<c r=\"B1\"><v></v></c>") << false << QStringLiteral("");
        QTest::newRow("large part, comma at its end")
            << col << QByteArray("<c r=\"B1\"><v>16,7</v></c>") << true << QStringLiteral("16,7");
        QTest::newRow("large part in syntax")
            << col << QByteArray("<c r=\"B1\"><v>16.7</v></c>") << true << QString();
    }
    void numbersInSyntax() {
        QFETCH(QByteArray, cols);
        QFETCH(QByteArray, cells);
        QFETCH(bool, large);
        QFETCH(QString, bad);
        const QByteArray sheet = sheetWith(cols, cells, large ? 6 << 20 : 0);
        const std::optional<ArchiveDamage> damage = archiveDamage(
            storedZip({{"[Content_Types].xml", Types}, {SheetPart.toUtf8(), sheet}}), {SheetPart});
        QCOMPARE(bool(damage), !bad.isNull());
        if (damage) {
            QCOMPARE(damage->part, SheetPart);
            QVERIFY(damage->number);
            QCOMPARE(*damage->number, bad);
        }
    }

    // Under a locale whose decimal separator is a comma the library's own formatting would
    // write "1,52302" and a width of "29,140625": the workbook is written with points all the
    // same, and the caller's locale is as it was.
    void workbookUnderDecimalComma() {
        const NumericLocale russian("ru_RU.UTF-8");
        if (!russian.ok())
            QSKIP("the locale ru_RU.UTF-8 is not generated here");
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        QCOMPARE(QByteArray(probe), QByteArray("1,5"));

        SheetTable table;
        table.name = QStringLiteral("Обследуемые");
        table.rows.append({QStringLiteral("Хм2"), QStringLiteral("Среднее время")});
        table.rows.append({1.523021234, 16.700000000000003});
        table.showDecimals(1, 0, 2);
        QByteArray book;
        try {
            book = buildXlsx({table});
        } catch (const std::exception& error) {
            QFAIL(error.what());
        }
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        QCOMPARE(QByteArray(probe), QByteArray("1,5"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("book.xlsx"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(book) == book.size());
        file.close();
        const QByteArray sheet = unzipped(path, SheetPart);
        QVERIFY2(sheet.contains("<v>1.52302</v>"), sheet.constData());
        QVERIFY2(sheet.contains("<v>16.7</v>"), sheet.constData());
        QVERIFY(!archiveDamage(book, {SheetPart}));
    }
};

QTEST_GUILESS_MAIN(TestWorkbookCheck)
#include "tst_workbookcheck.moc"
