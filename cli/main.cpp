#include "Domain.h"
#include "Regional.h"
#include "ReportCommand.h"

#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Whether the command line asks for the printed report ("--format pdf" or "--format=pdf").
bool wantsPdf(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument.toLower() == "--format=pdf")
            return true;
        if (argument == "--format" && i + 1 < argc && QByteArray(argv[i + 1]).toLower() == "pdf")
            return true;
    }
    return false;
}

bool standardErrorIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// The command's own messages go to standard error through its own device; Qt's notes about
// the session it runs in (a missing XDG_RUNTIME_DIR under a service account, say) are not
// the user's business. Fatal messages still end the program.
void keepQtNotesOffTheTerminal(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::abort();
    }
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(keepQtNotesOffTheTerminal);
    // The printed report needs fonts, hence a GUI application, which the other formats do
    // without. The command never opens a window, so it needs no display either.
    std::unique_ptr<QCoreApplication> app;
    if (wantsPdf(argc, argv)) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("ezr-report"));
    QCoreApplication::setApplicationVersion(ezr::ProgramVersion);
    ezr::installRegionalDefaults();
    // The command speaks Russian, Qt's own messages of the command line included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

#ifdef Q_OS_WIN
    // The report's CR LF must reach the file or pipe unchanged.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QFile standardOutput;
    QFile standardError;
    if (!standardOutput.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !standardError.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    // Progress is for a person watching, not for a log or a pipe.
    return ezr::runReportCommand(QCoreApplication::arguments(), standardOutput, standardError,
                                 standardErrorIsTerminal());
}
