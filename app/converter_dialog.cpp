#include "app/converter_dialog.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "res/string_table.h"
#include "waypoints/display_line.h"

namespace quendra {

namespace {

const FileDialogRequest kOpenGtm{FileDialogRequest::Mode::Open,
                                 {{"GPS TrackMaker Files", {"*.gtm", "*.gtz", "*.gtm.gz"}},
                                  {"GPX Files", {"*.gpx", "*.gpx.gz"}}},
                                 "",
                                 ""};
const FileDialogRequest kSaveWtr{
    FileDialogRequest::Mode::Save, {{"Garmin WTR Files", {"*.wtr"}}}, "wtr", ""};

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

// A string-table text with %1 and %2 filled in.
std::string Fill(int stringId, const std::string& first, const std::string& second = {}) {
    const std::string_view pattern = LoadString(stringId);
    std::string text;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const char next = at + 1 < pattern.size() ? pattern[at + 1] : '\0';
        if (pattern[at] == '%' && (next == '1' || next == '2')) {
            text += next == '1' ? first : second;
            ++at;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

// The dialog's own words for our own causes: what may not be replaced, and why a file
// gave no waypoints.
constexpr std::pair<Failure, int> kOurWords[] = {
    {Failure::SameFileAsInput, IDS_CAUSE_SAME_FILE},
    {Failure::NotRegularFile, IDS_CAUSE_NOT_REGULAR_FILE},
    {Failure::ReadOnly, IDS_CAUSE_READ_ONLY},
    {Failure::FolderNotWritable, IDS_CAUSE_FOLDER_NOT_WRITABLE},
    {Failure::OwnerOnlyFolder, IDS_CAUSE_OWNER_ONLY_FOLDER},
    {Failure::WrongSignature, IDS_CAUSE_NOT_GTM},
    {Failure::Empty, IDS_CAUSE_DAMAGED},
    {Failure::Truncated, IDS_CAUSE_DAMAGED},
    {Failure::Malformed, IDS_CAUSE_DAMAGED},
    {Failure::CompressedTruncated, IDS_CAUSE_COMPRESSED_DAMAGED},
    {Failure::CompressedCorrupt, IDS_CAUSE_COMPRESSED_DAMAGED},
    {Failure::InflatedTooLarge, IDS_CAUSE_COMPRESSED_DAMAGED},
    {Failure::NoWaypoints, IDS_CAUSE_NO_WAYPOINTS},
};

// Our own words for a cause of ours that has them; empty otherwise.
std::string OurWordsFor(const std::error_code& cause) {
    for (const auto& [failure, words] : kOurWords) {
        if (cause == failure) return std::string(LoadString(words));
    }
    return {};
}

// Our own words for our own refusals; the system's for everything else.
std::string CauseOf(const std::error_code& cause) {
    std::string words = OurWordsFor(cause);
    return words.empty() ? SystemWords(cause) : words;
}

// The dialog's words for why a file gave no waypoints; the system's reason where it is one.
std::string ListingCause(const WaypointFile& file) {
    const Failure error = file.set.error == Failure::None ? Failure::NoWaypoints : file.set.error;
    const std::error_code& cause = file.set.cause;
    const std::string line = std::to_string(file.gpx.line);
    switch (error) {
        case Failure::CannotOpen:
            if (cause == std::errc::no_such_file_or_directory) {
                return std::string(LoadString(IDS_CAUSE_NO_SUCH_FILE));
            }
            break;
        case Failure::MalformedXml:
            return Fill(IDS_CAUSE_XML_BROKEN, line);
        case Failure::XmlRefused:
            return Fill(IDS_CAUSE_XML_REFUSED, line);
        case Failure::BadPosition:
            return Fill(IDS_CAUSE_BAD_POSITION, std::to_string(file.gpx.badWaypoint + 1),
                        file.gpx.badName);
        default:
            break;
    }
    if (std::string words = OurWordsFor(error); !words.empty()) return words;
    // Opening or reading failed, or the records found no memory.
    return Fill(
        IDS_CAUSE_UNREADABLE,
        CauseOf(error == Failure::OutOfMemory ? std::make_error_code(std::errc::not_enough_memory)
                                              : cause));
}

}  // namespace

std::string ListingFailureMessage(const std::string& path, const WaypointFile& file) {
    return Fill(IDS_LIST_FAILED, path, ListingCause(file));
}

std::string SaveFailureMessage(const std::string& path, const WtrWaypointSet& wtr,
                               const GtmWaypointSet& gtm) {
    std::string cause;
    if (wtr.badWaypoint >= 0 && wtr.badWaypoint < gtm.count && gtm.records) {
        CodePageDecoder names;
        names.Open(kDefaultCodePage);
        cause = Fill(IDS_CAUSE_BAD_POSITION, std::to_string(wtr.badWaypoint + 1),
                     names.Decode(gtm.records[wtr.badWaypoint].name));
    } else if (wtr.saveError) {
        cause = CauseOf(wtr.saveError);
    } else {
        // BuildFrom found no memory for the records.
        cause = SystemWords(std::make_error_code(std::errc::not_enough_memory));
    }
    const bool inPlace = wtr.saveError.category() == FolderSyncCategory();
    return Fill(inPlace ? IDS_SAVE_NOT_DURABLE : IDS_SAVE_FAILED, path, cause);
}

ConverterDialog::ConverterDialog(DialogServices services) : services_(services) {}

ConverterDialog::~ConverterDialog() = default;

bool ConverterDialog::OnInitDialog() {
    std::string path = startFile_;
    if (path.empty()) path = services_.profile.GetProfileString(kProfileSection, kGtmFileEntry);
    services_.window.SetPathText(path);
    // A remembered file that no longer lists is the user's old business, not news.
    List(!startFile_.empty());
    return true;
}

bool ConverterDialog::DestroyWindow() {
    file_.reset();
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
    List(true);
}

void ConverterDialog::List(bool tellFailure) {
    const std::string path = services_.window.GetPathText();
    if (path.empty()) return;
    WaypointListBox* list = services_.window.WaypointList();
    if (list == nullptr) return;

    list->ResetContent();
    file_.reset();
    listedPath_.clear();
    shiftAgreed_ = false;
    file_.reset(new (std::nothrow) WaypointFile);
    if (!file_) {
        WaypointFile none;
        none.set.error = Failure::OutOfMemory;
        listingFailure_ = ListingFailureMessage(path, none);
        if (tellFailure) services_.messages.ShowOkText(listingFailure_);
        return;
    }
    listingFailure_.clear();
    // GPX names are written in Big5, as WTR devices read it, whatever the system's code page;
    // they are listed as written. GTM names are the system's bytes, shown as it shows them.
    CodePageEncoder gpxNames;
    gpxNames.Open(kGpxNameCodePage);
    const GtmWaypointSet& set = file_->set;
    if (file_->Load(PathFromText(path), gpxNames)) {
        CodePageDecoder names;
        names.Open(file_->format == WaypointFormat::Gpx ? kGpxNameCodePage : kDefaultCodePage);
        for (std::int32_t i = 0; i < set.count; ++i) {
            list->AddLine(names.Decode(DisplayLine(set.records[i])));
        }
    }
    listedPath_ = path;
    services_.window.SetCountText(std::to_string(set.count));
    services_.profile.WriteProfileString(kProfileSection, kGtmFileEntry, path);
    if (set.count > 0 && set.records) return;
    // A file that loads with no waypoints has nothing to convert either.
    listingFailure_ = ListingFailureMessage(path, *file_);
    if (tellFailure) services_.messages.ShowOkText(listingFailure_);
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
    if (!file_ || file_->set.count == 0 || !file_->set.records) {
        // Told again: the box of the listing may have gone unseen, or never been shown.
        services_.messages.ShowOkText(listingFailure_.empty()
                                          ? std::string(LoadString(IDS_NOTHING_LISTED))
                                          : listingFailure_);
        return;
    }
    const DatumMode mode = AccurateDatums() ? DatumMode::Accurate : DatumMode::Simple;
    const GtmWaypointSet& set = file_->set;
    const DatumVerdict verdict = set.CheckDatum(mode);
    if (verdict.kind == DatumVerdict::Kind::Refuse) {
        services_.messages.ShowOk(IDS_DATUM_UNSUPPORTED);
        return;
    }
    if (verdict.kind == DatumVerdict::Kind::AskThenShift && !shiftAgreed_) {
        if (!services_.messages.AskYesNo(IDS_DATUM_HUTZUSHAN)) return;
        shiftAgreed_ = true;
    }
    std::string wtrPath;
    if (!AskWtrFileName(wtrPath)) return;
    services_.profile.WriteProfileString(kProfileSection, kWtrFileEntry, wtrPath);

    WtrWaypointSet wtr;
    if (wtr.BuildFrom(set.count, set.records.get(), verdict.conversion) &&
        wtr.Save(PathFromText(wtrPath), PathFromText(listedPath_))) {
        OnOK();
        return;
    }
    // The user chose a file and has no other way to learn why the dialog did not close.
    services_.messages.ShowOkText(SaveFailureMessage(wtrPath, wtr, set));
}

bool ConverterDialog::AskWtrFileName(std::string& path) {
    FileDialogRequest request = kSaveWtr;
    request.initialDirectory = services_.profile.GetProfileString(kProfileSection, kWtrFileEntry);
    return services_.fileDialogs.Run(request, path);
}

bool ConverterDialog::AccurateDatums() const {
    return services_.profile.GetProfileString(kProfileSection, kDatumTransformEntry) ==
           kDatumModeAccurate;
}

void ConverterDialog::SetAccurateDatums(bool accurate) {
    services_.profile.WriteProfileString(
        kProfileSection, kDatumTransformEntry,
        std::string(DatumModeName(accurate ? DatumMode::Accurate : DatumMode::Simple)));
}

void ConverterDialog::OnDropFiles(const std::vector<std::string>& paths) {
    if (paths.size() != 1) return;
    std::error_code error;
    if (std::filesystem::is_directory(PathFromText(paths.front()), error)) return;
    services_.window.SetPathText(paths.front());
    OnListWaypoints();
}

}  // namespace quendra
