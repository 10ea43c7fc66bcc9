#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/converter_app.h"

quendra::ConverterApp theApp;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Qt's own buttons and file dialogs in the user's language, where Qt has it.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }
    if (!theApp.InitInstance()) return 0;
    return QApplication::exec();
}
