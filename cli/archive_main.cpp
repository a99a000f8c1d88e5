// ezr-archive: the department's archive on PostgreSQL, from the command line.

#include "ArchiveCommand.h"
#include "Domain.h"
#include "Regional.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ezr-archive"));
    QCoreApplication::setApplicationVersion(ezr::ProgramVersion);
    // Test dates are read from the files as the window reads them.
    ezr::installRegionalDefaults();
    QFile standardOutput;
    QFile standardError;
    if (!standardOutput.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !standardError.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    return ezr::runArchiveCommand(QCoreApplication::arguments(), standardOutput, standardError);
}
