// The per-user store of the remembered paths and the datum mode.
#pragma once

#include <string>

namespace quendra {

inline constexpr char kRegistryKey[] = "Tavrin\\Moskel";
inline constexpr char kProfileSection[] = "Dialog";
inline constexpr char kGtmFileEntry[] = "GTMFile";
inline constexpr char kWtrFileEntry[] = "WTRFile";
// "simple" (the default) or "accurate": how Convert treats a datum other than WGS84.
inline constexpr char kDatumTransformEntry[] = "DatumTransform";

// String entries by section below an application key ("Company\Application"): the
// registry on Windows, QSettings' file on Linux.
class Profile {
public:
    virtual ~Profile() = default;
    virtual void SetRegistryKey(const std::string& key) = 0;
    virtual std::string GetProfileString(const std::string& section, const std::string& entry,
                                         const std::string& defaultValue = {}) const = 0;
    // Written through at once, so the value survives however the program ends.
    virtual bool WriteProfileString(const std::string& section, const std::string& entry,
                                    const std::string& value) = 0;
};

}  // namespace quendra
