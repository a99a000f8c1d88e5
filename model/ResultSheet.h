#pragma once

#include "Analysis.h"
#include "ShownValues.h"

#include <QList>
#include <QString>

// Every text that the result panel shows, formatted from an analysis state: the window, the
// text report and the PDF lay out the same texts, and nothing is read back from them.
namespace ezr {

class TextGrid {
public:
    TextGrid() = default;
    TextGrid(int columns, int rows) : columns_(columns), rows_(rows), cells_(qsizetype{columns} * rows) {}
    int columnCount() const { return columns_; }
    int rowCount() const { return rows_; }
    QString& cell(int column, int row) { return cells_[row * columns_ + column]; }
    const QString& cell(int column, int row) const { return cells_[row * columns_ + column]; }
    friend bool operator==(const TextGrid&, const TextGrid&) = default;

private:
    int columns_ = 0;
    int rows_ = 0;
    QList<QString> cells_;
};

// The columns of the motive grid (sgResulta): the motive's name, its six counts (per
// stimulus a resultative and a procedural one), then its raw score, percentage and chi-square.
namespace MotiveColumn {
inline constexpr int Name = 0;
inline constexpr int FirstCount = 1;
inline constexpr int Score = 7;
inline constexpr int Percent = 8;
inline constexpr int Chi = 9;
} // namespace MotiveColumn

// The rows of the orientation and stimulus grids: the motive numbers, then per profile cell
// its raw score, percentage and chi-square.
namespace ProfileRow {
inline constexpr int Heading = 0;
inline constexpr int Score = 1;
inline constexpr int Percent = 2;
inline constexpr int Chi = 3;
} // namespace ProfileRow

// The row of a motive in the motive grid, the column of a profile cell (profile2Index or
// profile3Index) in the orientation and stimulus grids.
constexpr int motiveRow(Motive motive) {
    return 1 + static_cast<int>(motive);
}
constexpr int profileCellColumn(int cell) {
    return 1 + cell;
}

inline const QString IndividualCaption = QStringLiteral("Ф.И.О.");
inline const QString GroupCaption = QStringLiteral("Группа");

struct ResultSheet {
    // Header fields.
    QString code;
    QString nameCaption = IndividualCaption;
    QString name;
    QString sex;
    QString education;
    QString testDate;
    QString age;
    QString norm;
    QString infoHint; // hint of the information icon: timing lines or the member list
    // What the window's information text shows above the hint and the text report leaves
    // out: a group's composition and norm, the answer quality (informationSummary).
    QStringList infoSummary;

    // Result fields written by the norm comparison.
    QString profile1X2, profile2X2, profile3X2;
    Verdict profile1X2Verdict = Verdict::None, profile2X2Verdict = Verdict::None,
            profile3X2Verdict = Verdict::None;
    QString profile1Caption, profile2Caption, profile3Caption;
    QString inclusionIndex, innovationIndex;
    Verdict inclusionIndexVerdict = Verdict::None, innovationIndexVerdict = Verdict::None;

    // Header bands and data grids, with their fixed headings.
    TextGrid motiveBand{6, 2};       // sgResult
    TextGrid motiveGrid{10, 7};      // sgResulta
    TextGrid orientationBand{3, 2};  // sgResult2
    TextGrid orientationGrid{13, 4}; // sgResult2a
    TextGrid stimulusBand{4, 3};     // sgResult3
    TextGrid stimulusGrid{19, 4};    // sgResult3a
    // The colours of the chi-square cells, judged on the values they show.
    std::array<Verdict, MotiveCount> motiveChiVerdicts{};
    std::array<Verdict, Profile2Cells> orientationChiVerdicts{};
    std::array<Verdict, Profile3Cells> stimulusChiVerdicts{};
    friend bool operator==(const ResultSheet&, const ResultSheet&) = default;
};

// A sheet with the fixed headings of the six grids and everything else empty.
ResultSheet initialSheet();

// What the result panel shows of the state; the initial sheet while nothing is analysed.
ResultSheet formatSheet(const AnalysisState& state);

// The hint of the information icon: the timing lines of an examinee, the member list of a
// group followed by the entries the run skipped. The sheet's infoHint joins them with CR LF.
QStringList informationLines(const AnalysisState& state);

// The window's information text: the summary lines, a blank line, the hint, with plain line
// breaks.
QString windowInformation(const ResultSheet& sheet);

// "[X2(профиль)кр. = ... для p = 0.05] " and, for profile 3, the single-cell value after it.
QString profileCaption(int profile, const NormComparison& comparison);

// Cell formats of the grids.
QString countText(double value);     // "    %2d", rounded half to even
QString decimalText(double value);   // "  %4.1f"
QString motiveChiText(double value); // "   %4.1f"
// A count or raw score of the analysis kind: "    %2d" for an examinee, "  %4.1f" for a group.
QString scoreText(double value, AnalysisKind kind);
// A profile chi-square: fixed 2 decimals after rounding to 5 significant digits.
QString profileX2Text(double x2);
// An index: one decimal.
QString indexText(double value);

} // namespace ezr
