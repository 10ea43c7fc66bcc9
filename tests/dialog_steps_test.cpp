// The dialog's steps as a user meets them, whatever the toolkit: what listing shows and
// remembers, where the file dialogs start, and what Convert asks, stores and writes.
#include <gtest/gtest.h>

#include <map>

#include "app/converter_dialog.h"
#include "platform/file_io.h"
#include "res/string_table.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/gzip.h"
#include "tests/support/temp_dir.h"

namespace quendra::testing {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
const Lines kListed = {"HOME        13", "中文        -3"};  // Big5 in the file
// 25.0 written as it is, shifted, and where PROJ puts it from Hu-Tzu-Shan (24.998224480237,
// tests/support/proj_positions.h), in the file's semicircle units.
constexpr std::int32_t kLatitude = 298261600, kShifted = 298240363, kAccurate = 298240417;

GtmBuilder TwoWaypoints(std::uint16_t datum = 217, double secondLatitude = 25.0) {
    return std::move(
        GtmBuilder()
            .Datum(datum)
            .Add({.name = "HOME", .icon = 27, .altitude = 12.6f})
            .Add({.latitude = secondLatitude, .name = "\xA4\xA4\xA4\xE5", .altitude = -3.0f}));
}

// The box of a failed save: the file, then the cause.
std::string SaveFailed(const std::string& path, const std::string& cause) {
    return "無法寫入WTR檔案：\n" + path + "\n\n原因：" + cause;
}

using Filters = std::vector<FileDialogRequest::Filter>;

// A request as one value: save or open, filter, default extension, initial directory.
auto Fields(const FileDialogRequest& r) {
    return std::tuple(r.mode == FileDialogRequest::Mode::Save, r.filters, r.defaultExtension,
                      r.initialDirectory);
}

// A dialog over fake services, its files in a scratch folder.
struct Harness {
    explicit Harness(bool answerYes = true) : messages(answerYes) {}

    std::string Path(const char* name) const { return *name ? (dir / name).string() : ""; }
    std::string Gtm(const char* name, const GtmBuilder& gtm) const {
        WriteBytes(dir / name, gtm.Build());
        return Path(name);
    }
    std::string& Stored(const char* entry) { return profile.values[{kProfileSection, entry}]; }

    TempDir dir;
    FakeWindow window;
    FakeFileDialogs files;
    FakeMessages messages;
    FakeProfile profile;
    ConverterDialog dialog{{window, files, messages, profile}};
};

// Every way a path reaches the list: at start, typed, browsed, dropped. 2.gtm holds two
// waypoints, 2.gtz the same compressed, 1.gtm one, 0.gtm none; cut.gtm states more than it
// holds, cut.gtz is a cut gzip header, text.gtm is text. A file that gives no waypoints
// brings a box, except the remembered one at start; Convert brings it again, or says none
// was listed.
TEST(DialogSteps, ListingShowsTheFileAndRemembersItsPathOrSaysWhyNot) {
    enum How { kStart, kTyped, kBrowsed, kDropped };
    struct Case {
        const char* what;
        const char* remembered;
        How how;
        std::vector<const char*> given;  // start file; typed; typed then chosen; dropped
        const char* shown;               // in the path box
        const char* listed;              // and remembered; "" for none
        const char* cause = nullptr;     // why `listed` gave no waypoints (the box's start)
    };
    const char *gone = "找不到這個檔案。", *none = "這個檔案中沒有航點。";
    const char *text = "這既不是GTM檔案，也不是GPX檔案。", *cut = "檔案不完整或已損壞。";
    const char* zip = "檔案中壓縮的資料已損壞。";
    const Case cases[] = {
        {"first run", "", kStart, {}, "", ""},
        {"start lists the remembered file", "2.gtm", kStart, {}, "2.gtm", "2.gtm"},
        {"remembered file is gone", "gone.gtm", kStart, {}, "gone.gtm", "gone.gtm", gone},
        {"no waypoints, unknown datum", "0.gtm", kStart, {}, "0.gtm", "0.gtm", none},
        {"a file opened from outside", "2.gtm", kStart, {"1.gtm"}, "1.gtm", "1.gtm"},
        {"a gone file opened", "2.gtm", kStart, {"gone.gtm"}, "gone.gtm", "gone.gtm", gone},
        {"List with an empty path changes nothing", "2.gtm", kTyped, {""}, "", "2.gtm"},
        {"List of a missing path", "2.gtm", kTyped, {"gone.gtm"}, "gone.gtm", "gone.gtm", gone},
        {"List of a text file", "2.gtm", kTyped, {"text.gtm"}, "text.gtm", "text.gtm", text},
        {"List of a folder", "2.gtm", kTyped, {"."}, ".", ".", "無法讀取這個檔案："},
        {"Browse cancelled", "2.gtm", kBrowsed, {"typed.gtm", ""}, "typed.gtm", "2.gtm"},
        {"Browse chosen", "2.gtm", kBrowsed, {"typed.gtm", "1.gtm"}, "1.gtm", "1.gtm"},
        {"Browse chosen, cut", "2.gtm", kBrowsed, {"t.gtm", "cut.gtm"}, "cut.gtm", "cut.gtm", cut},
        {"one file dropped", "2.gtm", kDropped, {"1.gtm"}, "1.gtm", "1.gtm"},
        {"two files dropped", "2.gtm", kDropped, {"1.gtm", "2.gtm"}, "2.gtm", "2.gtm"},
        {"a folder dropped", "2.gtm", kDropped, {"."}, "2.gtm", "2.gtm"},
        {"a compressed file dropped", "1.gtm", kDropped, {"2.gtz"}, "2.gtz", "2.gtz"},
        {"a cut one dropped", "1.gtm", kDropped, {"cut.gtz"}, "cut.gtz", "cut.gtz", zip},
        {"no waypoints dropped", "1.gtm", kDropped, {"0.gtm"}, "0.gtm", "0.gtm", none},
    };
    const std::map<std::string, Lines> contents{
        {"2.gtm", kListed}, {"2.gtz", kListed}, {"1.gtm", {"WPT        100"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.Gtm("2.gtm", TwoWaypoints());
        h.Gtm("1.gtm", GtmBuilder().Add({}));
        h.Gtm("0.gtm", GtmBuilder().Datum(0));
        h.Gtm("cut.gtm", GtmBuilder().StatedWaypointCount(2).Add({}));
        WriteBytes(h.dir / "text.gtm", {'W', 'P', 'T', ' ', '1', '\n'});
        WriteBytes(h.dir / "2.gtz", Gzip(TwoWaypoints().Build()));
        WriteBytes(h.dir / "cut.gtz", {0x1F, 0x8B});
        if (*c.remembered) h.Stored(kGtmFileEntry) = h.Path(c.remembered);
        std::vector<std::string> given;
        for (const char* name : c.given) given.push_back(h.Path(name));
        if (c.how == kStart && !given.empty()) h.dialog.SetStartFile(given[0]);
        h.dialog.OnInitDialog();
        if (c.how == kTyped || c.how == kBrowsed) h.window.pathText = given[0];
        if (c.how == kTyped) h.dialog.OnListWaypoints();
        if (c.how == kBrowsed) {
            h.files.answers = {given[1]};
            h.dialog.OnBrowse();
        }
        if (c.how == kDropped) h.dialog.OnDropFiles(given);
        const Lines lines = contents.contains(c.listed) ? contents.at(c.listed) : Lines{};
        EXPECT_EQ(h.window.pathText, h.Path(c.shown));
        EXPECT_EQ(h.window.lines, lines);
        EXPECT_EQ(h.window.countText, *c.listed ? std::to_string(lines.size()) : "");
        EXPECT_EQ(h.Stored(kGtmFileEntry), h.Path(c.listed));
        const std::string box = c.cause
                                    ? "無法列出航點：\n" + h.Path(c.listed) + "\n\n原因：" + c.cause
                                    : "尚未列出任何GTM檔案的航點。";
        const bool silent = c.how == kStart && given.empty();
        ASSERT_EQ(h.messages.shownTexts.size(), c.cause && !silent ? 1u : 0u);
        // With waypoints listed Convert goes on to the save dialog; without, it tells why.
        const std::size_t before = h.files.requests.size();
        h.dialog.OnConvert();
        EXPECT_EQ(h.files.requests.size() - before, lines.empty() ? 0u : 1u);
        if (lines.empty()) {
            for (const std::string& shown : h.messages.shownTexts)
                EXPECT_TRUE(shown.starts_with(box)) << shown;
            EXPECT_EQ(h.messages.shownTexts.size(), silent ? 1u : 2u);
        }
        EXPECT_TRUE(h.messages.asked.empty() && h.messages.shown.empty());
        EXPECT_EQ(h.window.ended, 0);
    }
}

// The open dialog starts from the path box as a 260-character buffer holds it, cut between
// characters.
TEST(DialogSteps, BrowseStartsFromThePathBox) {
    Harness h;
    h.window.pathText = std::string(258, 'a') + "中文";
    h.dialog.OnBrowse();
    EXPECT_EQ(Fields(h.files.requests.at(0)),
              std::tuple(false,
                         Filters{{"GPS TrackMaker Files", {"*.gtm", "*.gtz", "*.gtm.gz"}},
                                 {"GPX Files", {"*.gpx", "*.gpx.gz"}}},
                         ""s, std::string(258, 'a') + "中"));
}

// After the user chose a file, a failure says which file and why; the dialog stays.
TEST(DialogSteps, ConvertChecksTheDatumThenAsksWhereToSave) {
    struct Case {
        const char* what;
        std::uint16_t datum;
        bool answerYes;
        const char* saveAs;  // "" cancels the save dialog
        std::vector<int> asked, shown;
        bool saveDialog;
        std::int32_t latitude;                 // of the first waypoint written; 0: no file
        const char* datumTransform = nullptr;  // the profile entry; none when absent
        // The cause a box gives after a failed save: nullptr for no box.
        const char* cause = nullptr;
        double secondLatitude = 25.0;
    };
    const std::vector<int> none, hutzushan{IDS_DATUM_HUTZUSHAN}, other{IDS_DATUM_UNSUPPORTED};
    const Case cases[] = {
        {"WGS84 silently", 217, true, "out.wtr", none, none, true, kLatitude},
        {"Hu-Tzu-Shan, Yes shifts", 81, true, "out.wtr", hutzushan, none, true, kShifted},
        {"Hu-Tzu-Shan, No stops", 81, false, "out.wtr", hutzushan, none, false, 0},
        {"other datum refused", 216, true, "out.wtr", none, other, false, 0},
        {"save cancelled", 217, true, "", none, none, true, 0},
        {"write fails", 217, true, "no such folder/out.wtr", none, none, true, 0, nullptr, ""},
        {"the listed file is never replaced", 217, true, "in.gtm", none, none, true, 0, nullptr,
         "這正是目前轉換的GTM檔案。"},
        {"a folder", 217, true, "folder.wtr", none, none, true, 0, nullptr,
         "這不是一般檔案（例如資料夾或裝置）。"},
        {"a read-only file", 217, true, "readonly.wtr", none, none, true, 0, nullptr,
         "這個檔案是唯讀的。"},
        {"a position a WTR file cannot hold", 217, true, "out.wtr", none, none, true, 0, nullptr,
         "第2個航點「中文」的座標超出WTR檔案能記錄的範圍。", 1e300},
        {"accurate: WGS84 as it is", 217, true, "out.wtr", none, none, true, kLatitude, "accurate"},
        {"accurate: unknown datum", 216, true, "out.wtr", none, other, false, 0, "accurate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h(c.answerYes);
        h.Stored(kWtrFileEntry) = h.Path("last.wtr");
        const GtmBuilder gtm = TwoWaypoints(c.datum, c.secondLatitude);
        h.Stored(kGtmFileEntry) = h.Gtm("in.gtm", gtm);
        if (c.datumTransform) h.Stored(kDatumTransformEntry) = c.datumTransform;
        std::filesystem::create_directory(h.dir / "folder.wtr");
        WriteBytes(h.dir / "readonly.wtr", {1, 2, 3});
        std::filesystem::permissions(h.dir / "readonly.wtr", std::filesystem::perms(0444));
        h.dialog.OnInitDialog();
        h.files.answers = {h.Path(c.saveAs)};
        h.dialog.OnConvert();
        EXPECT_EQ(h.messages.asked, c.asked);
        EXPECT_EQ(h.messages.shown, c.shown);
        EXPECT_EQ(h.files.requests.size(), c.saveDialog ? 1u : 0u);
        for (const FileDialogRequest& request : h.files.requests) {
            EXPECT_EQ(Fields(request), std::tuple(true, Filters{{"Garmin WTR Files", {"*.wtr"}}},
                                                  "wtr"s, h.Path("last.wtr")));
        }
        // The chosen path is remembered whether or not the file can be written.
        EXPECT_EQ(h.Stored(kWtrFileEntry),
                  h.Path(*c.saveAs && c.saveDialog ? c.saveAs : "last.wtr"));
        EXPECT_EQ(Field<std::int32_t>(ReadBytes(h.dir / "out.wtr"), 16 + 20), c.latitude);
        EXPECT_EQ(ReadBytes(h.dir / "in.gtm"), gtm.Build());
        EXPECT_EQ(ReadBytes(h.dir / "readonly.wtr"), (std::vector<std::uint8_t>{1, 2, 3}));
        std::filesystem::permissions(h.dir / "readonly.wtr", std::filesystem::perms(0644));
        // The dialog ends once the file is written, and stays open otherwise.
        EXPECT_EQ(h.window.ended, c.latitude ? kDialogOk : 0);
        ASSERT_EQ(h.messages.shownTexts.size(), c.cause ? 1u : 0u);
        if (c.cause) {  // the file, then the cause: the system's words when none is given
            const std::string& box = h.messages.shownTexts[0];
            EXPECT_TRUE(box.starts_with(SaveFailed(h.Path(c.saveAs), "")) && box.ends_with(c.cause))
                << box;
        }
    }
}

// The causes no test folder can make: our own words, the system's, and a file already in
// place whose folder could not be synced.
TEST(DialogSteps, SaveFailureMessageNamesTheFileAndTheCause) {
    const std::string noSpace = std::generic_category().message(ENOSPC);
    const std::pair<std::error_code, std::string> cases[] = {
        {Failure::FolderNotWritable, SaveFailed("/x/a.wtr", "這個資料夾不允許建立檔案。")},
        {Failure::OwnerOnlyFolder, SaveFailed("/x/a.wtr", std::string(kCauseOwnerOnlyFolderText))},
        {std::error_code(ENOSPC, std::generic_category()), SaveFailed("/x/a.wtr", noSpace)},
#ifndef _WIN32
        {std::error_code(ENOSPC, FolderSyncCategory()),
         "WTR檔案已寫入，但資料夾未能同步到磁碟，若系統當機，新檔案可能不會保留：\n/x/"
         "a.wtr\n\n原因：" +
             noSpace},
#endif
    };
    const GtmWaypointSet gtm;
    for (const auto& [cause, text] : cases) {
        SCOPED_TRACE(cause.message());
        WtrWaypointSet wtr;
        wtr.saveError = cause;
        EXPECT_EQ(SaveFailureMessage("/x/a.wtr", wtr, gtm), text);
    }
}

// The mode is read when Convert runs and applies to the positions as loaded: after a
// cancelled save in one mode, Convert in another writes that mode's positions. The
// Hu-Tzu-Shan question is asked once per listed file.
TEST(DialogSteps, ConvertAppliesTheModeOfTheMomentToThePositionsAsLoaded) {
    for (auto [first, then] : {std::pair{false, true}, {true, false}, {false, false}}) {
        Harness h;
        h.Stored(kGtmFileEntry) = h.Gtm("in.gtm", TwoWaypoints(81));
        h.dialog.OnInitDialog();
        h.dialog.SetAccurateDatums(first);
        EXPECT_EQ(h.Stored(kDatumTransformEntry), first ? "accurate" : "simple");
        EXPECT_EQ(h.dialog.AccurateDatums(), first);
        h.dialog.OnConvert();  // save cancelled
        h.dialog.SetAccurateDatums(then);
        h.files.answers = {h.Path("out.wtr")};
        h.dialog.OnConvert();
        EXPECT_EQ(h.messages.asked.size(), first && then ? 0u : 1u);
        EXPECT_EQ(Field<std::int32_t>(ReadBytes(h.dir / "out.wtr"), 16 + 20),
                  then ? kAccurate : kShifted);
    }
}

}  // namespace
}  // namespace quendra::testing
