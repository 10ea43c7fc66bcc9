// The per-user store of the two remembered paths.
#pragma once

#include <QString>

namespace quendra {

inline constexpr char kProfileSection[] = "Dialog";
inline constexpr char kGtmFileEntry[] = "GTMFile";
inline constexpr char kWtrFileEntry[] = "WTRFile";

// String entries by section under an organization and application key: QSettings, so
// the registry on Windows and ~/.config/<organization>/<application>.conf on Linux.
class AppProfile {
public:
    void SetRegistryKey(const QString& organization, const QString& application);

    QString GetProfileString(const QString& section, const QString& entry,
                             const QString& defaultValue = {}) const;
    // Written through at once, so the value survives however the program ends.
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value);

private:
    QString organization_;
    QString application_;
};

}  // namespace quendra
