// Paths typed or chosen in the dialog, handed to the converter library.
#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

namespace quendra {

inline std::filesystem::path ToFilesystemPath(const QString& text) {
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    // The bytes the file system knows the name by, as QFile would open it.
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

}  // namespace quendra
