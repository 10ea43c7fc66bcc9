#include "app/qt/qt_profile.h"

#include <QSettings>

#include "app/qt/qt_paths.h"

namespace quendra {

namespace {

QString Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section + '/' + entry);
}

}  // namespace

void QtProfile::SetRegistryKey(const std::string& key) {
    // "Company\Application", as the registry names it.
    const QString text = QString::fromStdString(key);
    organization_ = text.section(QLatin1Char('\\'), 0, 0);
    application_ = text.section(QLatin1Char('\\'), 1);
}

std::string QtProfile::GetProfileString(const std::string& section, const std::string& entry,
                                        const std::string& defaultValue) const {
    const QSettings settings(organization_, application_);
    const QVariant value = settings.value(Key(section, entry));
    return value.isValid() ? TextFromQString(value.toString()) : defaultValue;
}

bool QtProfile::WriteProfileString(const std::string& section, const std::string& entry,
                                   const std::string& value) {
    QSettings settings(organization_, application_);
    settings.setValue(Key(section, entry), QStringFromText(value));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace quendra
