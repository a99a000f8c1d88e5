#include "AnalysisData.h"
#include "ExplanationTexts.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <vector>

using namespace ezr;

namespace {

// A description as the information field receives it: its pieces in order, the words it must
// open with and the length each piece was written to.
struct TextCase {
    const char* name;
    std::vector<QString> pieces;
    QString opening;
    std::vector<qsizetype> lengths;
};

template <std::size_t N> std::vector<QString> piecesOf(const std::array<QString, N>& pieces) {
    return {pieces.begin(), pieces.end()};
}

QString joined(const std::vector<QString>& pieces) {
    QString text;
    for (const QString& piece : pieces)
        text += piece;
    return text;
}

// A motive description is written to one total length however it is cut into pieces; only the
// Utilitarian one needs a second piece.
struct MotiveCase {
    const char* name;
    Motive motive;
    QString opening;
    qsizetype length;
};

std::vector<MotiveCase> motiveCases() {
    return {
        {"Transformation", Motive::Transformation,
         QStringLiteral("Преобразовательный мотив. Стремление к решению интересных задач"), 206},
        {"Communication", Motive::Communication,
         QStringLiteral(
             "Коммуникативный мотив. Стремление к установлению контакта с другими людьми"),
         236},
        {"Utilitarian", Motive::Utilitarian,
         QStringLiteral("Утилитарно-прагматический мотив. Стремление делать только то, что "
                        "приносит очевидную пользу"),
         276},
        {"Cooperation", Motive::Cooperation,
         QStringLiteral("Кооперативный мотив. Стремление рассматривать свою работу с точки зрения"),
         230},
        {"Competition", Motive::Competition,
         QStringLiteral("Конкурентный мотив. Стремление быть первым среди лучших"), 204},
        {"Achievement", Motive::Achievement,
         QStringLiteral("Мотив достижения. Стремление к преодолению трудностей"), 223},
    };
}

const TextPieces& motiveText(Motive motive) {
    return MotiveTexts.at(static_cast<int>(motive));
}

std::vector<TextCase> textCases() {
    std::vector<TextCase> cases;
    for (const MotiveCase& m : motiveCases()) {
        const TextPieces& pieces = motiveText(m.motive);
        cases.push_back({m.name, piecesOf(pieces), m.opening, {}});
    }
    cases.push_back(
        {"Resultative",
         piecesOf(OrientationTexts.at(static_cast<int>(Orientation::Resultative))),
         QStringLiteral(
             "Результирующая ориентация (РО) обозначает более высокий уровень активности."),
         {224, 162}});
    cases.push_back(
        {"Procedural",
         piecesOf(OrientationTexts.at(static_cast<int>(Orientation::Procedural))),
         QStringLiteral("Процессуальная смысловая ориентация (ПО) означает, что активность "
                        "человека ограничена"),
         {223, 188}});
    // The stimulus text has no fixed opening; its fixed sentence is checked on its own.
    cases.push_back({"Stimulus", piecesOf(StimulusText), QString(), {243, 249, 64}});
    cases.push_back({"Inclusion",
                     piecesOf(InclusionText),
                     QStringLiteral("Индекс включенности в коллектив, для группы этот "
                                    "показатель можно назвать"),
                     {253, 253, 254, 201, 122}});
    cases.push_back({"Innovation",
                     piecesOf(InnovationText),
                     QStringLiteral("Важным показателем жизнеспособности индивида и группы в "
                                    "современном быстро меняющемся мире"),
                     {249, 251, 253, 159}});
    return cases;
}

bool withinTolerance(qsizetype actual, qsizetype stated) {
    return actual * 100 >= stated * 85 && actual * 100 <= stated * 115;
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT

private slots:
    void openings_data();
    void openings();
    void pieceLengths_data();
    void pieceLengths();
    void motiveShape_data();
    void motiveShape();
    void piecesJoinCleanly_data();
    void piecesJoinCleanly();
    void encodableAsWindows1251_data();
    void encodableAsWindows1251();
    void plainCharactersOnly_data();
    void plainCharactersOnly();
    void stimulusExplainsTheChoice();
    void innovationEndsWithNorm();
};

void TestTexts::openings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opening");
    for (const TextCase& c : textCases()) {
        if (c.opening.isEmpty())
            continue;
        QTest::newRow(c.name) << joined(c.pieces) << c.opening;
    }
}

void TestTexts::openings() {
    QFETCH(QString, text);
    QFETCH(QString, opening);
    QVERIFY2(text.startsWith(opening), qPrintable(text.left(opening.size())));
}

void TestTexts::pieceLengths_data() {
    QTest::addColumn<QString>("piece");
    QTest::addColumn<qsizetype>("stated");
    for (const TextCase& c : textCases()) {
        if (c.lengths.empty())
            continue; // motives: total length, see motiveShape
        QCOMPARE(c.pieces.size(), c.lengths.size());
        for (std::size_t i = 0; i < c.pieces.size(); ++i)
            QTest::addRow("%s piece %zu", c.name, i + 1) << c.pieces[i] << c.lengths[i];
    }
}

void TestTexts::pieceLengths() {
    QFETCH(QString, piece);
    QFETCH(qsizetype, stated);
    QVERIFY2(
        withinTolerance(piece.size(), stated),
        qPrintable(QStringLiteral("%1 characters, written for %2").arg(piece.size()).arg(stated)));
}

void TestTexts::motiveShape_data() {
    QTest::addColumn<int>("motive");
    QTest::addColumn<qsizetype>("stated");
    for (const MotiveCase& m : motiveCases())
        QTest::newRow(m.name) << static_cast<int>(m.motive) << m.length;
}

void TestTexts::motiveShape() {
    QFETCH(int, motive);
    QFETCH(qsizetype, stated);
    const TextPieces& pieces = MotiveTexts.at(motive);
    const QString text = joinPieces(pieces);

    QVERIFY(!pieces[0].isEmpty());
    QCOMPARE(!pieces[1].isEmpty(), motive == static_cast<int>(Motive::Utilitarian));
    QVERIFY2(
        withinTolerance(text.size(), stated),
        qPrintable(QStringLiteral("%1 characters, written for %2").arg(text.size()).arg(stated)));

    // The resultative form comes first, then "либо" and the procedural form.
    const qsizetype resultative = text.indexOf(QStringLiteral("(РО)"));
    const qsizetype either = text.indexOf(QStringLiteral("либо"));
    const qsizetype procedural = text.indexOf(QStringLiteral("(ПО)"));
    QVERIFY(resultative > 0);
    QVERIFY(either > resultative);
    QVERIFY(procedural > either);
}

void TestTexts::piecesJoinCleanly_data() {
    QTest::addColumn<QStringList>("pieces");
    for (const TextCase& c : textCases())
        QTest::newRow(c.name) << QStringList(c.pieces.begin(), c.pieces.end());
}

void TestTexts::piecesJoinCleanly() {
    QFETCH(QStringList, pieces);
    const QString twoBlanks = QStringLiteral("  ");
    QString previous;
    for (const QString& piece : pieces) {
        QVERIFY2(!piece.startsWith(twoBlanks), qPrintable(piece.left(20)));
        QVERIFY2(!piece.endsWith(twoBlanks), qPrintable(piece.right(20)));
        // Joined without a separator, two pieces must meet at exactly one blank.
        if (!previous.isEmpty() && !piece.isEmpty())
            QVERIFY2(previous.endsWith(QLatin1Char(' ')) != piece.startsWith(QLatin1Char(' ')),
                     qPrintable(previous.right(20) + QLatin1Char('|') + piece.left(20)));
        if (!piece.isEmpty())
            previous = piece;
    }
    const QString text = pieces.join(QString());
    QVERIFY(!text.contains(twoBlanks));
    QVERIFY2(text.endsWith(QLatin1Char('.')), qPrintable(text.right(20)));
}

void TestTexts::encodableAsWindows1251_data() {
    QTest::addColumn<QString>("piece");
    for (const TextCase& c : textCases())
        for (std::size_t i = 0; i < c.pieces.size(); ++i)
            QTest::addRow("%s piece %zu", c.name, i + 1) << c.pieces[i];
}

void TestTexts::encodableAsWindows1251() {
    QFETCH(QString, piece);
    QStringEncoder encoder("Windows-1251");
    QStringDecoder decoder("Windows-1251");
    QVERIFY(encoder.isValid());
    QVERIFY(decoder.isValid());

    const QByteArray bytes = encoder.encode(piece);
    QVERIFY(!encoder.hasError());
    QCOMPARE(bytes.size(), piece.size()); // single-byte: one byte per character
    const QString back = decoder.decode(bytes);
    QVERIFY(!decoder.hasError());
    QCOMPARE(back, piece);
}

void TestTexts::plainCharactersOnly_data() {
    encodableAsWindows1251_data();
}

// Windows-1251 also holds typographic signs (low quotes, ellipsis, dagger) that the window's
// font and the report readers do not all show alike; the texts keep to letters, digits,
// ordinary punctuation, the angle quotes, the dash and the numero sign.
void TestTexts::plainCharactersOnly() {
    QFETCH(QString, piece);
    const QString allowed = QStringLiteral(" .,:;!?()-%«»—№");
    for (const QChar c : piece) {
        const bool cyrillic =
            (c >= QChar(0x0410) && c <= QChar(0x044F)) || c == QChar(0x0401) || c == QChar(0x0451);
        const bool latin = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        QVERIFY2(cyrillic || latin || digit || allowed.contains(c),
                 qPrintable(QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))));
    }
}

void TestTexts::stimulusExplainsTheChoice() {
    const QString text = joinPieces(StimulusText);
    QVERIFY(text.contains(QStringLiteral("Так как методика предназначена для изучения "
                                         "смыслообразующих мотивов трудовой деятельности")));
    for (const QString& word :
         {QStringLiteral("труд"), QStringLiteral("деньги"), QStringLiteral("коллектив")})
        QVERIFY2(text.contains(word), qPrintable(word));
}

void TestTexts::innovationEndsWithNorm() {
    QVERIFY(joinPieces(InnovationText)
                .endsWith(QStringLiteral("За норму принимается величина 17,2%.")));
    QVERIFY(InnovationText.back().endsWith(QStringLiteral("За норму принимается величина 17,2%.")));
}

QTEST_APPLESS_MAIN(TestTexts)
#include "tst_texts.moc"
