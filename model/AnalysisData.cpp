#include "AnalysisData.h"

#include <QCoreApplication>
#include <QDir>

namespace ezr {

QString ExeDir;

void initExeDir() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    ExeDir = dir;
}

} // namespace ezr
