// The remembered paths in the registry: HKEY_CURRENT_USER\Software\<key>\<section>, one
// REG_SZ value per entry.
#pragma once

#include <string>

#include "app/profile.h"

namespace quendra {

class Win32Profile : public Profile {
public:
    void SetRegistryKey(const std::string& key) override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue = {}) const override;
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override;

    // The section's key below HKEY_CURRENT_USER; empty before SetRegistryKey.
    std::wstring SectionKey(const std::string& section) const;

private:
    std::wstring applicationKey_;
};

}  // namespace quendra
