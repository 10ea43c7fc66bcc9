// The remembered paths in QSettings: ~/.config/<Company>/<Application>.conf.
#pragma once

#include <QString>

#include "app/profile.h"

namespace quendra {

class QtProfile : public Profile {
public:
    void SetRegistryKey(const std::string& key) override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue = {}) const override;
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override;

private:
    QString organization_;
    QString application_;
};

}  // namespace quendra
