#include "AboutDialog.h"
#include "MainWindow.h"
#include "Regional.h"

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

    MainWindow window;
    window.setAboutDialog(new AboutDialog(&window));
    window.showMaximized();
    return application.exec();
}
