#include "app/converter_dialog.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "platform/path_text.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {

const FileDialogRequest kOpenGtm{
    FileDialogRequest::Mode::Open, "GPS TrackMaker Files", {"*.gtm", "*.gtz"}, "", ""};
const FileDialogRequest kSaveWtr{
    FileDialogRequest::Mode::Save, "Garmin WTR Files", {"*.wtr"}, "wtr", ""};

// The path box text goes to the open dialog as a 260-character buffer would hold it.
constexpr std::size_t kMaxPathCharacters = 259;

std::string FirstCharacters(const std::string& utf8, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t taken = 0; at < utf8.size() && taken < characters; ++taken) {
        do {
            ++at;
        } while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80);
    }
    return utf8.substr(0, at);
}

}  // namespace

ConverterDialog::ConverterDialog(DialogServices services) : services_(services) {}

ConverterDialog::~ConverterDialog() = default;

bool ConverterDialog::OnInitDialog() {
    std::string path = startFile_;
    if (path.empty()) path = services_.profile.GetProfileString(kProfileSection, kGtmFileEntry);
    services_.window.SetPathText(path);
    OnListWaypoints();
    return true;
}

bool ConverterDialog::DestroyWindow() {
    waypointSet_.reset();
    listedPath_.clear();
    return true;
}

void ConverterDialog::OnOK() {
    services_.window.EndDialog(kDialogOk);
}

void ConverterDialog::OnCancel() {
    services_.window.EndDialog(kDialogCancel);
}

void ConverterDialog::OnListWaypoints() {
    const std::string path = services_.window.GetPathText();
    if (path.empty()) return;
    WaypointListBox* list = services_.window.WaypointList();
    if (list == nullptr) return;

    list->ResetContent();
    waypointSet_.reset();
    listedPath_.clear();
    waypointSet_.reset(new (std::nothrow) GtmWaypointSet);
    if (!waypointSet_) return;
    waypointSet_->Load(PathFromText(path), *list);
    listedPath_ = path;
    services_.window.SetCountText(std::to_string(waypointSet_->count));
    services_.profile.WriteProfileString(kProfileSection, kGtmFileEntry, path);
}

void ConverterDialog::OnBrowse() {
    FileDialogRequest request = kOpenGtm;
    request.initialDirectory = FirstCharacters(services_.window.GetPathText(), kMaxPathCharacters);
    std::string chosen;
    if (!services_.fileDialogs.Run(request, chosen)) return;
    services_.window.SetPathText(chosen);
    OnListWaypoints();
}

void ConverterDialog::OnConvert() {
    if (!waypointSet_ || waypointSet_->count == 0 || !waypointSet_->records) return;
    const DatumMode mode = AccurateDatums() ? DatumMode::Accurate : DatumMode::Simple;
    if (!waypointSet_->CheckDatum(services_.messages, mode)) return;
    std::string wtrPath;
    if (!AskWtrFileName(wtrPath)) return;
    services_.profile.WriteProfileString(kProfileSection, kWtrFileEntry, wtrPath);

    WtrWaypointSet wtr;
    if (wtr.BuildFrom(waypointSet_->count, waypointSet_->records.get()) &&
        wtr.Save(PathFromText(wtrPath), PathFromText(listedPath_))) {
        OnOK();
    }
}

bool ConverterDialog::AskWtrFileName(std::string& path) {
    FileDialogRequest request = kSaveWtr;
    request.initialDirectory = services_.profile.GetProfileString(kProfileSection, kWtrFileEntry);
    return services_.fileDialogs.Run(request, path);
}

bool ConverterDialog::AccurateDatums() const {
    return services_.profile.GetProfileString(kProfileSection, kDatumTransformEntry) == "accurate";
}

void ConverterDialog::SetAccurateDatums(bool accurate) {
    services_.profile.WriteProfileString(kProfileSection, kDatumTransformEntry,
                                         accurate ? "accurate" : "simple");
}

void ConverterDialog::OnDropFiles(const std::vector<std::string>& paths) {
    if (paths.size() != 1) return;
    std::error_code error;
    if (std::filesystem::is_directory(PathFromText(paths.front()), error)) return;
    services_.window.SetPathText(paths.front());
    OnListWaypoints();
}

}  // namespace quendra
