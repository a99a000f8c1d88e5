#pragma once

#include "AnalysisData.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// One examinee's answer sheet as a response file holds it: what the entry form and the table
// import make, and what a response file is read back into for correcting.
namespace ezr {

// The columns of an import table; the form names its fields the same way, so a problem reads
// alike wherever it is shown.
inline const QString TestDateColumn = QStringLiteral("Дата обследования");
inline const QString BirthDateColumn = QStringLiteral("Дата рождения");
inline const QString CodeColumn = QStringLiteral("Код");
inline const QString NameColumn = QStringLiteral("Ф.И.О.");
inline const QString SexColumn = QStringLiteral("Пол");
inline const QString EducationColumn = QStringLiteral("Образование");
// "17" for the answer to item 17, "t17" for its answer time.
QString itemColumn(int item);
QString timeColumn(int item);

// The column captions above the item lines, as the data-entry program writes line 10.
inline const QString ItemColumnCaption = QStringLiteral("   РО   ПО   Время");

// Timing lines of a sheet whose answer times were not measured.
std::array<QString, 4> handEnteredTimingLines();
std::array<QString, 4> importedTimingLines(bool timesMeasured);
inline const QString TimesNotMeasuredText = QStringLiteral("Время ответа не измерялось");

// How an item was answered: the resultative statement (mark 1 0), the procedural one (0 1),
// or neither (anything else, the empty sheet included).
enum class ItemAnswer { None, Resultative, Procedural };
ItemAnswer itemAnswer(MarkPair marks);
MarkPair marksFor(ItemAnswer answer);
// An answer as a table or a keyboard gives it: "РО"/"ПО", "1"/"2", "Р"/"П", and R/P or H/G
// (the keys of Р and П typed in the Latin layout), any case, blanks around; empty text is
// no answer. Nothing when the text is none of these.
std::optional<ItemAnswer> answerFromText(QStringView text);

struct AnswerSheet {
    QString testDate;  // line 0, the regional short date
    QString birthDate; // line 1
    QString code;      // line 2, also the file name
    QString name;      // line 3
    QString sex;       // line 4, "Мужской" or "Женский"
    QString education; // line 5, "Высшее" or "Среднее"
    std::array<QString, 4> timingLines = handEnteredTimingLines(); // lines 6-9
    QString line10 = ItemColumnCaption;
    std::array<MarkPair, ItemCount> marks{};     // item order 1..108
    std::array<double, ItemCount> answerTimes{}; // seconds; 0 when not measured

    friend bool operator==(const AnswerSheet&, const AnswerSheet&) = default;
};

// Whether any answer time was measured: a sheet entered by hand has all 108 at zero.
bool answerTimesMeasured(const std::array<double, ItemCount>& times);

// One reason why a sheet cannot be written: the column (or field) and what is wrong with it.
struct SheetProblem {
    QString column;
    QString reason;
    int item = 0; // the item (1..108) whose answer the problem is about; 0 for any other column
    friend bool operator==(const SheetProblem&, const SheetProblem&) = default;
};

// The longest name, timing line or other header text a sheet may carry: with 108 item lines
// the response file stays far below the reader's limit (MaxResponseFileSize).
inline constexpr int MaxSheetTextLength = 1000;

// Everything that keeps the sheet from being written as a response file that reads back as
// entered: real, plausible dates in a form readTestDate and readBirthDate take (a test date
// from 1990 to tomorrow, an age from 14 to 100), a code usable as a file name, the sex and
// education texts, texts a Windows-1251 line can hold (at most MaxSheetTextLength characters),
// every item answered, finite answer times >= 0 that fit their columns. Whether the code is free in
// the data folder is the caller's business. Empty when the sheet may be written.
QList<SheetProblem> checkSheet(const AnswerSheet& sheet);

// The sheet held by the stored bytes of a response file, answers and times as they stand.
// Throws AnalysisError as the reader does.
AnswerSheet readAnswerSheet(QByteArrayView stored);

} // namespace ezr
