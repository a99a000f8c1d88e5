#pragma once

// Shared by the window suites: a scripted stand-in for the dialogs, a window started the way
// the program starts it, and response files in a temporary program directory.

#include "AboutDialog.h"
#include "Analysis.h"
#include "AnalysisData.h"
#include "AnalysisError.h"
#include "AnswerTimeChart.h"
#include "ErrorText.h"
#include "Folders.h"
#include "MainWindow.h"
#include "ProfileCharts.h"
#include "Regional.h"
#include "ResultGrids.h"
#include "SampleMaker.h"
#include "UserDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <functional>
#include <memory>

// Answers the dialogs from queues; an empty queue answers "cancel". Every request is kept.
class ScriptedDialogs : public UserDialogs {
public:
    QStringList openAnswers;
    QStringList saveAnswers;
    QList<OpenDialogRequest> openRequests;
    QList<SaveDialogRequest> saveRequests;
    QStringList directoryAnswers;
    QStringList directoryRequests; // the folder each directory dialog started in
    QStringList errors;
    QList<bool> questionAnswers; // an empty queue answers "Нет"
    QStringList questions;
    QStringList informations;
    QList<bool> offerAnswers;       // an empty queue answers "OK", not the offer
    QStringList offers;             // the caption of each offer, its error text goes to `errors`
    QList<QStringList> textAnswers; // an empty queue cancels
    QList<QList<TextField>> textRequests;
    QList<std::optional<int>> numberAnswers; // an empty queue cancels

    QString getOpenFileName(QWidget*, const OpenDialogRequest& request) override {
        openRequests.append(request);
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString getSaveFileName(QWidget*, const SaveDialogRequest& request) override {
        saveRequests.append(request);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString getExistingDirectory(QWidget*, const QString&, const QString& directory) override {
        directoryRequests.append(directory);
        return directoryAnswers.isEmpty() ? QString() : directoryAnswers.takeFirst();
    }
    void showError(QWidget*, const QString& text) override { errors.append(text); }
    bool askQuestion(QWidget*, const QString& text) override {
        questions.append(text);
        return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
    }
    void showInformation(QWidget*, const QString& text) override { informations.append(text); }
    bool showErrorOffering(QWidget*, const QString& text, const QString& offer) override {
        errors.append(text);
        offers.append(offer);
        return !offerAnswers.isEmpty() && offerAnswers.takeFirst();
    }
    QStringList askTexts(QWidget*, const QString&, const QList<TextField>& fields) override {
        textRequests.append(fields);
        return textAnswers.isEmpty() ? QStringList() : textAnswers.takeFirst();
    }
    std::optional<int> askNumber(QWidget*, const QString&, int, int, int) override {
        return numberAnswers.isEmpty() ? std::nullopt : numberAnswers.takeFirst();
    }
};

// A program directory with Data and Results, and the window started on it with its menus
// opened through the About dialog.
class TestWindow {
public:
    explicit TestWindow(bool openMenus = true) {
        // No folder chosen in an earlier run or given on a command line may redirect the test.
        // Settings of this test process only: suites run side by side.
        QStandardPaths::setTestModeEnabled(true);
        static const QTemporaryDir settingsDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ezr"),
                  QStringLiteral("ezr"))
            .clear();
        QDir(dir.path()).mkpath(QStringLiteral("Data"));
        QDir(dir.path()).mkpath(QStringLiteral("Results"));
        form = std::make_unique<MainWindow>(ezr::FolderConfig(dir.path() + QLatin1Char('/')),
                                            &dialogs);
        about = new AboutDialog(form.get());
        form->setAboutDialog(about);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("window not exposed");
        if (openMenus)
            about->okButton()->click();
    }

    QString dataDir() const { return dir.path() + QStringLiteral("/Data"); }
    QString resultsDir() const { return dir.path() + QStringLiteral("/Results"); }
    QString dataFile(const QString& name) const { return dataDir() + QLatin1Char('/') + name; }

    // Writes the examinee's response file into Data and returns its path.
    QString addExaminee(const ezr::SampleExaminee& examinee) const {
        QString path = dataFile(ezr::responseFileName(examinee));
        writeBytes(path, ezr::makeResponseFile(examinee, ezr::decimalSeparator()));
        return path;
    }
    static QByteArray readBytesOf(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        return file.readAll();
    }
    static void writeBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    // Replaces a header field's text as the user types it.
    void type(const char* field, const QString& text) const {
        QLineEdit* edit = this->edit(field);
        edit->selectAll();
        if (text.isEmpty())
            edit->del();
        else
            edit->insert(text);
    }

    // "Индивид" on the file, as the user picks it in the open dialog.
    void open(const QString& path) {
        dialogs.openAnswers.append(path);
        action("mmOpen")->trigger();
    }

    template <typename T> T* find(const char* name) const {
        T* child = form->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QAction* action(const char* name) const { return find<QAction>(name); }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QLabel* label(const char* name) const { return find<QLabel>(name); }
    ezr::ResultGrid* grid(const char* name) const { return find<ezr::ResultGrid>(name); }
    ezr::ProfileChartPanel* chartPanel() const { return find<ezr::ProfileChartPanel>("paChart"); }
    ezr::AnswerTimeChart* timeChart() const { return find<ezr::AnswerTimeChart>("ChartMMPITime"); }
    QWidget* panel() const { return find<QWidget>("paResult"); }

    // Position of a control in the result panel's stacking order (higher is in front).
    int stackIndex(const QWidget* control) const {
        return int(panel()->children().indexOf(const_cast<QWidget*>(control)));
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> form;
    AboutDialog* about = nullptr;
};

// A click on a cell of a result grid, as the user does it.
inline void clickCell(ezr::ResultGrid* grid, int column, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// Examinees with varied answers.
inline ezr::SampleExaminee testExaminee(int index, std::uint32_t seed = 4242u) {
    return ezr::generatedExaminee(seed, index);
}

// What the core gives for the same file, from a fresh start.
inline ezr::AnalysisState coreIndividual(const QString& path) {
    return ezr::individualAnalysis(path);
}
