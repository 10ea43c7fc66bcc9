// Fakes for the dialog's services: a window, file dialogs, message boxes and a profile that
// tests read and answer.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_window.h"
#include "app/file_dialogs.h"
#include "app/message_boxes.h"
#include "app/profile.h"

namespace quendra::testing {

// The window and its list box in one.
class FakeWindow : public DialogWindow, public WaypointListBox {
public:
    std::string GetPathText() const override { return pathText; }
    void SetPathText(const std::string& text) override { pathText = text; }
    WaypointListBox* WaypointList() override { return this; }
    void SetCountText(const std::string& text) override { countText = text; }
    void EndDialog(DialogResult result) override { ended = result; }
    void AddLine(std::string_view line) override { lines.emplace_back(line); }
    void ResetContent() override { lines.clear(); }

    std::string pathText;
    std::vector<std::string> lines;
    std::string countText;
    int ended = 0;  // 0 while the dialog runs
};

// Answers each dialog with the next answer; an empty one, or none left, is Cancel.
class FakeFileDialogs : public FileDialogs {
public:
    bool Run(const FileDialogRequest& request, std::string& pathName) override {
        requests.push_back(request);
        if (answers.empty()) return false;
        pathName = answers.front();
        answers.pop_front();
        return !pathName.empty();
    }
    std::deque<std::string> answers;
    std::vector<FileDialogRequest> requests;
};

// Message boxes answered by the test, remembering what was shown.
class FakeMessages : public MessageBoxes {
public:
    explicit FakeMessages(bool answerYes = true) : answerYes_(answerYes) {}

    bool AskYesNo(int stringId) override {
        asked.push_back(stringId);
        return answerYes_;
    }
    void ShowOk(int stringId) override { shown.push_back(stringId); }
    void ShowOkText(const std::string& text) override { shownTexts.push_back(text); }

    std::vector<int> asked;
    std::vector<int> shown;
    std::vector<std::string> shownTexts;

private:
    bool answerYes_;
};

class FakeProfile : public Profile {
public:
    void SetRegistryKey(const std::string&) override {}
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue) const override {
        auto found = values.find({section, entry});
        return found == values.end() ? defaultValue : found->second;
    }
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override {
        values[{section, entry}] = value;
        return true;
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
};

}  // namespace quendra::testing
