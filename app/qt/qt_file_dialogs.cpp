#include "app/qt/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "app/qt/qt_paths.h"

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

bool QtFileDialogs::Run(const FileDialogRequest& request, std::string& pathName) {
    PathMustExistDialog dialog(owner_);
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
    QStringList filters;
    for (const FileDialogRequest::Filter& filter : request.filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns)
            patterns << QString::fromStdString(pattern);
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.description),
                                                 patterns.join(QLatin1Char(' ')));
    }
    dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    }
    const QString folder = StartFolder(QStringFromText(request.initialDirectory));
    if (!folder.isEmpty()) dialog.setDirectory(folder);

    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return false;
    pathName = TextFromQString(QDir::toNativeSeparators(files.first()));
    return true;
}

}  // namespace quendra
