// Message boxes answered by the test, remembering what was shown.
#pragma once

#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace quendra::testing {

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

}  // namespace quendra::testing
