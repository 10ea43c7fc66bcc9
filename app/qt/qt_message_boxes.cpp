#include "app/qt/qt_message_boxes.h"

#include <QMessageBox>
#include <string_view>

#include "res/string_table.h"

namespace quendra {

QString LoadQString(int stringId) {
    const std::string_view text = LoadString(stringId);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool QtMessageBoxes::AskYesNo(int stringId) {
    QMessageBox box(QMessageBox::NoIcon, caption_, LoadQString(stringId),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtMessageBoxes::ShowOk(int stringId) {
    const std::string_view text = LoadString(stringId);
    ShowOkText(std::string(text));
}

void QtMessageBoxes::ShowOkText(const std::string& utf8Text) {
    QMessageBox box(QMessageBox::NoIcon, caption_, QString::fromStdString(utf8Text),
                    QMessageBox::Ok, owner_);
    box.exec();
}

}  // namespace quendra
