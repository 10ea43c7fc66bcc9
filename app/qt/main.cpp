#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/converter_app.h"
#include "app/qt/converter_window.h"
#include "app/qt/qt_paths.h"
#include "app/qt/qt_profile.h"

// quendra [FILE]: FILE, as opened from a file manager, is listed at start.
int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Qt's own buttons and file dialogs in the user's language, where Qt has it.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }
    const QStringList arguments = QApplication::arguments();
    quendra::QtProfile profile;
    quendra::ConverterWindow window;
    quendra::ConverterApp app(profile, window);
    app.InitInstance(arguments.size() > 1 ? quendra::TextFromQString(arguments.at(1)) : "");
    return 0;
}
