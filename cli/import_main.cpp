// ezr-import: response files from a table of examinees, without a window.

#include "Domain.h"
#include "ImportCommand.h"
#include "Regional.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ezr-import"));
    QCoreApplication::setApplicationVersion(ezr::ProgramVersion);
    // Dates and answer times are written as the window reads them, under the same settings.
    ezr::installRegionalDefaults();
    // The command speaks Russian, Qt's own messages of the command line included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    QFile standardOutput;
    QFile standardError;
    if (!standardOutput.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !standardError.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    return ezr::runImportCommand(QCoreApplication::arguments(), standardOutput, standardError);
}
