// The dialog's waypoint list over a QListWidget.
#pragma once

#include <string_view>

#include "app/dialog_window.h"

class QListWidget;

namespace quendra {

// Appends each display line at the end of the list.
class QtListBox : public WaypointListBox {
public:
    explicit QtListBox(QListWidget& list) : list_(list) {}
    void AddLine(std::string_view line) override;
    void ResetContent() override;

private:
    QListWidget& list_;
};

}  // namespace quendra
