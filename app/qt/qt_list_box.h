// The dialog's waypoint list over a QListWidget.
#pragma once

#include <string_view>

#include "app/dialog_window.h"
#include "platform/codepage.h"

class QListWidget;

namespace quendra {

// Appends each display line at the end of the list, decoded from the names' code page
// so Big5 names read as Chinese.
class QtListBox : public WaypointListBox {
public:
    QtListBox(QListWidget& list, CodePageDecoder& decoder) : list_(list), decoder_(decoder) {}
    void AddLine(std::string_view line) override;
    void ResetContent() override;

private:
    QListWidget& list_;
    CodePageDecoder& decoder_;
};

}  // namespace quendra
