// The dialog's steps as a user meets them, whatever the toolkit: what listing shows and
// remembers, where the file dialogs start, and what Convert asks, stores and writes.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "app/converter_app.h"
#include "res/string_table.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra::testing {
namespace {

using Lines = std::vector<std::string>;
const Lines kListed = {"HOME        13", "\xA4\xA4\xA4\xE5        -3"};  // 中文 in Big5
constexpr std::int32_t kLatitude = 298261600, kShifted = 298240363;

GtmBuilder TwoWaypoints(std::uint16_t datum = 217) {
    return std::move(GtmBuilder()
                         .Datum(datum)
                         .Add({.name = "HOME", .icon = 27, .altitude = 12.6f})
                         .Add({.name = "\xA4\xA4\xA4\xE5", .altitude = -3.0f}));
}

std::int32_t FirstLatitude(const std::filesystem::path& wtr) {
    const std::vector<std::uint8_t> bytes = ReadBytes(wtr);
    std::int32_t latitude = 0;
    if (bytes.size() >= 40) std::memcpy(&latitude, bytes.data() + 36, sizeof latitude);
    return latitude;
}

// A dialog over fake services, its files in a scratch folder.
struct Harness {
    explicit Harness(bool answerYes = true) : messages(answerYes) {}

    std::string Path(const char* name) const { return *name ? (dir / name).string() : ""; }
    std::string Gtm(const char* name, const GtmBuilder& gtm) const {
        WriteBytes(dir / name, gtm.Build());
        return Path(name);
    }
    void Remember(const char* entry, const std::string& value) {
        profile.values[{kProfileSection, entry}] = value;
    }
    std::optional<std::string> Stored(const char* entry) const {
        auto found = profile.values.find({kProfileSection, entry});
        if (found == profile.values.end()) return std::nullopt;
        return found->second;
    }
    ConverterDialog& Start(const std::string& startFile = {}) {
        dialog.SetStartFile(startFile);
        dialog.OnInitDialog();
        return dialog;
    }
    ConverterDialog& StartListing(const GtmBuilder& gtm) {
        Remember(kGtmFileEntry, Gtm("in.gtm", gtm));
        return Start();
    }
    void List(const std::string& typed) {
        window.pathText = typed;
        dialog.OnListWaypoints();
    }

    TempDir dir;
    FakeWindow window;
    FakeFileDialogs files;
    FakeMessages messages;
    FakeProfile profile;
    ConverterDialog dialog{{window, files, messages, profile}};
};

TEST(DialogSteps, ListingShowsTheFileAndRemembersItsPath) {
    struct Case {
        const char* what;
        const char* remembered;
        std::optional<GtmBuilder> file;  // written as `remembered`
        const char* typed;               // then List pressed with this path; null: not pressed
        Lines lines;
        const char* count;
        const char* stored;  // "" for none
    };
    const GtmBuilder two = TwoWaypoints(), none = GtmBuilder().Datum(0);
    const Case cases[] = {
        {"first run", "", {}, nullptr, {}, "", ""},
        {"start lists the remembered file", "in.gtm", two, nullptr, kListed, "2", "in.gtm"},
        {"remembered file is gone", "gone.gtm", {}, nullptr, {}, "0", "gone.gtm"},
        {"no waypoints, unknown datum", "in.gtm", none, nullptr, {}, "0", "in.gtm"},
        {"List with an empty path changes nothing", "in.gtm", two, "", kListed, "2", "in.gtm"},
        {"List of a missing path", "in.gtm", two, "missing.gtm", {}, "0", "missing.gtm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        if (c.file) h.Gtm(c.remembered, *c.file);
        if (*c.remembered) h.Remember(kGtmFileEntry, h.Path(c.remembered));
        h.Start();
        if (c.typed) h.List(h.Path(c.typed));
        EXPECT_EQ(h.window.pathText, h.Path(c.typed ? c.typed : c.remembered));
        EXPECT_EQ(h.window.list.lines, c.lines);
        EXPECT_EQ(h.window.countText, c.count);
        EXPECT_EQ(h.Stored(kGtmFileEntry),
                  *c.stored ? std::optional(h.Path(c.stored)) : std::nullopt);
        // With waypoints listed Convert goes on to the save dialog; without, it does nothing.
        h.dialog.OnConvert();
        EXPECT_EQ(h.files.requests.size(), c.lines.empty() ? 0u : 1u);
        EXPECT_TRUE(h.messages.asked.empty() && h.messages.shown.empty());
    }
}

TEST(DialogSteps, BrowseStartsFromThePathBoxAndListsTheChosenFile) {
    Harness h;
    h.StartListing(TwoWaypoints());
    const std::string typed = h.Path("typed, not listed.gtm");
    h.window.pathText = typed;
    h.dialog.OnBrowse();  // Cancel
    EXPECT_EQ(h.window.pathText, typed);
    EXPECT_EQ(h.window.list.lines, kListed);

    const std::string chosen = h.Gtm("chosen.gtm", GtmBuilder().Add({}));
    h.files.answers = {chosen};
    h.dialog.OnBrowse();
    const FileDialogRequest& request = h.files.requests.at(1);
    EXPECT_EQ(request.mode, FileDialogRequest::Mode::Open);
    EXPECT_EQ(request.description, "GPS TrackMaker Files");
    EXPECT_EQ(request.patterns, (Lines{"*.gtm", "*.gtz"}));
    EXPECT_EQ(request.defaultExtension, "");
    EXPECT_EQ(request.initialDirectory, typed);
    EXPECT_EQ(h.window.list.lines, Lines{"WPT        100"});
    EXPECT_EQ(h.Stored(kGtmFileEntry), chosen);

    // The path box goes over as a 260-character buffer holds it, cut between characters.
    h.window.pathText = std::string(258, 'a') + "中文";
    h.dialog.OnBrowse();
    EXPECT_EQ(h.files.requests.at(2).initialDirectory, std::string(258, 'a') + "中");
}

TEST(DialogSteps, ConvertChecksTheDatumThenAsksWhereToSave) {
    struct Case {
        const char* what;
        std::uint16_t datum;
        bool answerYes;
        const char* saveAs;  // "" cancels the save dialog
        std::vector<int> asked, shown;
        bool saveDialog;
        std::int32_t latitude;  // of the first waypoint written; 0: no file
    };
    const std::vector<int> none, hutzushan{IDS_DATUM_HUTZUSHAN}, other{IDS_DATUM_UNSUPPORTED};
    const Case cases[] = {
        {"WGS84 silently", 217, true, "out.wtr", none, none, true, kLatitude},
        {"Hu-Tzu-Shan, Yes shifts", 81, true, "out.wtr", hutzushan, none, true, kShifted},
        {"Hu-Tzu-Shan, No stops", 81, false, "out.wtr", hutzushan, none, false, 0},
        {"other datum refused", 216, true, "out.wtr", none, other, false, 0},
        {"save cancelled", 217, true, "", none, none, true, 0},
        {"write fails", 217, true, "no such folder/out.wtr", none, none, true, 0},
        {"the listed file is never replaced", 217, true, "in.gtm", none, none, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h(c.answerYes);
        h.Remember(kWtrFileEntry, h.Path("last.wtr"));
        h.StartListing(TwoWaypoints(c.datum));
        h.files.answers = {h.Path(c.saveAs)};
        h.dialog.OnConvert();
        EXPECT_EQ(h.messages.asked, c.asked);
        EXPECT_EQ(h.messages.shown, c.shown);
        ASSERT_EQ(h.files.requests.size(), c.saveDialog ? 1u : 0u);
        if (c.saveDialog) {
            const FileDialogRequest& request = h.files.requests[0];
            EXPECT_EQ(request.mode, FileDialogRequest::Mode::Save);
            EXPECT_EQ(request.description, "Garmin WTR Files");
            EXPECT_EQ(request.patterns, Lines{"*.wtr"});
            EXPECT_EQ(request.defaultExtension, "wtr");
            EXPECT_EQ(request.initialDirectory, h.Path("last.wtr"));
        }
        // The chosen path is remembered whether or not the file can be written.
        EXPECT_EQ(h.Stored(kWtrFileEntry),
                  h.Path(*c.saveAs && c.saveDialog ? c.saveAs : "last.wtr"));
        EXPECT_EQ(FirstLatitude(h.dir / "out.wtr"), c.latitude);
        EXPECT_EQ(ReadBytes(h.dir / "in.gtm"), TwoWaypoints(c.datum).Build());
        // The dialog ends once the file is written, and stays open otherwise.
        EXPECT_EQ(h.window.ended, c.latitude ? kDialogOk : 0);
    }
}

TEST(DialogSteps, AShiftAppliesOnceAcrossConverts) {
    Harness h;
    h.StartListing(TwoWaypoints(81));
    h.dialog.OnConvert();  // Yes, then Cancel in the save dialog
    h.files.answers = {h.Path("out.wtr")};
    h.dialog.OnConvert();
    EXPECT_EQ(h.messages.asked.size(), 1u);
    EXPECT_EQ(FirstLatitude(h.dir / "out.wtr"), kShifted);
}

TEST(DialogSteps, AFileFromOutsideIsListedAndRemembered) {
    Harness h;
    h.Remember(kGtmFileEntry, h.Gtm("remembered.gtm", GtmBuilder().Add({})));
    const std::string opened = h.Gtm("opened.gtm", TwoWaypoints());
    h.Start(opened);
    EXPECT_EQ(h.window.pathText, opened);
    EXPECT_EQ(h.window.list.lines, kListed);
    EXPECT_EQ(h.Stored(kGtmFileEntry), opened);

    // Dropped: one file is listed; several files, or a folder, are ignored.
    const std::string dropped = h.Gtm("dropped.gtm", GtmBuilder().Add({}));
    h.dialog.OnDropFiles({dropped, opened});
    h.dialog.OnDropFiles({h.dir.path().string()});
    EXPECT_EQ(h.window.pathText, opened);
    EXPECT_EQ(h.window.list.lines, kListed);
    h.dialog.OnDropFiles({dropped});
    EXPECT_EQ(h.window.pathText, dropped);
    EXPECT_EQ(h.window.list.lines, Lines{"WPT        100"});
    EXPECT_EQ(h.Stored(kGtmFileEntry), dropped);
}

// The face runs the modal loop; the application gives it the key and the file to open.
TEST(ConverterApp, RunsTheDialogUnderTheProgramsKeyAndEnds) {
    struct Face : DialogFace {
        DialogWindow& window() override { return fakeWindow; }
        FileDialogs& fileDialogs() override { return files; }
        MessageBoxes& messages() override { return boxes; }
        DialogResult DoModal(ConverterDialog& dialog) override {
            dialog.OnInitDialog();
            listed = fakeWindow.list.lines;
            dialog.OnCancel();
            return kDialogCancel;
        }
        FakeWindow fakeWindow;
        FakeFileDialogs files;
        FakeMessages boxes;
        Lines listed;
    };
    TempDir dir;
    WriteBytes(dir / "in.gtm", TwoWaypoints().Build());
    Face face;
    FakeProfile profile;
    ConverterApp app(profile, face);
    EXPECT_FALSE(app.InitInstance((dir / "in.gtm").string()));
    EXPECT_EQ(profile.registryKey, "Tavrin\\Moskel");
    EXPECT_EQ(face.listed, kListed);
    EXPECT_EQ(face.fakeWindow.ended, kDialogCancel);
}

}  // namespace
}  // namespace quendra::testing
