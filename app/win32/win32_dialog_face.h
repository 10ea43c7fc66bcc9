// The dialog's Win32 face: template 102 from the resources, run by a dialog procedure that
// forwards each message to the dialog's steps.
#pragma once

#include "app/win32/windows_api.h"

#include <shellapi.h>

#include <string>

#include "app/converter_app.h"
#include "app/win32/win32_file_dialogs.h"
#include "app/win32/win32_message_boxes.h"
#include "platform/codepage.h"

namespace quendra {

// The list box control; lines arrive as UTF-8 and are shown as UTF-16.
class Win32ListBox : public WaypointListBox {
public:
    void SetControl(HWND control) { control_ = control; }
    void AddLine(std::string_view line) override;
    void ResetContent() override;

private:
    HWND control_ = nullptr;
};

class Win32DialogFace : public DialogWindow, public DialogFace {
public:
    // `instance` holds the resources: template 102 and icon 128.
    explicit Win32DialogFace(HINSTANCE instance) : instance_(instance) {}
    Win32DialogFace(const Win32DialogFace&) = delete;
    Win32DialogFace& operator=(const Win32DialogFace&) = delete;

    // DialogFace
    DialogWindow& window() override { return *this; }
    FileDialogs& fileDialogs() override { return fileDialogs_; }
    MessageBoxes& messages() override { return messages_; }
    DialogResult DoModal(ConverterDialog& dialog) override;
    // The same window without a modal loop of its own, for a caller that pumps messages;
    // ending it destroys the window. Null when it cannot be created.
    HWND CreateModeless(ConverterDialog& dialog, HWND parent = nullptr);

    // DialogWindow
    std::string GetPathText() const override;
    void SetPathText(const std::string& text) override;
    WaypointListBox* WaypointList() override;
    void SetCountText(const std::string& text) override;
    void EndDialog(DialogResult result) override;

    // How the dialog ended; 0 while it runs.
    int result() const { return result_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog(HWND hwnd);
    BOOL OnCommand(int id, int code);
    BOOL OnSysCommand(WPARAM command);
    void OnDropFiles(HDROP drop);
    void OnDestroy();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    ConverterDialog* steps_ = nullptr;
    bool modal_ = false;
    int result_ = 0;
    Win32FileDialogs fileDialogs_;
    Win32MessageBoxes messages_;
    Win32ListBox list_;
};

}  // namespace quendra
