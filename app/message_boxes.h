// The two kinds of message box the converter shows: by string-table id, or an OK box
// with a text made up from string-table entries.
#pragma once

#include <string>

namespace quendra {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A Yes/No question; true only when the user answers Yes.
    virtual bool AskYesNo(int stringId) = 0;
    // A message with an OK button.
    virtual void ShowOk(int stringId) = 0;
    virtual void ShowOkText(const std::string& utf8Text) = 0;
};

}  // namespace quendra
