#include "app/win32/win32_profile.h"

#include "app/win32/windows_api.h"

#include "platform/utf16.h"

namespace quendra {

void Win32Profile::SetRegistryKey(const std::string& key) {
    applicationKey_ = L"Software\\" + WideFromUtf8(key);
}

std::wstring Win32Profile::SectionKey(const std::string& section) const {
    if (applicationKey_.empty()) return {};
    return applicationKey_ + L"\\" + WideFromUtf8(section);
}

std::string Win32Profile::GetProfileString(const std::string& section, const std::string& entry,
                                           const std::string& defaultValue) const {
    const std::wstring key = SectionKey(section);
    if (key.empty()) return defaultValue;
    const std::wstring name = WideFromUtf8(entry);
    // The value may change between the two calls; take its new size and try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD bytes = 0;
        LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                      nullptr, nullptr, &bytes);
        if (status != ERROR_SUCCESS) return defaultValue;
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                              value.data(), &bytes);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return defaultValue;
        value.resize(wcsnlen(value.c_str(), value.size()));
        return Utf8FromWide(value);
    }
    return defaultValue;
}

bool Win32Profile::WriteProfileString(const std::string& section, const std::string& entry,
                                      const std::string& value) {
    const std::wstring keyName = SectionKey(section);
    if (keyName.empty()) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring name = WideFromUtf8(entry);
    const std::wstring text = WideFromUtf8(value);
    const LSTATUS status =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace quendra
