// The open and save file dialogs, behind an interface so tests can answer them.
#pragma once

#include <QString>

class QWidget;

namespace quendra {

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString filter;         // "Description (*.ext)"
    QString defaultSuffix;  // appended to a name typed without one; empty for none
    // Where the dialog starts: a folder, or a file whose folder is meant.
    QString initialDirectory;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // True with the chosen full path when the user accepts, false on Cancel.
    virtual bool Run(QWidget* owner, const FileDialogRequest& request, QString& pathName) = 0;
};

// QFileDialog with the behaviour the converter relies on: the chosen file's folder must
// exist (the file itself need not), an existing file is taken without an overwrite
// question, and no file name is filled in beforehand.
class QtFileDialogs : public FileDialogs {
public:
    bool Run(QWidget* owner, const FileDialogRequest& request, QString& pathName) override;
};

}  // namespace quendra
