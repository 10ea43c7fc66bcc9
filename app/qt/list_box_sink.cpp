#include "app/qt/list_box_sink.h"

#include <QListWidget>
#include <QString>
#include <string>

namespace quendra {

void ListBoxSink::AddLine(std::string_view line) {
    const std::string text = decoder_.Decode(line);
    list_.addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void ListBoxSink::ResetContent() {
    list_.clear();
}

}  // namespace quendra
