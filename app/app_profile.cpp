#include "app/app_profile.h"

#include <QSettings>

namespace quendra {

void AppProfile::SetRegistryKey(const QString& organization, const QString& application) {
    organization_ = organization;
    application_ = application;
}

QString AppProfile::GetProfileString(const QString& section, const QString& entry,
                                     const QString& defaultValue) const {
    QSettings settings(organization_, application_);
    settings.beginGroup(section);
    return settings.value(entry, defaultValue).toString();
}

bool AppProfile::WriteProfileString(const QString& section, const QString& entry,
                                    const QString& value) {
    QSettings settings(organization_, application_);
    settings.beginGroup(section);
    settings.setValue(entry, value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace quendra
