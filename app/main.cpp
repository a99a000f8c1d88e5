#include "About.h"
#include "Regional.h"
#include "UnitMEL.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ezr::installRegionalDefaults();
    QApplication::setApplicationName(ApplicationTitle);

    // The interface is Russian, the standard dialogs' buttons included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    TForm1 Form1;
    auto* AboutBox = new TAboutBox(&Form1);
    Form1.setAboutBox(AboutBox);
    Form1.showMaximized();
    return application.exec();
}
