#include "platform/qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace quendra {

namespace {

class PathMustExistDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && testOption(QFileDialog::DontUseNativeDialog)) {
            const QFileInfo info(files.first());
            if (!info.isDir() && !info.absoluteDir().exists()) {
                QMessageBox::warning(this, windowTitle(),
                                     tr("The folder %1 does not exist.")
                                         .arg(QDir::toNativeSeparators(info.absolutePath())));
                return;
            }
        }
        QFileDialog::accept();
    }
};

// The folder a remembered path points into: the path itself when it is a folder, else
// the folder that holds it, when that exists.
QString StartFolder(const QString& initialDirectory) {
    if (initialDirectory.isEmpty()) return {};
    const QFileInfo info(initialDirectory);
    if (info.isDir()) return info.absoluteFilePath();
    if (info.absoluteDir().exists()) return info.absolutePath();
    return {};
}

}  // namespace

bool QtFileDialogs::Run(QWidget* owner, const FileDialogRequest& request, QString& pathName) {
    PathMustExistDialog dialog(owner);
#ifndef _WIN32
    // The widget dialog, so the folder check above always runs; Windows' own dialog
    // makes that check itself.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    const bool save = request.mode == FileDialogRequest::Mode::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist yet may be chosen in either mode.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(request.filter);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    const QString folder = StartFolder(request.initialDirectory);
    if (!folder.isEmpty()) dialog.setDirectory(folder);

    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return false;
    pathName = QDir::toNativeSeparators(files.first());
    return true;
}

}  // namespace quendra
