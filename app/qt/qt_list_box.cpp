#include "app/qt/qt_list_box.h"

#include <QListWidget>
#include <QString>
#include <string>

namespace quendra {

void QtListBox::AddLine(std::string_view line) {
    const std::string text = decoder_.Decode(line);
    list_.addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtListBox::ResetContent() {
    list_.clear();
}

}  // namespace quendra
