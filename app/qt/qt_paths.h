// Path texts between Qt's strings and the converter's: the bytes the file system knows a
// name by (UTF-8 on Windows).
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace quendra {

inline std::string TextFromQString(const QString& text) {
#ifdef _WIN32
    return text.toStdString();
#else
    return QFile::encodeName(text).toStdString();
#endif
}

inline QString QStringFromText(const std::string& text) {
#ifdef _WIN32
    return QString::fromStdString(text);
#else
    return QFile::decodeName(QByteArray::fromStdString(text));
#endif
}

}  // namespace quendra
