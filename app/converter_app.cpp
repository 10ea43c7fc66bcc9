#include "app/converter_app.h"

namespace quendra {

bool ConverterApp::InitInstance(const std::string& file) {
    profile_.SetRegistryKey(kRegistryKey);
    ConverterDialog dialog({face_.window(), face_.fileDialogs(), face_.messages(), profile_});
    dialog.SetStartFile(file);
    face_.DoModal(dialog);
    return false;
}

}  // namespace quendra
