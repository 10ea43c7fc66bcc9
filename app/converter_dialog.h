// The program's one window: name a GTM file, see its waypoints, convert them to WTR.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <memory>

#include "platform/codepage.h"
#include "platform/message_boxes.h"
#include "platform/qt/dialog_units.h"
#include "platform/qt/file_dialogs.h"
#include "waypoints/gtm_waypoint_set.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace quendra {

class AppProfile;

// Where the dialog asks the user things; a null one is Qt's own dialog or box.
struct DialogHooks {
    FileDialogs* fileDialogs = nullptr;
    MessageBoxes* messages = nullptr;
};

class ConverterDialog : public QDialog {
    Q_OBJECT

public:
    explicit ConverterDialog(AppProfile& profile, DialogHooks hooks = {},
                             QWidget* parent = nullptr);
    ~ConverterDialog() override;

    // Initializes, runs the modal loop, destroys the window; returns Accepted or Rejected.
    int DoModal();
    virtual bool OnInitDialog();
    virtual bool DestroyWindow();
    virtual void OnOK();
    virtual void OnCancel();

    void OnListWaypoints();
    void OnBrowse();
    void OnConvert();
    bool AskWtrFileName(QString& path);

    // The control with a template id, or null.
    QWidget* GetDlgItem(int id) const;
    const GtmWaypointSet* waypointSet() const { return waypointSet_.get(); }
    DialogBaseUnits baseUnits() const { return baseUnits_; }

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();

    AppProfile& profile_;
    QIcon icon_;
    std::unique_ptr<GtmWaypointSet> waypointSet_;

    std::unique_ptr<FileDialogs> ownFileDialogs_;
    std::unique_ptr<MessageBoxes> ownMessages_;
    FileDialogs* fileDialogs_;
    MessageBoxes* messages_;
    CodePageDecoder decoder_;
    DialogBaseUnits baseUnits_;

    QLineEdit* pathEdit_ = nullptr;
    QListWidget* waypointList_ = nullptr;
    QLabel* countLabel_ = nullptr;
};

// The application icon, at every size it is drawn in.
QIcon LoadAppIcon();

}  // namespace quendra
