#include "AboutDialog.h"
#include "Domain.h"
#include "Folders.h"
#include "MainWindow.h"
#include "Regional.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ezr::installRegionalDefaults();
    QApplication::setApplicationName(ezr::ApplicationTitle);
    QApplication::setApplicationVersion(ezr::ProgramVersion);
    QApplication::setDesktopFileName(QStringLiteral("ezr"));

    // The interface is Russian, the standard dialogs' buttons included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Анализ опросника мотивации персонала (%1)").arg(ezr::ApplicationTitle));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataOption(
        QStringLiteral("data"), QStringLiteral("Папка файлов данных (*.cry) на этот запуск."),
        QStringLiteral("DIR"));
    const QCommandLineOption resultsOption(
        QStringLiteral("results"), QStringLiteral("Папка для отчётов и рисунков на этот запуск."),
        QStringLiteral("DIR"));
    parser.addOption(dataOption);
    parser.addOption(resultsOption);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Файл данных (*.cry): открыть и проанализировать."),
                                 QStringLiteral("[FILE]"));
    parser.process(application);
    MainWindow window(ezr::FolderConfig(ezr::executableFolder(), parser.value(dataOption),
                                        parser.value(resultsOption)));
    window.setAboutDialog(new AboutDialog(&window));
    window.showMaximized();

    // A file given by the desktop or the command line: the menus open, the examinee shown.
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        window.openMainMenu();
        window.openResponseFile(files.front());
    }
    return application.exec();
}
