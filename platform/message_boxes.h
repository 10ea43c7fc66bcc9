// The two kinds of message box the converter shows, by string-table id.
#pragma once

namespace quendra {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A Yes/No question; true only when the user answers Yes.
    virtual bool AskYesNo(int stringId) = 0;
    // A message with an OK button.
    virtual void ShowOk(int stringId) = 0;
};

}  // namespace quendra
