// The list read by every core and its filter and order computed on a worker: every entry once,
// in the folder's order; the same order as the column's comparison; and the last of several
// requests made while one is computed is the one shown.

#include "Domain.h"
#include "ExamineeListModel.h"
#include "FolderEntries.h"
#include "SampleMaker.h"

#include <QAbstractItemModelTester>
#include <QDirIterator>
#include <QFile>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <bit>

using namespace ezr;

namespace {

// More entries than are arranged in place, so that every arrangement goes to the worker.
constexpr int EntryCount = 3 * ExamineeFilterModel::ArrangeInPlaceRows;

// Entries with many equal values: few names (Russian, in mixed case, "Ё" among them), codes
// that are numbers and codes that are not, dates and ages unknown for some, unreadable ones.
QList<ExamineeEntry> entries(int count, int from, quint32 seed) {
    static const QStringList names = {"Иванов И.",   "иванов и.", "Ёлкина А.",  "Щукин Б.",
                                      "абрамова В.", "Яшин Г.",   "Абрамова в."};
    QRandomGenerator random(seed);
    QList<ExamineeEntry> list;
    for (int i = from; i < from + count; ++i) {
        ExamineeEntry e;
        // Listed in no particular order: the file names are not in listing order.
        e.fileName = QStringLiteral("%1-%2.cry").arg(random.bounded(1000)).arg(i);
        if (random.bounded(40) == 0) {
            e.problem = QStringLiteral("Строка %1 не читается").arg(random.bounded(3));
            list.append(e);
            continue;
        }
        const int code = int(random.bounded(300));
        e.header.code = code % 7 == 0 ? QStringLiteral("К-%1").arg(code) : QString::number(code);
        e.header.name = names[qsizetype(random.bounded(int(names.size())))];
        e.header.sex = random.bounded(2) ? MaleSex : FemaleSex;
        e.header.education = random.bounded(2) ? HigherEducation : SecondaryEducation;
        if (random.bounded(10) != 0)
            e.testDate = QDate(2020 + random.bounded(5), 1 + random.bounded(12), 1);
        if (random.bounded(10) != 0)
            e.age = 20 + random.bounded(40);
        e.quality.doubts = std::uint8_t(random.bounded(4) == 0 ? random.bounded(32) : 0);
        list.append(e);
    }
    return list;
}

// The column's comparison, written apart from the list's: numbers before texts and in their
// value, texts without regard to case; an unknown date or age first.
int compareTexts(const QString& a, const QString& b) {
    bool aNumber = false;
    bool bNumber = false;
    const qint64 x = a.toLongLong(&aNumber);
    const qint64 y = b.toLongLong(&bNumber);
    if (aNumber != bNumber)
        return aNumber ? -1 : 1;
    if (aNumber)
        return x < y ? -1 : (x > y ? 1 : 0);
    return QString::compare(a, b, Qt::CaseInsensitive);
}

template <typename T> int compareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareIn(int column, const ExamineeEntry& a, const ExamineeEntry& b) {
    switch (ExamineeListModel::Column(column)) {
    case ExamineeListModel::FileColumn:
        return compareTexts(a.fileName, b.fileName);
    case ExamineeListModel::CodeColumn:
        return compareTexts(a.header.code, b.header.code);
    case ExamineeListModel::NameColumn:
        return compareTexts(a.header.name, b.header.name);
    case ExamineeListModel::SexColumn:
        return compareTexts(a.header.sex, b.header.sex);
    case ExamineeListModel::EducationColumn:
        return compareTexts(a.header.education, b.header.education);
    case ExamineeListModel::DateColumn:
        if (a.testDate.isValid() != b.testDate.isValid())
            return a.testDate.isValid() ? 1 : -1;
        return compareValues(a.testDate, b.testDate);
    case ExamineeListModel::AgeColumn:
        return compareValues(a.age.value_or(-1), b.age.value_or(-1));
    case ExamineeListModel::ProblemColumn:
        return compareTexts(a.problem, b.problem);
    case ExamineeListModel::QualityColumn:
        return compareValues(std::popcount(unsigned(a.quality.doubts)),
                             std::popcount(unsigned(b.quality.doubts)));
    case ExamineeListModel::ColumnCount:
        break;
    }
    return 0;
}

// The file names `table` should show: those `keep` takes, by `column` and then by file name,
// the whole reversed when falling.
QStringList expectedFiles(const ExamineeListModel& table, int column, Qt::SortOrder order,
                          const std::function<bool(const ExamineeEntry&)>& keep) {
    QList<ExamineeEntry> kept;
    for (int row = 0; row < table.rowCount(); ++row)
        if (keep(table.entry(row)))
            kept.append(table.entry(row));
    std::sort(kept.begin(), kept.end(), [column](const ExamineeEntry& a, const ExamineeEntry& b) {
        const int byColumn = compareIn(column, a, b);
        return byColumn != 0 ? byColumn < 0 : compareTexts(a.fileName, b.fileName) < 0;
    });
    QStringList files;
    for (const ExamineeEntry& e : kept)
        files.append(e.fileName);
    if (order == Qt::DescendingOrder)
        std::reverse(files.begin(), files.end());
    return files;
}

QStringList shownFiles(const ExamineeFilterModel& rows) {
    QStringList files;
    for (int row = 0; row < rows.rowCount(); ++row)
        files.append(rows.index(row, ExamineeListModel::FileColumn).data().toString());
    return files;
}

bool everybody(const ExamineeEntry&) {
    return true;
}

} // namespace

class TestExamineeOrder : public QObject {
    Q_OBJECT

private slots:
    // Read in pieces by several threads and put back together: every entry once, in the order
    // the folder lists them, each with its own header, the damaged one with its reason.
    void listsEveryEntryOnceInTheFoldersOrder() {
        QTemporaryDir folder;
        QHash<QString, QString> codes;
        for (int i = 0; i < 1234; ++i) {
            const SampleExaminee examinee = generatedExaminee(29u, i);
            QFile file(folder.filePath(responseFileName(examinee)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(makeResponseFile(examinee));
            codes.insert(responseFileName(examinee), examinee.code);
        }
        QFile damaged(folder.filePath(QStringLiteral("damaged.cry")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a response file");
        damaged.close();
        QStringList expected;
        QDirIterator entries(folder.path(),
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (entries.hasNext())
            if (isResponseFileCandidate(entries.nextFileInfo().fileName()))
                expected.append(entries.fileName());

        ExamineeListing listing;
        QStringList listed;
        connect(&listing, &ExamineeListing::entriesRead, this,
                [&](const QList<ExamineeEntry>& batch) {
                    for (const ExamineeEntry& e : batch) {
                        listed.append(e.fileName);
                        QCOMPARE(e.readable(), e.fileName != QStringLiteral("damaged.cry"));
                        QCOMPARE(e.header.code, codes.value(e.fileName));
                    }
                });
        QSignalSpy finished(&listing, &ExamineeListing::finished);
        listing.start(folder.path());
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().toString(), QString());
        QCOMPARE(listed, expected);
    }

    void sortsOnTheWorkerAsTheColumnCompares_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<bool>("onlyWomen");
        for (int column = 0; column < ExamineeListModel::ColumnCount; ++column) {
            const QString name =
                ExamineeListModel().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            QTest::addRow("%s rising", qPrintable(name)) << column << Qt::AscendingOrder << false;
            QTest::addRow("%s falling", qPrintable(name)) << column << Qt::DescendingOrder << false;
        }
        QTest::newRow("women by name")
            << int(ExamineeListModel::NameColumn) << Qt::AscendingOrder << true;
        QTest::newRow("women by age, falling")
            << int(ExamineeListModel::AgeColumn) << Qt::DescendingOrder << true;
    }

    void sortsOnTheWorkerAsTheColumnCompares() {
        QFETCH(int, column);
        QFETCH(Qt::SortOrder, order);
        QFETCH(bool, onlyWomen);
        ExamineeListModel table;
        ExamineeFilterModel rows;
        rows.setSourceModel(&table);
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.append(entries(EntryCount, 0, 29u + quint32(column)));
        if (onlyWomen) {
            MemberFilter women;
            women.sex = FemaleSex;
            rows.setMemberFilter(women);
        }
        rows.sort(column, order);
        QVERIFY(rows.arranging());
        QTRY_VERIFY_WITH_TIMEOUT(!rows.arranging(), 20000);
        const auto keep = [onlyWomen](const ExamineeEntry& e) {
            return !onlyWomen || (e.readable() && e.header.sex == FemaleSex);
        };
        QCOMPARE(shownFiles(rows), expectedFiles(table, column, order, keep));
    }

    // Requests made one after another while the first is computed: the last order, over the
    // filter asked for before it and over the rows read meanwhile, is shown, and only it; the
    // selected entries and the current one stay selected and current.
    void theLastRequestIsShownWithTheSelectionKept() {
        ExamineeListModel table;
        ExamineeFilterModel rows;
        rows.setSourceModel(&table);
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.append(entries(EntryCount, 0, 7u));
        QTRY_VERIFY_WITH_TIMEOUT(!rows.arranging(), 20000);
        QItemSelectionModel selection(&rows);
        const QStringList chosen = {shownFiles(rows).at(5), shownFiles(rows).at(EntryCount - 3)};
        for (const int row : {5, EntryCount - 3})
            selection.select(rows.index(row, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection.setCurrentIndex(rows.index(5, 0), QItemSelectionModel::NoUpdate);

        QSignalSpy arranged(&rows, &ExamineeFilterModel::arranged);
        rows.sort(ExamineeListModel::NameColumn, Qt::AscendingOrder);
        rows.sort(ExamineeListModel::CodeColumn, Qt::DescendingOrder);
        rows.sort(ExamineeListModel::DateColumn, Qt::DescendingOrder);
        QVERIFY(rows.arranging());
        QTRY_VERIFY_WITH_TIMEOUT(!rows.arranging(), 20000);
        QCOMPARE(arranged.size(), 1);
        QCOMPARE(shownFiles(rows), expectedFiles(table, ExamineeListModel::DateColumn,
                                                 Qt::DescendingOrder, everybody));
        QStringList selected;
        for (const QModelIndex& index : selection.selectedRows())
            selected.append(index.data().toString());
        selected.sort();
        QStringList expected = chosen;
        expected.sort();
        QCOMPARE(selected, expected);
        QCOMPARE(selection.currentIndex().data().toString(), chosen.first());

        // A filter, then an order, then more entries read, all before either is computed.
        MemberFilter women;
        women.sex = FemaleSex;
        rows.setMemberFilter(women);
        rows.sort(ExamineeListModel::AgeColumn, Qt::AscendingOrder);
        table.append(entries(500, EntryCount, 8u));
        QTRY_VERIFY_WITH_TIMEOUT(!rows.arranging(), 20000);
        QCOMPARE(shownFiles(rows), expectedFiles(table, ExamineeListModel::AgeColumn,
                                                 Qt::AscendingOrder, [](const ExamineeEntry& e) {
                                                     return e.readable() &&
                                                            e.header.sex == FemaleSex;
                                                 }));
    }
};

QTEST_MAIN(TestExamineeOrder)
#include "tst_examineeorder.moc"
