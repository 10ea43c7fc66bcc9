// Message boxes answered by the test, remembering what was shown.
#pragma once

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

    std::vector<int> asked;
    std::vector<int> shown;

private:
    bool answerYes_;
};

}  // namespace quendra::testing
