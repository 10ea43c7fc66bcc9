// The dialog's Qt face: builds the window from template 102 and forwards its events to
// the dialog's steps.
#pragma once

#include <QDialog>
#include <QIcon>
#include <memory>

#include "app/converter_app.h"
#include "app/qt/dialog_units.h"
#include "app/qt/qt_file_dialogs.h"
#include "app/qt/qt_list_box.h"
#include "app/qt/qt_message_boxes.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;

namespace quendra {

class ConverterWindow : public QDialog, public DialogWindow, public DialogFace {
    Q_OBJECT

public:
    explicit ConverterWindow(QWidget* parent = nullptr);
    ~ConverterWindow() override;

    // DialogFace
    DialogWindow& window() override { return *this; }
    FileDialogs& fileDialogs() override { return fileDialogs_; }
    MessageBoxes& messages() override { return messages_; }
    DialogResult DoModal(ConverterDialog& dialog) override;
    // The first half of DoModal: ties the window to `dialog` and runs its OnInitDialog.
    void Begin(ConverterDialog& dialog);

    // DialogWindow
    std::string GetPathText() const override;
    void SetPathText(const std::string& text) override;
    WaypointListBox* WaypointList() override { return listSink_.get(); }
    void SetCountText(const std::string& text) override;
    void EndDialog(DialogResult result) override;

    // The control with a template id, or null.
    QWidget* GetDlgItem(int id) const;
    // The checkable item of the dialog's context menu that turns accurate datums on.
    QAction* DatumTransformAction() const { return datumAction_; }

    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void listWaypoints();
    void browse();
    void convert();

private:
    void CreateControls();

    ConverterDialog* steps_ = nullptr;
    QtFileDialogs fileDialogs_;
    QtMessageBoxes messages_;
    DialogBaseUnits baseUnits_;

    QLineEdit* pathEdit_ = nullptr;
    QListWidget* waypointList_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QAction* datumAction_ = nullptr;
    std::unique_ptr<QtListBox> listSink_;
};

// The application icon, at every size it is drawn in.
QIcon LoadAppIcon();

}  // namespace quendra
