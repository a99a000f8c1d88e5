#include "Regional.h"
#include "ResultGrids.h"
#include "ResultSheet.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ezr;

namespace {

void clickCell(ResultGrid* grid, int column, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// Left and right edge of a cell in the coordinates of the grids' common parent.
QPair<int, int> cellSpan(const ResultGrid* grid, int column) {
    const QRect cell = grid->visualRect(grid->model()->index(0, column));
    const QPoint left = grid->viewport()->mapTo(grid->parentWidget(), cell.topLeft());
    return {left.x(), left.x() + cell.width() - 1};
}

} // namespace

class TestResultGrids : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void layoutOfTheGrids_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QList<int>>("cellWidths");
        QTest::addColumn<int>("rows");
        QList<int> stimulus{200}, motive{200}, orientation{200};
        for (int i = 0; i < 18; ++i)
            stimulus << 33;
        for (int i = 0; i < 8; ++i)
            motive << 44;
        motive << 47;
        for (int i = 0; i < 12; ++i)
            orientation << 33;
        QTest::newRow("sgResult3") << int(GridKind::StimulusBand) << "sgResult3"
                                   << QRect(8, 66, 817, 46) << QList<int>{200, 203, 203, 203} << 3;
        QTest::newRow("sgResult3a") << int(GridKind::StimulusGrid) << "sgResult3a"
                                    << QRect(8, 87, 817, 88) << stimulus << 4;
        QTest::newRow("sgResult") << int(GridKind::MotiveBand) << "sgResult"
                                  << QRect(8, 206, 613, 45) << QList<int>{200, 89, 89, 89, 89, 47}
                                  << 2;
        QTest::newRow("sgResulta")
            << int(GridKind::MotiveGrid) << "sgResulta" << QRect(8, 227, 613, 152) << motive << 7;
        QTest::newRow("sgResult2") << int(GridKind::OrientationBand) << "sgResult2"
                                   << QRect(8, 414, 613, 45) << QList<int>{200, 203, 203} << 2;
        QTest::newRow("sgResult2a") << int(GridKind::OrientationGrid) << "sgResult2a"
                                    << QRect(8, 435, 613, 88) << orientation << 4;
    }
    void layoutOfTheGrids() {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QList<int>, cellWidths);
        QFETCH(int, rows);
        QWidget panel;
        panel.resize(1024, 730);
        ResultGrid grid(static_cast<GridKind>(kind), &panel);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(grid.objectName(), name);
        QCOMPARE(grid.geometry(), rect);
        QCOMPARE(grid.columnCount(), cellWidths.size());
        QCOMPARE(grid.rowCount(), rows);
        QCOMPARE(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        for (int c = 0; c < cellWidths.size(); ++c)
            QCOMPARE(grid.visualRect(grid.model()->index(0, c)).width(), cellWidths[c]);
        for (int r = 0; r < rows; ++r) {
            const int height = grid.visualRect(grid.model()->index(r, 0)).height();
            QCOMPARE(height, kind == int(GridKind::MotiveGrid) && r == 3 ? 21 : 20);
        }
        // The data grids show every cell inside the grid.
        if (grid.geometryOfGrid().chiColumn >= 0 || grid.geometryOfGrid().chiRow >= 0) {
            const QRect last =
                grid.visualRect(grid.model()->index(rows - 1, int(cellWidths.size()) - 1));
            QVERIFY(grid.viewport()->rect().contains(last));
        }
    }

    void bandHeadingsStandAboveTheirColumns() {
        QWidget panel;
        panel.resize(1024, 730);
        ResultGrid band(GridKind::MotiveBand, &panel);
        ResultGrid grid(GridKind::MotiveGrid, &panel);
        ResultGrid band2(GridKind::OrientationBand, &panel);
        ResultGrid grid2(GridKind::OrientationGrid, &panel);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        // Each stimulus heading over an РО and a ПО column, the sum over "балл." and "%".
        for (int heading = 1; heading <= 4; ++heading) {
            QCOMPARE(cellSpan(&band, heading).first, cellSpan(&grid, 2 * heading - 1).first);
            QCOMPARE(cellSpan(&band, heading).second, cellSpan(&grid, 2 * heading).second);
        }
        QCOMPARE(cellSpan(&band, 5), cellSpan(&grid, 9));
        for (int heading = 1; heading <= 2; ++heading) {
            QCOMPARE(cellSpan(&band2, heading).first, cellSpan(&grid2, 6 * heading - 5).first);
            QCOMPARE(cellSpan(&band2, heading).second, cellSpan(&grid2, 6 * heading).second);
        }
        // The data grid lies over the band below its first row.
        QCOMPARE(grid.y() - band.y(), 21);
        QVERIFY(panel.children().indexOf(&grid) > panel.children().indexOf(&band));
    }

    void textsRoundTripVerbatim() {
        QWidget panel;
        ResultGrid grid(GridKind::MotiveGrid, &panel);
        const ResultSheet sheet = initialSheet();
        grid.setTexts(sheet.motiveGrid);
        QVERIFY(grid.texts() == sheet.motiveGrid);
        // Headings keep their blanks.
        QVERIFY(grid.text(0, 3).endsWith(QStringLiteral("Утилитарность ")));
        QVERIFY(grid.text(0, 4).endsWith(QStringLiteral("Кооперация    ")));
        QCOMPARE(grid.text(8, 0), QStringLiteral("    %"));
    }

    void significanceColouring_data() {
        QTest::addColumn<double>("chiSquare");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("3.84 shown as 3.8") << 3.84 << QColor(0, 128, 0);
        QTest::newRow("3.86 shown as 3.9") << 3.86 << QColor(128, 0, 0);
        QTest::newRow("zero") << 0.0 << QColor(0, 128, 0);
        QTest::newRow("large") << 25.0 << QColor(128, 0, 0);
    }
    void significanceColouring() {
        QFETCH(double, chiSquare);
        QFETCH(QColor, colour);
        QWidget panel;
        QWidget chartPanel(&panel);
        ResultGrid grid(GridKind::MotiveGrid, &panel);
        ResultGrid orientation(GridKind::OrientationGrid, &panel);
        // The cells and their verdicts as the window gets them from an analysis.
        AnalysisState state;
        state.kind = AnalysisKind::Individual;
        state.comparison.chi.profile1[1] = chiSquare;
        state.comparison.chi.profile2[4] = chiSquare;
        const ResultSheet sheet = formatSheet(state);
        grid.setTexts(sheet.motiveGrid);
        grid.setChiVerdicts(sheet.motiveChiVerdicts);
        orientation.setTexts(sheet.orientationGrid);
        orientation.setChiVerdicts(sheet.orientationChiVerdicts);
        QCOMPARE(grid.text(9, 2).trimmed(), QLocale().toString(chiSquare, 'f', 1));
        QCOMPARE(orientation.text(5, 3).trimmed(), QLocale().toString(chiSquare, 'f', 1));

        // Detached: plain.
        QCOMPARE(grid.cellDrawing()->look(9, 2).text, QColor(128, 0, 0));
        QVERIFY(!grid.cellDrawing()->look(9, 2).bold);

        grid.cellDrawing()->attach(&chartPanel);
        orientation.cellDrawing()->attach(&chartPanel);
        QCOMPARE(grid.cellDrawing()->look(9, 2).text, colour);
        QVERIFY(grid.cellDrawing()->look(9, 2).bold);
        QCOMPARE(grid.cellDrawing()->look(9, 2).background, QColor(Qt::white));
        QCOMPARE(orientation.cellDrawing()->look(5, 3).text, colour);
        // Only the chi-square cells.
        QCOMPARE(grid.cellDrawing()->look(8, 2).text, QColor(128, 0, 0));
        QVERIFY(!grid.cellDrawing()->look(8, 2).bold);
        QCOMPARE(grid.cellDrawing()->look(7, 2).text, QColor(128, 0, 0));
        QCOMPARE(orientation.cellDrawing()->look(5, 2).text, QColor(128, 0, 0));

        // Only while the chart panel is visible.
        chartPanel.hide();
        QVERIFY(!grid.cellDrawing()->look(9, 2).bold);
        chartPanel.show();
        QVERIFY(grid.cellDrawing()->look(9, 2).bold);
        grid.cellDrawing()->detach();
        QVERIFY(!grid.cellDrawing()->look(9, 2).bold);
    }

    // The colour comes from the verdict the grid is given, never from the cell's text; a
    // cell without a verdict (not judged yet) stays plain.
    void colourFollowsTheVerdictNotTheText() {
        QWidget panel;
        QWidget chartPanel(&panel);
        ResultGrid grid(GridKind::StimulusGrid, &panel);
        grid.cellDrawing()->attach(&chartPanel);
        grid.item(3, 4)->setText(QStringLiteral("    0,0"));
        QVERIFY(!grid.cellDrawing()->look(4, 3).bold);
        QCOMPARE(grid.cellDrawing()->look(4, 3).text, QColor(128, 0, 0));

        std::array<Verdict, Profile3Cells> verdicts{};
        verdicts[3] = Verdict::BeyondNorm; // column 4
        verdicts[4] = Verdict::WithinNorm;
        grid.setChiVerdicts(verdicts);
        QVERIFY(grid.cellDrawing()->look(4, 3).bold);
        QCOMPARE(grid.cellDrawing()->look(4, 3).text, QColor(128, 0, 0));
        QCOMPARE(grid.cellDrawing()->look(5, 3).text, QColor(0, 128, 0));
        QVERIFY(!grid.cellDrawing()->look(6, 3).bold);
        QCOMPARE(grid.cellDrawing()->look(6, 3).text, QColor(128, 0, 0));
    }

    void fixedCellsLookFixed() {
        QWidget panel;
        ResultGrid grid(GridKind::OrientationGrid, &panel);
        QVERIFY(grid.cellDrawing()->look(0, 2).fixed);
        QVERIFY(grid.cellDrawing()->look(4, 0).fixed);
        QVERIFY(!grid.cellDrawing()->look(4, 2).fixed);
        QCOMPARE(grid.cellDrawing()->look(4, 2).background, QColor(Qt::white));
        QVERIFY(grid.cellDrawing()->look(0, 2).background != QColor(Qt::white));
        QCOMPARE(grid.font().pixelSize() <= 13, true);
    }

    void selectingReportsDataCellsOnly() {
        QWidget panel;
        panel.resize(1024, 730);
        ResultGrid band(GridKind::StimulusBand, &panel);
        ResultGrid grid(GridKind::StimulusGrid, &panel);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QSignalSpy selected(&grid, &ResultGrid::cellSelected);
        QSignalSpy bandSelected(&band, &ResultGrid::cellSelected);

        clickCell(&grid, 5, 2);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.last(), (QList<QVariant>{5, 2}));
        clickCell(&grid, 5, 2); // again
        QCOMPARE(selected.size(), 2);
        clickCell(&grid, 0, 2); // fixed column
        clickCell(&grid, 3, 0); // fixed row
        QCOMPARE(selected.size(), 2);
        QTest::keyClick(grid.viewport(), Qt::Key_Right);
        QCOMPARE(selected.size(), 3);
        QCOMPARE(selected.last(), (QList<QVariant>{6, 2}));
        QTest::mouseClick(band.viewport(), Qt::LeftButton, {}, QPoint(300, 10));
        QCOMPARE(bandSelected.size(), 0);
    }
};

QTEST_MAIN(TestResultGrids)
#include "tst_resultgrids.moc"
