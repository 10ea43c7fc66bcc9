// The open and save file dialogs as Qt's.
#pragma once

#include "app/file_dialogs.h"

class QWidget;

namespace quendra {

// QFileDialog with the behaviour the converter relies on: the chosen file's folder must
// exist (the file itself need not), an existing file is taken without an overwrite
// question, and no file name is filled in beforehand.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* owner) : owner_(owner) {}
    bool Run(const FileDialogRequest& request, std::string& pathName) override;

private:
    QWidget* owner_;
};

}  // namespace quendra
