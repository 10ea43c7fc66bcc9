#include "app/qt/qt_list_box.h"

#include <QListWidget>
#include <QString>

namespace quendra {

void QtListBox::AddLine(std::string_view line) {
    list_.addItem(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
}

void QtListBox::ResetContent() {
    list_.clear();
}

}  // namespace quendra
