#include "WindowTestSupport.h"

#include "Contrast.h"
#include "ElidedLineEdit.h"
#include "ExamineeListModel.h"
#include "ExamineeListWindow.h"
#include "ExplanationTexts.h"
#include "LatinKeys.h"
#include "NormComparison.h"
#include "Regional.h"
#include "ResultSheet.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTextDocument>

using namespace ezr;

namespace {

const char* const TopLevelItems[] = {"mmOpen",     "mmGroup",        "mmSave",   "mmNorm",
                                     "mmProfiles", "mmChartAnswerT", "mmComment"};

QColor fieldColour(const QLineEdit* field) {
    return field->palette().color(QPalette::Text);
}

QColor expectedVerdictColour(Verdict verdict) {
    return verdict == Verdict::WithinNorm   ? QColor(0, 128, 0)
           : verdict == Verdict::BeyondNorm ? QColor(128, 0, 0)
                                            : QColor(Qt::black);
}

void compareGrids(const ResultGrid* grid, const TextGrid& expected) {
    QCOMPARE(grid->columnCount(), expected.columnCount());
    QCOMPARE(grid->rowCount(), expected.rowCount());
    for (int r = 0; r < expected.rowCount(); ++r)
        for (int c = 0; c < expected.columnCount(); ++c)
            QCOMPARE(grid->text(c, r), expected.cell(c, r));
}

// A press on the middle of a data cell, as the user selects it.
QString wholeNumber(double value) {
    return QLocale().toString(value, 'f', 0);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void startsWithEveryMenuItemHidden() {
        TestWindow window(false);
        QCOMPARE(window.form->windowTitle(), QStringLiteral("ZOLT - Опросник персонала"));
        QVERIFY(window.panel()->isHidden());
        for (const char* name : TopLevelItems)
            QVERIFY2(!window.action(name)->isVisible(), name);
        QVERIFY(window.about->isHidden());

        // Closing the About dialog by its title bar leaves the menus hidden ...
        window.form->showAboutDialog();
        QVERIFY(window.about->isVisible());
        window.about->close();
        QVERIFY(window.about->isHidden());
        for (const char* name : TopLevelItems)
            QVERIFY2(!window.action(name)->isVisible(), name);

        // ... and a later "OK" still reveals them, with only "Индивид" and "Группа" enabled.
        window.form->showAboutDialog();
        window.about->okButton()->click();
        QVERIFY(window.about->isHidden());
        for (const char* name : TopLevelItems) {
            QVERIFY2(window.action(name)->isVisible(), name);
            const bool enabled = QByteArray(name) == "mmOpen" || QByteArray(name) == "mmGroup";
            QCOMPARE(window.action(name)->isEnabled(), enabled);
        }
        QVERIFY(!window.action("mmPlotTime")->isEnabled());
        // The caption as it stands, its keyboard letter marked.
        QCOMPARE(window.action("mmOpen")->text(), QStringLiteral("&Индивид"));
        QCOMPARE(window.action("mmOpen")->statusTip(),
                 QStringLiteral("Загрузка из файла индивидуальных данных для анализа"));
        for (const char* name :
             {"mmOpen", "mmGroup", "mmSave", "mmNorm", "mmProfiles", "mmChartAnswerT", "mmComment",
              "mmAnalysis", "Chart4", "mmPlotTime"})
            QVERIFY2(!window.action(name)->icon().isNull(), name);
    }

    void aboutFromTheContextMenuAndF1IsOneDialog() {
        TestWindow window(false);
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));

        // Right button anywhere in the window: the window menu ends with a separator and
        // "О программе".
        QWidget* somewhere = window.find<QWidget>("Bevel1");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 1),
                                somewhere->mapToGlobal(QPoint(5, 1)));
        QApplication::sendEvent(somewhere, &event);
        auto* menu = window.find<QMenu>("systemMenu");
        QVERIFY(menu->isVisible());
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.last()->text(), QStringLiteral("&О программе"));
        QVERIFY(items.at(items.size() - 2)->isSeparator());
        items.last()->trigger();
        menu->hide();
        QVERIFY(window.about->isVisible());

        window.about->close();
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form.get(), Qt::Key_F1);
        QVERIFY(window.about->isVisible());
        QTest::keyClick(window.form.get(), Qt::Key_F1);
        QVERIFY(window.about->isVisible());
        QCOMPARE(window.form->findChildren<AboutDialog*>().size(), 1);
        for (const char* name : TopLevelItems)
            QVERIFY2(!window.action(name)->isVisible(), name);
    }

    void escapeClosesTheWindow_data() {
        QTest::addColumn<bool>("withAnalysis");
        QTest::newRow("at start") << false;
        QTest::newRow("analysis shown") << true;
    }
    void escapeClosesTheWindow() {
        QFETCH(bool, withAnalysis);
        TestWindow window;
        if (withAnalysis)
            window.open(window.addExaminee(testExaminee(0)));
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QLineEdit* focused = window.edit("ceName");
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Return); // Enter does nothing
        QVERIFY(window.form->isVisible());
        QTest::keyClick(focused, Qt::Key_Escape);
        QVERIFY(!window.form->isVisible());
    }

    // Markup in a response file (a name, a file name) is text: no label or hint draws it.
    void markupFromFilesShownAsText() {
        TestWindow window;
        SampleExaminee examinee = testExaminee(4);
        examinee.name = QStringLiteral("<b>Жирный</b>");
        const QString path = window.dataFile(QStringLiteral("<br>Строка<br>.cry"));
        TestWindow::writeBytes(path, makeResponseFile(examinee, decimalSeparator()));
        window.open(path);
        window.action("mmExaminees")->trigger();
        // What the user sees of a text Qt may take for rich text.
        const auto drawn = [](const QString& text, Qt::TextFormat format) {
            if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
                return text;
            QTextDocument document;
            document.setHtml(text);
            return document.toPlainText();
        };
        int seen = 0;
        const auto check = [&](const QString& text, Qt::TextFormat format, const QString& what) {
            for (const QString& marker : {examinee.name, QStringLiteral("<br>Строка<br>")}) {
                const QString word = marker.section(QLatin1Char('>'), 1, 1).section(u'<', 0, 0);
                if (!text.contains(word))
                    continue;
                ++seen;
                QVERIFY2(drawn(text, format).contains(marker),
                         qPrintable(what + QStringLiteral(": ") + text));
            }
        };
        for (QWidget* widget : QApplication::allWidgets()) {
            check(widget->toolTip(), Qt::AutoText, widget->objectName() + QStringLiteral(" hint"));
            if (auto* label = qobject_cast<QLabel*>(widget))
                check(label->text(), label->textFormat(), label->objectName());
            for (const QAction* action : widget->actions())
                check(action->toolTip(), Qt::AutoText,
                      action->objectName() + QStringLiteral(" hint"));
        }
        const QAbstractItemModel* list = window.form->examineeList()->table();
        QTRY_VERIFY(list->rowCount() > 0);
        for (int row = 0; row < list->rowCount(); ++row)
            for (int column = 0; column < list->columnCount(); ++column)
                check(list->index(row, column).data(Qt::ToolTipRole).toString(), Qt::AutoText,
                      QStringLiteral("list hint"));
        QVERIFY(seen >= 2);
    }

    // Esc belongs to the main window: in the About dialog it closes only the dialog, and the
    // analysis, the comment and the menus stay.
    void escapeInTheAboutDialogClosesOnlyTheDialog() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(1)));
        window.action("mmComment")->trigger();
        auto* comment = window.find<QTextEdit>("meComment");
        comment->setPlainText(QStringLiteral("Не сохранённый комментарий"));
        const ResultSheet before = formatSheet(window.form->analysis());
        window.form->showAboutDialog();
        QApplication::setActiveWindow(window.about);
        QTRY_COMPARE(QApplication::activeWindow(), window.about);
        QTest::keyClick(window.about->okButton(), Qt::Key_Escape);
        QVERIFY(!window.about->isVisible());
        QVERIFY(window.form->isVisible());
        QVERIFY(formatSheet(window.form->analysis()) == before);
        QCOMPARE(comment->toPlainText(), QStringLiteral("Не сохранённый комментарий"));
        for (const char* name : TopLevelItems)
            QVERIFY2(window.action(name)->isVisible(), name);
    }

    // Every menu of the window opens from the keyboard: each entry has one marked letter, and
    // no two entries of one menu share it.
    void everyMenuEntryHasItsOwnLetter() {
        TestWindow window;
        QList<const QWidget*> menus{window.form->menuBar()};
        for (const QMenu* menu : window.form->findChildren<QMenu*>())
            menus.append(menu);
        QVERIFY(menus.size() >= 10);
        for (const QWidget* menu : menus) {
            QSet<QChar> letters;
            for (const QAction* item : menu->actions()) {
                if (item->isSeparator())
                    continue;
                const QString text = item->text();
                const qsizetype at = text.indexOf(QLatin1Char('&'));
                QVERIFY2(at >= 0 && at + 1 < text.size() &&
                             text.indexOf(QLatin1Char('&'), at + 1) < 0,
                         qPrintable(text));
                const QChar letter = text.at(at + 1).toUpper();
                QVERIFY2(letter.isLetterOrNumber(), qPrintable(text));
                QVERIFY2(!letters.contains(letter), qPrintable(text));
                letters.insert(letter);
            }
        }
    }

    // The Russian letters of the menus lie on Latin keys: Alt with that key opens the menu
    // under a Latin layout, and inside it the Latin key chooses the entry.
    void latinKeysReachTheMenus_data() {
        QTest::addColumn<int>("menuKey");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("itemKey");
        QTest::addColumn<QString>("itemText");
        QTest::addColumn<int>("saveRequests");
        QTest::newRow("Alt+C: Сохранить, L: Данные анализа")
            << int(Qt::Key_C) << "mmSave" << int(Qt::Key_L) << "l" << 1;
        QTest::newRow("Alt+Y: Нормирование, J: Образование")
            << int(Qt::Key_Y) << "mmNorm" << int(Qt::Key_J) << "j" << 0;
        QTest::newRow("Alt+G: Профили, 2: Профиль 2")
            << int(Qt::Key_G) << "mmProfiles" << int(Qt::Key_2) << "2" << 0;
    }
    void latinKeysReachTheMenus() {
        QFETCH(int, menuKey);
        QFETCH(QString, menu);
        QFETCH(int, itemKey);
        QFETCH(QString, itemText);
        QFETCH(int, saveRequests);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(3)));
        QApplication::setActiveWindow(window.form.get());
        QTest::keyClick(window.form.get(), Qt::Key(menuKey), Qt::AltModifier);
        QMenu* opened = window.action(menu.toLatin1().constData())->menu();
        QTRY_VERIFY(opened->isVisible());
        QTest::sendKeyEvent(QTest::Click, opened, Qt::Key(itemKey), itemText, Qt::NoModifier);
        QTRY_VERIFY(!opened->isVisible() || opened->activeAction());
        QCOMPARE(window.dialogs.saveRequests.size(), saveRequests);
        if (opened->isVisible())
            QVERIFY(opened->activeAction()->menu() && opened->activeAction()->menu()->isVisible());
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    // The keys of the Russian letters in the Latin layout, and back.
    void latinKeyOfEachLetter_data() {
        QTest::addColumn<QString>("cyrillic");
        QTest::addColumn<QString>("latin");
        for (const auto& [c, l] : {std::pair{"С", "C"},
                                   {"н", "Y"},
                                   {"П", "G"},
                                   {"Б", ","},
                                   {"Ж", ";"},
                                   {"Х", "["},
                                   {"Ё", "`"}})
            QTest::newRow(c) << QString::fromUtf8(c) << QString::fromUtf8(l);
    }
    void latinKeyOfEachLetter() {
        QFETCH(QString, cyrillic);
        QFETCH(QString, latin);
        QCOMPARE(QString(latinKeyOf(cyrillic.at(0))), latin);
        QCOMPARE(QString(cyrillicKeyOf(latin.at(0).toLower())), cyrillic.toUpper());
        QVERIFY(latinKeyOf(QLatin1Char('A')).isNull());
    }

    // Under a dark desktop theme every caption and field of the result panel keeps a
    // readable contrast with what it sits on.
    void resultPanelReadableUnderADarkTheme() {
        const QPalette before = QApplication::palette();
        QPalette dark(QColor(53, 53, 53), QColor(35, 35, 35));
        dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
        dark.setColor(QPalette::Text, QColor(220, 220, 220));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        QApplication::setPalette(dark);
        {
            TestWindow window;
            window.open(window.addExaminee(testExaminee(5)));
            auto* panel = window.form->findChild<QWidget*>(QStringLiteral("paResult"));
            QVERIFY(panel);
            const QImage shot = panel->grab().toImage();
            int checked = 0;
            for (const QLabel* label : panel->findChildren<QLabel*>()) {
                if (!label->isVisible() || label->text().isEmpty())
                    continue;
                // What the label sits on, as drawn, beside its text.
                const QPoint at = label->mapTo(panel, QPoint(0, 0));
                const QColor ground = shot.pixelColor(at.x() + 1, at.y() + 1);
                const QColor ink = label->palette().color(label->foregroundRole());
                QVERIFY2(contrastRatio(ink, ground) >= 4.5,
                         qPrintable(QStringLiteral("%1 «%2»: %3 on %4")
                                        .arg(label->objectName(), label->text(), ink.name(),
                                             ground.name())));
                ++checked;
            }
            for (const QLineEdit* edit : panel->findChildren<QLineEdit*>()) {
                if (!edit->isVisible() || edit->text().isEmpty())
                    continue;
                const QColor ink = edit->palette().color(QPalette::Text);
                QVERIFY2(contrastRatio(ink, edit->palette().color(QPalette::Base)) >= 4.5,
                         qPrintable(edit->objectName()));
                ++checked;
            }
            QVERIFY(checked > 20);
            ExamineeListWindow list;
            for (const QLabel* label : list.findChildren<QLabel*>())
                QVERIFY2(contrastRatio(label->palette().color(QPalette::WindowText),
                                       label->palette().color(QPalette::Window)) >= 4.5,
                         qPrintable(label->text()));
        }
        QApplication::setPalette(before);
    }

    // A text longer than its field ends in "…" where it is cut, and is kept whole.
    void longFieldTextEndsInAnEllipsis_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("cut");
        QTest::newRow("own norm") << "Отдел продаж 2026 (N = 123)" << true;
        QTest::newRow("short") << "Пол" << false;
    }
    void longFieldTextEndsInAnEllipsis() {
        QFETCH(QString, text);
        QFETCH(bool, cut);
        ElidedLineEdit field;
        field.resize(90, 24);
        field.setText(text);
        QCOMPARE(field.text(), text);
        QCOMPARE(field.shownText().endsWith(QChar(0x2026)), cut);
        QCOMPARE(field.shownText() == text, !cut);
    }

    // A name typed without ".cry" finds the file; a name that is not there finds nothing.
    void openDialogFindsTheNameWithItsExtension() {
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(2));
        const QString stem = path.left(path.size() - 4);
        const QString filter = QStringLiteral("Data files (*.cry)");
        QCOMPARE(existingFileFor(stem, filter), QFileInfo(path).absoluteFilePath());
        QCOMPARE(existingFileFor(path, filter), QFileInfo(path).absoluteFilePath());
        QCOMPARE(existingFileFor(stem + QStringLiteral("9"), filter), QString());
        QCOMPARE(existingFileFor(stem, QStringLiteral("Все файлы (*)")), QString());
    }

    // F1, "OK" by Return, then the menu bar by F10 or Alt alone, and a command by its letter.
    void keyboardRouteToTheCommands() {
        TestWindow window(false);
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QMenuBar* bar = window.form->menuBar();
        QTest::keyClick(window.form.get(), Qt::Key_F10); // no menu yet: nothing happens
        QCOMPARE(bar->activeAction(), nullptr);

        QTest::keyClick(window.form.get(), Qt::Key_F1);
        QVERIFY(window.about->isVisible());
        QApplication::setActiveWindow(window.about);
        QTRY_COMPARE(QApplication::activeWindow(), window.about);
        QTest::keyClick(window.about->okButton(), Qt::Key_Return);
        QVERIFY(window.action("mmOpen")->isVisible());

        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form.get(), Qt::Key_F10);
        QCOMPARE(bar->activeAction(), window.action("mmOpen"));
        QTest::keyClick(bar, Qt::Key_Return);
        QCOMPARE(window.dialogs.openRequests.size(), 1); // "Индивид" asked for its file

        QTest::keyClick(window.form.get(), Qt::Key_Alt);
        QCOMPARE(bar->activeAction(), window.action("mmOpen"));
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->activeAction(), window.action("mmGroup"));
        QTest::keyClick(bar, Qt::Key_Escape);

        // Alt with the letter of "Группа" opens its menu.
        QTest::sendKeyEvent(QTest::Click, window.form.get(), Qt::Key(u'Г'), QStringLiteral("г"),
                            Qt::AltModifier);
        QMenu* group = window.action("mmGroup")->menu();
        QTRY_VERIFY(group->isVisible());
        group->hide();
        QVERIFY(window.form->isVisible());
    }

    // Space or Return on an index field shows its explanation as a click does.
    void indexFieldsExplainFromTheKeyboard_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("heading");
        QTest::newRow("inclusion, Space") << "ceIndex1" << int(Qt::Key_Space)
                                          << "Дополнительная информация: Включенность в коллектив";
        QTest::newRow("innovation, Return") << "ceIndex2" << int(Qt::Key_Return)
                                            << "Дополнительная информация: Инновационный потенциал";
    }
    void indexFieldsExplainFromTheKeyboard() {
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(QString, heading);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(6)));
        QLineEdit* index = window.edit(field.toLatin1().constData());
        const QString shown = index->text();
        index->setFocus();
        QTest::keyClick(index, Qt::Key(key));
        QCOMPARE(window.find<QPlainTextEdit>("mInfo")->toPlainText(),
                 field == QStringLiteral("ceIndex1") ? joinPieces(InclusionText)
                                                     : joinPieces(InnovationText));
        QCOMPARE(window.label("stInfo")->text(), heading);
        QCOMPARE(index->text(), shown); // the key typed nothing into the field
    }

    // A typed comment goes only when the user says so: on Esc, on closing the window and on a
    // new analysis, individual or group. Once in a report, it goes without a question.
    void commentIsNeverLostSilently_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "escape";
        QTest::newRow("closing the window") << "close";
        QTest::newRow("new examinee") << "open";
        QTest::newRow("group run") << "group";
    }
    void commentIsNeverLostSilently() {
        QFETCH(QString, how);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(7)));
        const QString next = window.addExaminee(testExaminee(8));
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        window.action("mmComment")->trigger();
        auto* comment = window.find<QTextEdit>("meComment");
        QCOMPARE(window.form->focusWidget(), comment); // the typing goes into the comment
        for (const QChar letter : QStringLiteral("Вывод"))
            QTest::sendKeyEvent(QTest::Click, comment, Qt::Key(letter.toUpper().unicode()),
                                QString(letter), Qt::NoModifier);
        QCOMPARE(window.form->comment(), QStringLiteral("Вывод"));

        const auto leave = [&] {
            if (how == QStringLiteral("escape"))
                QTest::keyClick(comment, Qt::Key_Escape);
            else if (how == QStringLiteral("close"))
                window.form->close();
            else if (how == QStringLiteral("open"))
                window.open(next);
            else
                window.action("mmGroupSatisfaction")->trigger();
        };
        const auto left = [&] {
            return how == QStringLiteral("escape") || how == QStringLiteral("close")
                       ? !window.form->isVisible()
                       : window.form->comment().isEmpty();
        };
        leave(); // "Нет": everything stays
        QCOMPARE(window.dialogs.questions.size(), 1);
        QVERIFY2(window.dialogs.questions.first().startsWith(
                     QStringLiteral("Комментарий не сохранён в отчёте.")),
                 qPrintable(window.dialogs.questions.first()));
        QVERIFY(!left());
        QCOMPARE(comment->toPlainText(), QStringLiteral("Вывод"));
        QCOMPARE(window.edit("ceCode")->text(), testExaminee(7).code);

        // Written into a report, the comment is kept safe: no question.
        window.dialogs.saveAnswers << window.resultsDir() + QStringLiteral("/r.txt");
        window.action("mmAnalysis")->trigger();
        leave();
        QCOMPARE(window.dialogs.questions.size(), 1);
        QVERIFY(left());

        // Typed again and not saved: "Да" lets it go.
        if (how == QStringLiteral("open") || how == QStringLiteral("group")) {
            comment->setPlainText(QStringLiteral("Ещё"));
            window.dialogs.questionAnswers << true;
            leave();
            QCOMPARE(window.dialogs.questions.size(), 2);
            QVERIFY(left());
        }
    }

    // The heading over the comment stays while grid cells are chosen; the explanation chosen
    // meanwhile comes back with its own heading when the comment goes.
    void headingsSayWhatIsShown() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(9)));
        QLabel* caption = window.label("stInfo");
        window.action("mmComment")->trigger();
        clickCell(window.grid("sgResulta"), 7, 2);
        QCOMPARE(caption->text(), QStringLiteral("Комментарий"));
        QTest::mouseClick(window.edit("ceIndex1"), Qt::LeftButton);
        QCOMPARE(caption->text(), QStringLiteral("Комментарий"));
        clickCell(window.grid("sgResult2a"), 3, 1);
        window.action("mmComment")->trigger();
        QCOMPARE(caption->text(), QStringLiteral("Дополнительная информация: Ориентации"));
        QCOMPARE(window.find<QPlainTextEdit>("mInfo")->toPlainText(),
                 joinPieces(OrientationTexts[0]));
    }

    // The current cell is seen after a click and after the arrow keys, framed over the
    // verdict colours, which stay as they are.
    void currentCellIsSeen() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(3)));
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        ResultGrid* grid = window.grid("sgResulta");
        const ResultSheet sheet = formatSheet(window.form->analysis());
        clickCell(grid, MotiveColumn::Chi, 2);
        QVERIFY(grid->hasFocus());
        CellLook cell = grid->cellDrawing()->look(MotiveColumn::Chi, 2);
        QVERIFY(cell.current && cell.focused);
        QVERIFY(cell.bold);
        QCOMPARE(cell.text, expectedVerdictColour(sheet.motiveChiVerdicts[1]));

        const auto frameShown = [&](int column, int row) {
            const QRect r = grid->visualRect(grid->model()->index(row, column));
            const QImage image = grid->viewport()->grab().toImage();
            return QColor(image.pixel(r.left(), r.center().y())) == currentCellFrame() &&
                   QColor(image.pixel(r.center().x(), r.bottom())) == currentCellFrame();
        };
        QVERIFY(frameShown(MotiveColumn::Chi, 2));

        QTest::keyClick(grid, Qt::Key_Down);
        QVERIFY(grid->cellDrawing()->look(MotiveColumn::Chi, 3).current);
        QVERIFY(!grid->cellDrawing()->look(MotiveColumn::Chi, 2).current);
        QVERIFY(frameShown(MotiveColumn::Chi, 3));
        QVERIFY(!frameShown(MotiveColumn::Chi, 2));

        // With the keyboard elsewhere the cell keeps a thinner frame and its white ground.
        window.edit("ceName")->setFocus();
        cell = grid->cellDrawing()->look(MotiveColumn::Chi, 3);
        QVERIFY(cell.current && !cell.focused);
        QCOMPARE(cell.background, QColor(Qt::white));
        QVERIFY(frameShown(MotiveColumn::Chi, 3));
    }

    void loadShowsTheCoresSheet() {
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(1));
        window.open(path);
        QVERIFY(window.dialogs.errors.isEmpty());
        QCOMPARE(window.dialogs.openRequests.size(), 1);
        const OpenDialogRequest request = window.dialogs.openRequests.first();
        QCOMPARE(request.title, QStringLiteral("Ввод данных Опросника - Мелира"));
        QCOMPARE(request.directory, window.dir.path() + QStringLiteral("/Data"));
        QCOMPARE(request.filter, QStringLiteral("Data files (*.cry)"));

        const AnalysisState core = coreIndividual(path);
        const ResultSheet expected = formatSheet(core);
        QVERIFY(formatSheet(window.form->analysis()) == expected);
        compareGrids(window.grid("sgResulta"), expected.motiveGrid);
        compareGrids(window.grid("sgResult2a"), expected.orientationGrid);
        compareGrids(window.grid("sgResult3a"), expected.stimulusGrid);
        compareGrids(window.grid("sgResult"), expected.motiveBand);
        QCOMPARE(window.edit("ceCode")->text(), expected.code);
        QCOMPARE(window.label("stName")->text(), QStringLiteral("Ф.И.О."));
        QCOMPARE(window.edit("ceNorm")->text(), QStringLiteral("Пол"));
        QCOMPARE(window.label("ImageInfo")->toolTip(), windowInformation(expected));
        QCOMPARE(window.label("ImageInfo")->toolTipDuration(), 50000);

        // Result fields and their colours.
        const struct {
            const char* name;
            QString text;
            Verdict verdict;
        } fields[] = {{"ceX21", expected.profile1X2, expected.profile1X2Verdict},
                      {"ceX22", expected.profile2X2, expected.profile2X2Verdict},
                      {"ceX23", expected.profile3X2, expected.profile3X2Verdict},
                      {"ceIndex1", expected.inclusionIndex, expected.inclusionIndexVerdict},
                      {"ceIndex2", expected.innovationIndex, expected.innovationIndexVerdict}};
        for (const auto& field : fields) {
            QCOMPARE(window.edit(field.name)->text(), field.text);
            QVERIFY(field.verdict != Verdict::None);
            QCOMPARE(fieldColour(window.edit(field.name)), expectedVerdictColour(field.verdict));
            QVERIFY(window.edit(field.name)->font().bold());
        }

        // Chi-square cells coloured by the cell drawing, every other cell plain maroon.
        for (const char* name : {"sgResulta", "sgResult2a", "sgResult3a"}) {
            const ResultGrid* grid = window.grid(name);
            QVERIFY(grid->cellDrawing()->isAttached());
            for (int r = 1; r < grid->rowCount(); ++r) {
                for (int c = 1; c < grid->columnCount(); ++c) {
                    const CellLook look = grid->cellDrawing()->look(c, r);
                    if (grid->isChiCell(c, r)) {
                        const double value = QLocale().toDouble(grid->text(c, r).trimmed());
                        QCOMPARE(look.text, value <= 3.84 ? QColor(0, 128, 0) : QColor(128, 0, 0));
                        QVERIFY(look.bold);
                    } else {
                        QCOMPARE(look.text, QColor(128, 0, 0));
                        QVERIFY(!look.bold);
                    }
                }
            }
        }

        // The panel, Chart1 in front with the raw scores of profile 1 and whole-number marks.
        QVERIFY(window.panel()->isVisible());
        ProfileChartPanel* charts = window.chartPanel();
        QVERIFY(charts->isVisible());
        ProfileChart* front = charts->frontChart();
        QCOMPARE(front->objectName(), QStringLiteral("Chart1"));
        QCOMPARE(front->titleText(),
                 QStringLiteral("1. График смыслообразующих мотивов - Сырые баллы"));
        QCOMPARE(front->footText(), expected.code + QStringLiteral(". ") + expected.name);
        QVERIFY(front->marksVisible());
        QStringList marks;
        for (int m = 0; m < 6; ++m) {
            QCOMPARE(front->values(0).at(m), core.record.scores.raw.profile1[m]);
            marks << wholeNumber(core.record.scores.raw.profile1[m]);
        }
        QCOMPARE(front->markTexts(0), marks);

        for (const char* name :
             {"mmSave", "mmProfiles", "mmChartAnswerT", "mmNorm", "mmComment", "mmOpen", "mmGroup"})
            QVERIFY2(window.action(name)->isEnabled(), name);
        QVERIFY(!window.action("mmPlotTime")->isEnabled());
    }

    void chiSquareCellsArePaintedInTheirColours() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(2)));
        ResultGrid* grid = window.grid("sgResulta");
        const QImage picture = grid->viewport()->grab().toImage();
        for (int row = 1; row <= 6; ++row) {
            const QRect cell = grid->visualRect(grid->model()->index(row, 9));
            const QColor wanted = grid->cellDrawing()->look(9, row).text;
            int hits = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    hits += QColor(picture.pixel(x, y)) == wanted;
            QVERIFY2(hits > 5, qPrintable(grid->text(9, row)));
        }
    }

    void normMenuComparesAgain_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("normName");
        QTest::newRow("education") << "mmNormEducation" << 2 << QStringLiteral("Образование");
        QTest::newRow("satisfaction")
            << "mSatisfaction" << 3 << QStringLiteral("Удовлетворенность");
        QTest::newRow("sex") << "mmNormSex" << 1 << QStringLiteral("Пол");
    }
    void normMenuComparesAgain() {
        QFETCH(QString, item);
        QFETCH(int, kind);
        QFETCH(QString, normName);
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(3));
        window.open(path);
        window.find<QAction>(item.toLatin1().constData())->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());

        const AnalysisState core = withNorm(coreIndividual(path), static_cast<NormKind>(kind));
        QCOMPARE(window.edit("ceNorm")->text(), normName);
        QVERIFY(formatSheet(window.form->analysis()) == formatSheet(core));
        QCOMPARE(window.form->analysis().comparison.chi, core.comparison.chi);
        QCOMPARE(window.chartPanel()->frontChart()->objectName(), QStringLiteral("Chart1"));

        // A new load compares with the sex norm again.
        window.open(path);
        QCOMPARE(window.edit("ceNorm")->text(), QStringLiteral("Пол"));
    }

    void selectingCellsShowsChartsAndTexts() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(4)));
        ProfileChartPanel* charts = window.chartPanel();
        QLabel* caption = window.label("stInfo");
        auto* info = window.find<QPlainTextEdit>("mInfo");

        clickCell(window.grid("sgResult2a"), 8, 2);
        QCOMPARE(charts->frontChart()->objectName(), QStringLiteral("Chart2"));
        QCOMPARE(charts->frontChart()->titleText(),
                 QStringLiteral("2. Результирующая и Процессуальная Ориентации - %Баллы"));
        QCOMPARE(info->toPlainText(), joinPieces(OrientationTexts[1]));
        QCOMPARE(caption->text(), QStringLiteral("Дополнительная информация: Ориентации"));

        // Column 2 of the motive grid selects no chart but the Utilitarian text.
        clickCell(window.grid("sgResulta"), 2, 3);
        QCOMPARE(charts->frontChart()->objectName(), QStringLiteral("Chart2"));
        QCOMPARE(info->toPlainText(), joinPieces(MotiveTexts[2]));
        QCOMPARE(caption->text(),
                 QStringLiteral("Дополнительная информация: Смыслообразующие мотивы"));

        clickCell(window.grid("sgResulta"), 9, 3);
        QCOMPARE(charts->frontChart()->objectName(), QStringLiteral("Chart1"));
        QCOMPARE(charts->frontChart()->titleText(),
                 QStringLiteral("1. График смыслообразующих мотивов - Хм2"));

        // The profile-2 chart of chi-squares is titled with the Latin X.
        clickCell(window.grid("sgResult2a"), 1, 3);
        QCOMPARE(charts->frontChart()->titleText(),
                 QStringLiteral("2. Результирующая и Процессуальная Ориентации - Xм2"));
        QCOMPARE(info->toPlainText(), joinPieces(OrientationTexts[0]));

        clickCell(window.grid("sgResult3a"), 17, 1);
        QCOMPARE(charts->frontChart()->objectName(), QStringLiteral("Chart3"));
        QCOMPARE(charts->frontChart()->titleText(),
                 QStringLiteral("3. Стимулы: Деньги, Коллектив и Труд - Сырые баллы"));
        QCOMPARE(info->toPlainText(), joinPieces(StimulusText));
        QCOMPARE(caption->text(), QStringLiteral("Дополнительная информация: Стимулы"));

        // Selecting the same cell again after another chart brings its chart back.
        window.action("mmProfile1B")->trigger();
        QCOMPARE(charts->frontChart()->objectName(), QStringLiteral("Chart1"));
        clickCell(window.grid("sgResult3a"), 17, 1);
        QCOMPARE(charts->frontChart()->objectName(), QStringLiteral("Chart3"));

        // The index fields explain themselves under their own heading.
        QTest::mouseClick(window.edit("ceIndex2"), Qt::LeftButton);
        QCOMPARE(info->toPlainText(), joinPieces(InnovationText));
        QCOMPARE(caption->text(),
                 QStringLiteral("Дополнительная информация: Инновационный потенциал"));
        QTest::mouseClick(window.edit("ceIndex1"), Qt::LeftButton);
        QCOMPARE(info->toPlainText(), joinPieces(InclusionText));
        QCOMPARE(caption->text(),
                 QStringLiteral("Дополнительная информация: Включенность в коллектив"));
    }

    void profileMenuDrawsFromTheHeaderFields() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(5)));
        window.type("ceCode", QStringLiteral("X7"));
        window.type("ceName", QStringLiteral("Другое имя"));
        window.action("mmProfile3B")->trigger();
        const ProfileChart* front = window.chartPanel()->frontChart();
        QCOMPARE(front->objectName(), QStringLiteral("Chart3"));
        QCOMPARE(front->footText(), QStringLiteral("X7. Другое имя"));
        QCOMPARE(front->seriesCount(), 3);
        const auto& raw = window.form->analysis().record.scores.raw.profile3;
        for (int s = 0; s < 3; ++s) {
            QStringList marks;
            for (int m = 0; m < 6; ++m)
                marks << QLocale().toString(raw[s * 6 + m] * 100.0 / 108.0, 'f', 1);
            QCOMPARE(front->markTexts(s), marks);
        }
    }

    void marksToggleOfCharts2And3_data() {
        QTest::addColumn<int>("profile");
        QTest::newRow("chart 2") << 2;
        QTest::newRow("chart 3") << 3;
    }
    // The value marks of charts 2 and 3 start hidden, the first click leaves them hidden and
    // every click after switches them; a redrawing of the chart keeps them as they are, and
    // the other chart is not touched.
    void marksToggleOfCharts2And3() {
        QFETCH(int, profile);
        const int other = 5 - profile;
        TestWindow window;
        window.open(window.addExaminee(testExaminee(6)));
        const QByteArray percent = "mmProfile" + QByteArray::number(profile) + "A";
        const QByteArray raw = "mmProfile" + QByteArray::number(profile) + "B";
        window.action(percent.constData())->trigger();
        ProfileChart* chart = window.chartPanel()->frontChart();
        QCOMPARE(chart->objectName(), QStringLiteral("Chart%1").arg(profile));
        QVERIFY(!chart->marksVisible());
        const QPoint middle = chart->rect().center();
        const bool expected[] = {false, true, false, true};
        for (bool visible : expected) {
            QTest::mouseClick(chart, Qt::LeftButton, {}, middle);
            QCOMPARE(chart->marksVisible(), visible);
            window.action(raw.constData())->trigger();
            QCOMPARE(window.chartPanel()->frontChart(), chart);
            QCOMPARE(chart->marksVisible(), visible);
            QVERIFY(!window.chartPanel()->chart(other)->marksVisible());
        }
        QVERIFY(window.chartPanel()->chart(1)->marksVisible());
    }

    void cancelledOpenChangesNothing() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(7)));
        window.action("mmChartAnswerT")->trigger();
        const ResultSheet before = formatSheet(window.form->analysis());
        const int chartStack = window.stackIndex(window.timeChart());
        window.action("mmOpen")->trigger(); // the scripted dialog cancels
        QCOMPARE(window.dialogs.openRequests.size(), 2);
        QVERIFY(formatSheet(window.form->analysis()) == before);
        QCOMPARE(window.stackIndex(window.timeChart()), chartStack);
        QVERIFY(window.timeChart()->isVisible());
        QVERIFY(window.dialogs.errors.isEmpty());
    }

    void badFileChangesNothing_data() {
        QTest::addColumn<QString>("defect");
        QTest::newRow("missing file") << "missing";
        QTest::newRow("bad test date") << "date";
        QTest::newRow("bad item mark") << "item";
    }
    void badFileChangesNothing() {
        QFETCH(QString, defect);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(8)));
        window.action("mmNormEducation")->trigger();
        window.action("mmProfile2A")->trigger();
        const ResultSheet before = formatSheet(window.form->analysis());
        const AnalysisRecord dataBefore = window.form->analysis().record;

        QString path = window.dataFile(QStringLiteral("bad.cry"));
        if (defect != QLatin1String("missing")) {
            QStringList lines =
                makePlainText(testExaminee(9), decimalSeparator()).split(QStringLiteral("\r\n"));
            if (defect == QLatin1String("date"))
                lines[0] = QStringLiteral("31.02.20x5");
            else
                lines[40] = QStringLiteral("    x    1     3,5");
            TestWindow::writeBytes(path, scramblePlainText(lines.join(QStringLiteral("\r\n"))));
        }
        const QString message = errorBoxTextOf([&] { coreIndividual(path); });
        QVERIFY(!message.isEmpty());

        window.open(path);
        QCOMPARE(window.dialogs.errors, QStringList{message});
        QVERIFY(formatSheet(window.form->analysis()) == before);
        QCOMPARE(window.form->analysis().record.scores.raw.profile2,
                 dataBefore.scores.raw.profile2);
        QCOMPARE(window.form->analysis().record.answers, dataBefore.answers);
        QCOMPARE(window.form->analysis().record.timingLines, dataBefore.timingLines);
        QCOMPARE(window.chartPanel()->frontChart()->objectName(), QStringLiteral("Chart2"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void groupOverTheDataDirectory() {
        TestWindow window;
        QList<AnalysisState> members;
        for (int i = 0; i < 3; ++i)
            members.append(coreIndividual(window.addExaminee(testExaminee(10 + i))));

        window.action("mmSexWoman")->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        const AnalysisState core =
            groupAnalysis(window.dataDir(), NormKind::Sex, QStringLiteral("Женский"));
        QVERIFY(formatSheet(window.form->analysis()) == formatSheet(core));
        QCOMPARE(window.edit("ceSex")->text(), QStringLiteral("Женский"));
        QCOMPARE(window.edit("ceEduc")->text(), QString());
        QCOMPARE(window.edit("ceCode")->text(), QStringLiteral("3"));
        QCOMPARE(window.edit("ceName")->text(), QStringLiteral("Группа"));
        QCOMPARE(window.label("stName")->text(), QStringLiteral("Группа"));
        QCOMPARE(window.edit("ceOld")->text(), QString());

        // Who the group is, then the member list, one line per member, in the tooltip of
        // the information icon.
        const QStringList parts =
            window.label("ImageInfo")->toolTip().split(QStringLiteral("\n\n"));
        QCOMPARE(parts.size(), 2);
        QVERIFY(parts.first().startsWith(QStringLiteral("Группа: 3 обследуемых (")));
        QVERIFY(parts.first().contains(QStringLiteral("\nНорма: женщины")));
        const QStringList hint = parts.last().split(QLatin1Char('\n'));
        QCOMPARE(hint.size(), 5);
        QCOMPARE(hint.first(), QStringLiteral("Состав группы:"));
        QCOMPARE(hint.last(), QStringLiteral("Общее число: 3"));
        for (const AnalysisState& member : members)
            QVERIFY(hint.contains(member.header.code + QStringLiteral(". ") + member.header.name));

        // Means with one decimal.
        for (int m = 0; m < 6; ++m) {
            double sum = 0.0;
            for (const AnalysisState& member : members)
                sum += member.record.scores.raw.profile1[m];
            QCOMPARE(window.grid("sgResulta")->text(7, m + 1).trimmed(),
                     QLocale().toString(sum / 3.0, 'f', 1));
        }
        QCOMPARE(window.chartPanel()->frontChart()->footText(), QStringLiteral("3. Группа"));

        // Menus: no answer-time chart for a group; "Нормирование" keeps its state.
        QVERIFY(!window.action("mmChartAnswerT")->isEnabled());
        QVERIFY(!window.action("mmNorm")->isEnabled());
        for (const char* name : {"mmSave", "mmComment", "mmProfiles"})
            QVERIFY2(window.action(name)->isEnabled(), name);

        // The same command again gives the same grids.
        const ResultSheet first = formatSheet(window.form->analysis());
        window.action("mmSexWoman")->trigger();
        QVERIFY(formatSheet(window.form->analysis()) == first);

        // A load afterwards is an individual analysis again, with the answer-time chart.
        window.open(window.dataFile(QStringLiteral("00011.cry")));
        QCOMPARE(window.label("stName")->text(), QStringLiteral("Ф.И.О."));
        QVERIFY(window.action("mmChartAnswerT")->isEnabled());
    }

    void groupCriteria_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<QString>("norm");
        QTest::newRow("men") << "mmSexMan"
                             << "Мужской"
                             << ""
                             << "Пол";
        QTest::newRow("higher") << "mmEducHigh"
                                << ""
                                << "Высшее"
                                << "Образование";
        QTest::newRow("secondary") << "mmEducAverage"
                                   << ""
                                   << "Среднее"
                                   << "Образование";
        QTest::newRow("satisfaction") << "mmGroupSatisfaction"
                                      << ""
                                      << ""
                                      << "Удовлетворенность";
    }
    void groupCriteria() {
        QFETCH(QString, item);
        QFETCH(QString, sex);
        QFETCH(QString, education);
        QFETCH(QString, norm);
        TestWindow window;
        window.open(window.addExaminee(testExaminee(20)));
        window.addExaminee(testExaminee(21));
        window.action(item.toLatin1().constData())->trigger();
        QVERIFY(window.dialogs.errors.isEmpty());
        QCOMPARE(window.edit("ceSex")->text(), sex);
        QCOMPARE(window.edit("ceEduc")->text(), education);
        QCOMPARE(window.edit("ceNorm")->text(), norm);
        QVERIFY(window.action("mmNorm")->isEnabled()); // kept from the individual analysis
    }

    void failingGroupChangesNothing_data() {
        QTest::addColumn<QString>("defect");
        QTest::newRow("bad member") << "member";
        QTest::newRow("sub-directory") << "directory";
        QTest::newRow("no members") << "empty";
    }
    void failingGroupChangesNothing() {
        QFETCH(QString, defect);
        TestWindow window;
        const QString path = window.addExaminee(testExaminee(30));
        window.open(path);
        const ResultSheet before = formatSheet(window.form->analysis());
        const auto profileBefore = window.form->analysis().record.scores.raw.profile1;
        if (defect == QLatin1String("member"))
            TestWindow::writeBytes(window.dataFile(QStringLiteral("zz.txt")), "not a response");
        else if (defect == QLatin1String("directory"))
            QDir(window.dataDir()).mkdir(QStringLiteral("sub"));
        else
            QFile::remove(path);
        const QString message = errorBoxTextOf(
            [&] { groupAnalysis(window.dataDir(), NormKind::Sex, QStringLiteral("Мужской")); });
        QVERIFY(!message.isEmpty());

        window.action("mmSexMan")->trigger();
        QCOMPARE(window.dialogs.errors, QStringList{message});
        QVERIFY(formatSheet(window.form->analysis()) == before);
        QCOMPARE(window.form->analysis().record.scores.raw.profile1, profileBefore);
        QVERIFY(window.action("mmChartAnswerT")->isEnabled());
        QCOMPARE(window.chartPanel()->frontChart()->footText(),
                 before.code + QStringLiteral(". ") + before.name);
    }

    void answerTimeChartToggle() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(40)));
        AnswerTimeChart* chart = window.timeChart();
        QAction* toggle = window.action("mmChartAnswerT");
        QAction* save = window.action("mmPlotTime");
        QVERIFY(!chart->isVisible());

        const bool expected[] = {true, false, true};
        for (bool shown : expected) {
            toggle->trigger();
            QCOMPARE(chart->isVisible(), shown);
            QCOMPARE(save->isEnabled(), shown);
        }
        QCOMPARE(chart->titleText(), window.edit("ceCode")->text() + QStringLiteral(". ") +
                                         window.edit("ceName")->text());
        QVERIFY(window.stackIndex(chart) > window.stackIndex(window.find<QWidget>("mInfo")));

        // A new analysis sends the chart behind without changing its state: the next command
        // hides it.
        // Behind the panel it is hidden too, so that no edge of the previous examinee's chart
        // shows above the information panel.
        window.open(window.addExaminee(testExaminee(41)));
        QVERIFY(window.stackIndex(chart) < window.stackIndex(window.find<QWidget>("mInfo")));
        QVERIFY(!chart->isVisible());
        QVERIFY(save->isEnabled());
        toggle->trigger();
        QVERIFY(!chart->isVisible());
        QVERIFY(!save->isEnabled());
        toggle->trigger();
        QVERIFY(chart->isVisible());
        QCOMPARE(chart->titleText(), window.edit("ceCode")->text() + QStringLiteral(". ") +
                                         window.edit("ceName")->text());
    }

    void commentPanelToggle() {
        TestWindow window;
        window.open(window.addExaminee(testExaminee(50)));
        auto* comment = window.find<QTextEdit>("meComment");
        QLabel* caption = window.label("stInfo");
        window.action("mmChartAnswerT")->trigger();
        QVERIFY(window.timeChart()->isVisible());

        window.action("mmComment")->trigger();
        QVERIFY(comment->isVisible());
        QCOMPARE(caption->text(), QStringLiteral("Комментарий"));
        QVERIFY(!window.timeChart()->isVisible());
        QVERIFY(!window.action("mmPlotTime")->isEnabled());
        comment->setPlainText(QStringLiteral("Замечание"));

        // The chart shown again lies over the comment; the comment keeps its state, so the
        // next "Комментарий" hides it.
        window.action("mmChartAnswerT")->trigger();
        QVERIFY(window.stackIndex(window.timeChart()) > window.stackIndex(comment));
        window.action("mmComment")->trigger();
        QVERIFY(!comment->isVisible());
        QCOMPARE(caption->text(), QStringLiteral("Дополнительная информация"));
        QVERIFY(window.timeChart()->isVisible());
        QCOMPARE(comment->toPlainText(), QStringLiteral("Замечание"));

        // A new analysis empties the comment, once the user agrees to lose it.
        window.dialogs.questionAnswers << true;
        window.open(window.addExaminee(testExaminee(51)));
        QCOMPARE(window.dialogs.questions.size(), 1);
        QCOMPARE(comment->toPlainText(), QString());
    }

    // "Обследуемые" by its shortcut once the menu is open, not before; "Сохранить как норму…"
    // only for a group.
    void theListOfExamineesAndTheGroupNormByKeyboardAndMenu() {
        TestWindow window(false);
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(!window.form->examineeList());

        window.about->okButton()->click();
        QAction* list = window.action("mmExaminees");
        QVERIFY(list->isVisible() && list->isEnabled());
        QCOMPARE(list->text(), QStringLiteral("&Обследуемые"));
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(window.form->examineeList() && window.form->examineeList()->isVisible());

        const QString path = window.addExaminee(testExaminee(52));
        window.open(path);
        QVERIFY(!window.action("mmSaveNorm")->isEnabled());
        window.action("mmGroupSatisfaction")->trigger();
        QVERIFY(window.action("mmSaveNorm")->isEnabled());
        window.open(path);
        QVERIFY(!window.action("mmSaveNorm")->isEnabled());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
