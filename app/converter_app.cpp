#include "app/converter_app.h"

#include "app/converter_dialog.h"

namespace quendra {

bool ConverterApp::InitInstance() {
    profile_.SetRegistryKey(QStringLiteral("Tavrin"), QStringLiteral("Moskel"));

    ConverterDialog dialog(profile_);
    mainWindow_ = &dialog;
    dialog.DoModal();
    mainWindow_ = nullptr;
    return false;
}

}  // namespace quendra
