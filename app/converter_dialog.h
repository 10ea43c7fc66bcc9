// The program's one dialog, written once for every toolkit: name a GTM file, see its
// waypoints, convert them to WTR. A face builds the window and forwards its events here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/dialog_window.h"
#include "app/file_dialogs.h"
#include "app/message_boxes.h"
#include "app/profile.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/waypoint_file.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

// What the dialog's steps talk to.
struct DialogServices {
    DialogWindow& window;
    FileDialogs& fileDialogs;
    MessageBoxes& messages;
    Profile& profile;
};

// What the user is told when the WTR file they chose at `path` was not written, or was
// written but may not survive a crash: the file and the cause (`wtr` failed to build from
// `gtm`'s records, or to save), in our own words for our own refusals and the system's
// otherwise.
std::string SaveFailureMessage(const std::string& path, const WtrWaypointSet& wtr,
                               const GtmWaypointSet& gtm);

// What the user is told when the file at `path` they asked to list gave no waypoints:
// the file and the cause (`file.set`'s error, with the system's cause where there is one,
// and for a GPX file where it broke or which waypoint was refused).
std::string ListingFailureMessage(const std::string& path, const WaypointFile& file);

class ConverterDialog {
public:
    explicit ConverterDialog(DialogServices services);
    virtual ~ConverterDialog();
    ConverterDialog(const ConverterDialog&) = delete;
    ConverterDialog& operator=(const ConverterDialog&) = delete;

    // A file to list at start in place of the remembered one (opened from outside).
    void SetStartFile(std::string path) { startFile_ = std::move(path); }

    virtual bool OnInitDialog();
    // Releases the loaded set; the face destroys the window itself.
    virtual bool DestroyWindow();
    virtual void OnOK();
    virtual void OnCancel();

    void OnListWaypoints();
    void OnBrowse();
    void OnConvert();
    bool AskWtrFileName(std::string& path);
    // One file dropped on the window is listed as if typed; several files, or a
    // folder, are ignored.
    void OnDropFiles(const std::vector<std::string>& paths);

    // The datum mode as stored in the profile, which Convert reads each time it runs; the
    // faces show it as a checkable menu item.
    bool AccurateDatums() const;
    void SetAccurateDatums(bool accurate);

    const GtmWaypointSet* waypointSet() const { return file_ ? &file_->set : nullptr; }

private:
    // Lists the path box's file; a failure is told in a box when `tellFailure`.
    void List(bool tellFailure);

    DialogServices services_;
    std::unique_ptr<WaypointFile> file_;
    // The file the set came from, which a save must never replace.
    std::string listedPath_;
    // The user agreed to the Hu-Tzu-Shan shift of the listed set: not asked again.
    bool shiftAgreed_ = false;
    // The box text of the last listing when it gave no waypoints, which Convert shows.
    std::string listingFailure_;
    std::string startFile_;
};

}  // namespace quendra
