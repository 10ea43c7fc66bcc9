// The two datum messages as Qt message boxes.
#pragma once

#include <QString>

#include "app/message_boxes.h"

class QWidget;

namespace quendra {

// Shows string-table texts in modal boxes over `owner`: a Yes/No question and an OK
// message, neither with an icon.
class QtMessageBoxes : public MessageBoxes {
public:
    QtMessageBoxes(QWidget* owner, QString caption) : owner_(owner), caption_(std::move(caption)) {}

    bool AskYesNo(int stringId) override;
    void ShowOk(int stringId) override;
    void ShowOkText(const std::string& utf8Text) override;

private:
    QWidget* owner_;
    QString caption_;
};

// UTF-8 text of a string-table entry as a QString.
QString LoadQString(int stringId);

}  // namespace quendra
