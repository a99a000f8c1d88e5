#include "Regional.h"
#include "ReportCommand.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool standardErrorIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ezr-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.04"));
    ezr::installRegionalDefaults();

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
