#include "AboutDialog.h"
#include "Domain.h"
#include "Folders.h"
#include "MainWindow.h"
#include "Regional.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption data{QStringLiteral("data"),
                            QStringLiteral("Папка файлов данных (*.cry) на этот запуск."),
                            QStringLiteral("DIR")};
    QCommandLineOption results{QStringLiteral("results"),
                               QStringLiteral("Папка для отчётов и рисунков на этот запуск."),
                               QStringLiteral("DIR")};

    QCommandLineOption db{
        QStringLiteral("db"),
        QStringLiteral("Архив отдела: строка соединения PostgreSQL (service=ezr)."),
        QStringLiteral("CONNINFO")};

    CommandLine() {
        parser.setApplicationDescription(
            QStringLiteral("Анализ опросника мотивации персонала (%1)").arg(ezr::ApplicationTitle));
        parser.addOption(data);
        parser.addOption(results);
        parser.addOption(db);
        parser.addPositionalArgument(
            QStringLiteral("FILE"),
            QStringLiteral("Файл данных (*.cry): открыть и проанализировать."),
            QStringLiteral("[FILE]"));
    }
};

// --help and --version are answered on the terminal before the window system is touched, so
// they work without a display. Returns false when the window is to start.
bool answeredOnTerminal(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine line;
    // Qt's own options (-platform, -style, ...) are unknown here; the window's parse sees them.
    if (!line.parser.parse(arguments) ||
        !(line.parser.isSet(line.help) || line.parser.isSet(line.version)))
        return false;
    QCoreApplication terminal(argc, argv);
    line.parser.process(terminal); // prints and exits
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    // The program's name as commands and the version line know it; window titles say
    // ApplicationTitle.
    QCoreApplication::setApplicationName(QStringLiteral("ezr"));
    QCoreApplication::setApplicationVersion(ezr::ProgramVersion);
    if (answeredOnTerminal(argc, argv))
        return 0;

    QApplication application(argc, argv);
    ezr::installRegionalDefaults();
    QApplication::setApplicationDisplayName(ezr::ApplicationTitle);
    QApplication::setDesktopFileName(QStringLiteral("ezr"));

    // The interface is Russian, the standard dialogs' buttons included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    CommandLine line;
    line.parser.process(application);
    MainWindow window(ezr::FolderConfig(ezr::executableFolder(), line.parser.value(line.data),
                                        line.parser.value(line.results)));
    window.setAboutDialog(new AboutDialog(&window));
    window.showMaximized();
    if (line.parser.isSet(line.db))
        window.openArchive(line.parser.value(line.db));

    // A file given by the desktop or the command line: the menus open, the examinee shown.
    const QStringList files = line.parser.positionalArguments();
    if (!files.isEmpty()) {
        window.openMainMenu();
        window.openResponseFile(files.front());
    }
    return application.exec();
}
