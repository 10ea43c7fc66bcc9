// The application object: gives the program its settings key and runs the dialog.
#pragma once

#include <string>

#include "app/converter_dialog.h"

namespace quendra {

// What a toolkit supplies: the window and the platform's dialogs and boxes, and the
// modal loop that forwards each of the window's events to the dialog's steps.
class DialogFace {
public:
    virtual ~DialogFace() = default;
    virtual DialogWindow& window() = 0;
    virtual FileDialogs& fileDialogs() = 0;
    virtual MessageBoxes& messages() = 0;
    // Shows the window from template 102, runs the dialog's OnInitDialog, the modal
    // loop, and its DestroyWindow as the window goes; returns how the dialog ended.
    virtual DialogResult DoModal(ConverterDialog& dialog) = 0;
};

class ConverterApp {
public:
    ConverterApp(Profile& profile, DialogFace& face) : profile_(profile), face_(face) {}
    virtual ~ConverterApp() = default;

    // Runs the dialog to its end and returns false, so the program ends with it.
    // `file`, when given, is listed at start in place of the remembered one.
    virtual bool InitInstance(const std::string& file = {});

private:
    Profile& profile_;
    DialogFace& face_;
};

}  // namespace quendra
