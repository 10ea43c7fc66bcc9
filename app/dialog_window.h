// The converter dialog's window as its steps see it: a path box, a waypoint list, a count
// and a way to end. Each face (Qt, Win32) supplies one over its own controls.
#pragma once

#include <string>
#include <string_view>

namespace quendra {

// How a modal dialog ended, with the values Windows gives IDOK and IDCANCEL.
enum DialogResult : int { kDialogOk = 1, kDialogCancel = 2 };

// The list box: display lines as UTF-8 text, shown in the order added.
class WaypointListBox {
public:
    virtual ~WaypointListBox() = default;
    virtual void AddLine(std::string_view line) = 0;
    virtual void ResetContent() = 0;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Path texts are UTF-8 on Windows and the file system's bytes elsewhere.
    virtual std::string GetPathText() const = 0;
    virtual void SetPathText(const std::string& text) = 0;
    // Null when the window has no list control.
    virtual WaypointListBox* WaypointList() = 0;
    virtual void SetCountText(const std::string& text) = 0;
    // Ends the modal loop with `result`.
    virtual void EndDialog(DialogResult result) = 0;
};

}  // namespace quendra
