// The application object: gives the program its settings key and runs the dialog.
#pragma once

#include <QString>

#include "app/app_profile.h"

class QWidget;

namespace quendra {

class ConverterApp {
public:
    virtual ~ConverterApp() = default;

    // Runs the dialog to its end; false, so the program ends with it.
    virtual bool InitInstance();

    QString GetProfileString(const QString& section, const QString& entry,
                             const QString& defaultValue = {}) const {
        return profile_.GetProfileString(section, entry, defaultValue);
    }
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
        return profile_.WriteProfileString(section, entry, value);
    }
    QWidget* mainWindow() const { return mainWindow_; }

private:
    AppProfile profile_;
    QWidget* mainWindow_ = nullptr;
};

}  // namespace quendra
