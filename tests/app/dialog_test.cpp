// The dialog as its user meets it: the window its template lays out, how it lists GTM files
// and remembers paths, and what Convert asks and writes. File dialogs are answered by the
// test; message boxes are Qt's own, read and answered as they open.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

#include "app/app_profile.h"
#include "app/converter_dialog.h"
#include "app/resource.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra::testing {
namespace {

using Box = QMessageBox;
const QStringList kListed{QStringLiteral("HOME        13"), QStringLiteral("中文        -3")};
const QString kHutzushan = QStringLiteral(
    "GTM檔案中使用的是「虎子山」大地座標系統(Datum)，轉至WTR檔案中所使用的WGS84會有誤差。"
    "建議在GTM中選用WGS84存檔，再來作轉檔較佳。要繼續嗎？選繼續的話，程式會運用簡單的公式轉換，"
    "誤差較大。");
const QString kUnsupported = QStringLiteral(
    "GTM檔案中使用的大地座標系統(Datum)無法轉換，建議在GTM中選用WGS84存檔，再來作轉檔。");
constexpr std::int32_t kLatitude = 298261600, kShifted = 298240363;

GtmBuilder TwoWaypoints(std::uint16_t datum = 217) {  // the second named 中文 in Big5
    return std::move(GtmBuilder()
                         .Datum(datum)
                         .Add({25.0, 121.5, "HOME", "", 27, 12.6f})
                         .Add({25.0, 121.5, "\xA4\xA4\xA4\xE5", "", 48, -3.0f}));
}

// The settings entry as stored under the program's key; invalid when none is.
QVariant Stored(const char* entry) {
    return QSettings("Tavrin", "Moskel").value(QString("Dialog/") + entry);
}
std::int32_t FirstLatitude(const std::filesystem::path& wtr) {
    const std::vector<std::uint8_t> bytes = ReadBytes(wtr);
    return bytes.size() < 40 ? 0 : qFromLittleEndian<std::int32_t>(bytes.data() + 36);
}

// Answers each file dialog with the next of `answers`; an empty one, or none left, is Cancel.
struct FakeFileDialogs : FileDialogs {
    bool Run(QWidget* owner, const FileDialogRequest& request, QString& pathName) override {
        requests.push_back(request);
        lastOwner = owner;
        pathName = answers.isEmpty() ? QString() : answers.takeFirst();
        return !pathName.isEmpty();
    }
    QStringList answers;
    std::vector<FileDialogRequest> requests;
    QWidget* lastOwner = nullptr;
};

// A dialog with its settings in a scratch folder. Every message box that opens is noted
// and answered with `answer`, or its one button.
struct Harness {
    Harness() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path("config"));
        profile.SetRegistryKey(QStringLiteral("Tavrin"), QStringLiteral("Moskel"));
        boxWatch.callOnTimeout([this] {
            auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
            if (!box) return;
            boxes << box->text();
            buttons = box->standardButtons();
            (box->button(answer) ? box->button(answer) : box->buttons().first())->click();
        });
        boxWatch.start(5);
    }
    QString Path(const char* name) const {
        return *name ? QString::fromStdU16String((dir / name).u16string()) : QString();
    }
    QString Gtm(const char* name, const GtmBuilder& gtm) const {
        WriteBytes(dir / name, gtm.Build());
        return Path(name);
    }
    // As at program start: the remembered path restored and listed.
    ConverterDialog& Start() {
        dialog = std::make_unique<ConverterDialog>(profile, DialogHooks{&files, nullptr});
        dialog->OnInitDialog();
        return *dialog;
    }
    ConverterDialog& StartListing(const GtmBuilder& gtm) {
        Remember(kGtmFileEntry, Gtm("in.gtm", gtm));
        return Start();
    }
    void Remember(const char* entry, const QString& path) {
        profile.WriteProfileString(kProfileSection, entry, path);
    }
    template <typename Control = QWidget>
    Control* Item(int id) const {
        return qobject_cast<Control*>(dialog->GetDlgItem(id));
    }
    void Click(int id) const { Item<QPushButton>(id)->click(); }
    void Type(const QString& path) const { Item<QLineEdit>(IDC_GTM_PATH)->setText(path); }

    void CheckListing(const QString& pathBox, const QStringList& lines, const QString& count,
                      const QString& stored) const {
        QCOMPARE(Item<QLineEdit>(IDC_GTM_PATH)->text(), pathBox);
        QStringList shown;
        auto* list = Item<QListWidget>(IDC_WAYPOINT_LIST);
        for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
        QCOMPARE(shown, lines);
        QCOMPARE(Item<QLabel>(IDC_WAYPOINT_COUNT)->text(), count);
        QCOMPARE(Stored(kGtmFileEntry), stored.isNull() ? QVariant() : QVariant(stored));
    }

    TempDir dir;
    AppProfile profile;
    FakeFileDialogs files;
    std::unique_ptr<ConverterDialog> dialog;
    Box::StandardButton answer = Box::Yes;
    QStringList boxes;
    Box::StandardButtons buttons;
    QTimer boxWatch;
};

// A start with a path remembered (its file holding the GTM, when there is one), then, when
// given, List pressed with a path typed; what shows then, and the GTMFile stored ("": none).
using ListCase = std::tuple<const char*, std::optional<GtmBuilder>, const char*, QStringList,
                            const char*, const char*>;
// The datum, the answer to a message box and to the save dialog ("": Cancel); the boxes shown
// and their buttons, whether the save dialog opened, the first latitude written (0: no file).
using ConvertCase = std::tuple<std::uint16_t, Box::StandardButton, const char*, QStringList,
                               Box::StandardButtons, bool, std::int32_t>;

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void listsWhatThePathNames_data() {
        QTest::addColumn<ListCase>("c");
        const auto row = [](const char* name, const ListCase& c) { QTest::newRow(name) << c; };
        const GtmBuilder two = TwoWaypoints(), none = GtmBuilder().Datum(0);
        row("first run", {"", {}, nullptr, {}, "", ""});
        row("start lists remembered", {"in.gtm", two, nullptr, kListed, "2", "in.gtm"});
        row("remembered is gone", {"gone.gtm", {}, nullptr, {}, "0", "gone.gtm"});
        row("no waypoints, refused datum", {"in.gtm", none, nullptr, {}, "0", "in.gtm"});
        row("List, empty path: no change", {"in.gtm", two, "", kListed, "2", "in.gtm"});
        row("List, missing path", {"in.gtm", two, "missing.gtm", {}, "0", "missing.gtm"});
    }
    void listsWhatThePathNames() {
        QFETCH(ListCase, c);
        const auto& [remembered, gtm, typed, lines, count, stored] = c;
        Harness h;
        if (gtm) h.Gtm(remembered, *gtm);
        if (*remembered) h.Remember(kGtmFileEntry, h.Path(remembered));
        h.Start();
        if (typed) {
            h.Type(h.Path(typed));
            h.Click(IDC_LIST_WAYPOINTS);
        }
        h.CheckListing(h.Path(typed ? typed : remembered), lines, count, h.Path(stored));
        // With waypoints listed Convert goes on to the save dialog; without, it does nothing.
        h.Click(IDC_CONVERT);
        QCOMPARE(h.files.requests.size(), size_t(!lines.isEmpty()));
        QCOMPARE(h.boxes, QStringList());
    }

    void browseStartsFromPathBoxAndListsOnOk() {
        Harness h;
        h.StartListing(TwoWaypoints());
        const QString typed = h.Path("typed, not listed.gtm");
        h.Type(typed);
        h.Click(IDC_BROWSE);  // Cancel
        h.CheckListing(typed, kListed, "2", h.Path("in.gtm"));

        const QString chosen = h.Gtm("chosen.gtm", GtmBuilder().Add({}));
        h.files.answers << chosen;
        h.Click(IDC_BROWSE);
        const FileDialogRequest& request = h.files.requests.at(1);
        QCOMPARE(request.mode, FileDialogRequest::Mode::Open);
        QCOMPARE(request.filter, QStringLiteral("GPS TrackMaker Files (*.gtm)"));
        QCOMPARE(request.initialDirectory, typed);
        QCOMPARE(h.files.lastOwner, h.dialog.get());
        h.CheckListing(chosen, {QStringLiteral("WPT        100")}, "1", chosen);
    }

    void convertFollowsTheDatum_data() {
        QTest::addColumn<ConvertCase>("c");
        const auto row = [](const char* name, const ConvertCase& c) { QTest::newRow(name) << c; };
        const Box::StandardButtons yesNo = Box::Yes | Box::No;
        const QStringList hutzushan{kHutzushan}, unsupported{kUnsupported};
        row("WGS84 silently", {217, Box::Yes, "out.wtr", {}, {}, true, kLatitude});
        row("Hu-Tzu-Shan, Yes shifts", {81, Box::Yes, "out.wtr", hutzushan, yesNo, true, kShifted});
        row("Hu-Tzu-Shan, No stops", {81, Box::No, "out.wtr", hutzushan, yesNo, false, 0});
        row("datum 0 refused", {0, Box::Yes, "out.wtr", unsupported, Box::Ok, false, 0});
        row("datum 216 refused", {216, Box::Yes, "out.wtr", unsupported, Box::Ok, false, 0});
        row("save cancelled", {217, Box::Yes, "", {}, {}, true, 0});
        row("write fails", {217, Box::Yes, "no such folder/out.wtr", {}, {}, true, 0});
    }
    void convertFollowsTheDatum() {
        QFETCH(ConvertCase, c);
        const auto& [datum, answer, saveAs, boxes, buttons, savePathAsked, latitude] = c;
        Harness h;
        h.answer = answer;
        h.StartListing(TwoWaypoints(datum)).show();
        h.files.answers << h.Path(saveAs);
        h.Click(IDC_CONVERT);
        QCOMPARE(h.boxes, boxes);
        QCOMPARE(h.buttons, buttons);
        QCOMPARE(h.files.requests.size(), size_t(savePathAsked));
        // The chosen path is remembered whether or not the file can be written.
        const bool chosen = savePathAsked && *saveAs;
        QCOMPARE(Stored(kWtrFileEntry), chosen ? QVariant(h.Path(saveAs)) : QVariant());
        QCOMPARE(FirstLatitude(h.dir / "out.wtr"), latitude);
        QCOMPARE(h.dialog->isVisible(), latitude == 0);  // closes once the file is written
    }

    void shiftAppliesOnceAcrossConverts() {
        Harness h;
        h.StartListing(TwoWaypoints(81));
        h.Click(IDC_CONVERT);  // Yes, then Cancel in the save dialog
        h.files.answers << h.Path("out.wtr");
        h.Click(IDC_CONVERT);
        QCOMPARE(h.boxes.size(), 1);
        QCOMPARE(FirstLatitude(h.dir / "out.wtr"), kShifted);
    }

    void successWritesTheWtrFile() {
        Harness h;
        h.Remember(kWtrFileEntry, h.Path("last.wtr"));
        h.StartListing(TwoWaypoints());
        h.files.answers << h.Path("out.wtr");
        h.Click(IDC_CONVERT);
        const FileDialogRequest& request = h.files.requests.at(0);
        QCOMPARE(request.mode, FileDialogRequest::Mode::Save);
        QCOMPARE(request.filter, QStringLiteral("Garmin WTR Files (*.wtr)"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("wtr"));
        QCOMPARE(request.initialDirectory, h.Path("last.wtr"));
        QCOMPARE(h.dialog->result(), int(QDialog::Accepted));
        const auto record = [](QByteArray name, float altitude, char symbol) {
            QByteArray bytes = name.leftJustified(10, ' ') + QByteArray(54, '\0');
            qToLittleEndian<std::int32_t>(kLatitude, bytes.data() + 20);
            qToLittleEndian<std::int32_t>(1449551376, bytes.data() + 24);  // longitude
            qToLittleEndian(altitude, bytes.data() + 28);
            bytes[40] = symbol;
            return bytes;
        };
        const QByteArray zeros(11, '\0');  // the symbols are those of icons 27 and 48
        const auto written = ReadBytes(h.dir / "out.wtr");
        QCOMPARE(
            QByteArray(reinterpret_cast<const char*>(written.data()), qsizetype(written.size())),
            "\xFFWpt\xFF" + zeros + record("HOME", 12.6f, char(159)) +
                record("\xA4\xA4\xA4\xE5", -3.0f, 18) + "\xFFTrk\xFF" + zeros + "\xFFRte\xFF" +
                zeros);
    }

    void windowFollowsTheTemplate() {
        Harness h;
        ConverterDialog& dialog = h.Start();
        // Dialog units to pixels by the dialog's font, as Windows maps them.
        const QFontMetrics font(dialog.font());
        const QString alphabet =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const double baseX = (font.horizontalAdvance(alphabet) / 26 + 1) / 2, baseY = font.height();
        const auto pixels = [&](QRect u) {
            const auto x = [&](int v) { return int(std::lround(v * baseX / 4)); };
            const auto y = [&](int v) { return int(std::lround(v * baseY / 8)); };
            return QRect(x(u.x()), y(u.y()), x(u.width()), y(u.height()));
        };
        const std::tuple<int, const char*, const char*, QRect> expected[] = {
            {IDC_STATIC, "QLabel", "GPS TrackMaker GTM檔案:", {7, 7, 124, 8}},
            {IDC_GTM_PATH, "QLineEdit", "", {7, 22, 248, 14}},
            {IDC_BROWSE, "QPushButton", "選擇檔案...", {151, 7, 50, 14}},
            {IDC_LIST_WAYPOINTS, "QPushButton", "列出航點", {205, 7, 50, 14}},
            {IDC_STATIC, "QLabel", "GTM航點列表:", {7, 43, 68, 8}},
            {IDC_WAYPOINT_LIST, "QListWidget", "", {7, 55, 88, 87}},
            {IDC_WAYPOINT_COUNT, "QLabel", "", {99, 132, 68, 10}},
            {IDC_CONVERT, "QPushButton", "轉成WTR檔...", {111, 51, 115, 28}},
            {IDC_STATIC, "QLabel", "注意！轉換只含航點。", {112, 87, 115, 24}},
        };
        const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(controls.size(), qsizetype(std::size(expected)));
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const auto& [id, kind, text, units] = expected[i];
            QCOMPARE(controls[i]->metaObject()->className(), kind);
            QCOMPARE(controls[i]->property("text").toString(), QString::fromUtf8(text));
            QCOMPARE(controls[i]->geometry(), pixels(units));
            if (id != IDC_STATIC) QCOMPARE(h.Item(id), controls[i]);
        }
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Quendra 1.02 (GTM-->WTR)"));
        QCOMPARE(dialog.minimumSize(), pixels({0, 0, 262, 149}).size());
        QCOMPARE(dialog.maximumSize(), dialog.minimumSize());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), h.Item(IDC_GTM_PATH));
        for (int id :
             {IDC_BROWSE, IDC_LIST_WAYPOINTS, IDC_WAYPOINT_LIST, IDC_CONVERT, IDC_GTM_PATH}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), h.Item(id));
        }
        // No button is the default: Enter in the path box is OK, and lists nothing.
        for (auto* button : dialog.findChildren<QPushButton*>()) QVERIFY(!button->isDefault());
        h.Type(h.Gtm("in.gtm", TwoWaypoints()));
        QTest::keyClick(h.Item(IDC_GTM_PATH), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(h.Item<QListWidget>(IDC_WAYPOINT_LIST)->count(), 0);
    }
};

}  // namespace quendra::testing

QTEST_MAIN(quendra::testing::DialogTest)
#include "dialog_test.moc"
