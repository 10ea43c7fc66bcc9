// What the Qt face adds to the dialog's steps: its window, keys, Qt's own message boxes and
// file dialogs, its context menu, Chinese names in the list, the settings file, and dropped
// files.
#include <QtTest>
#include <QtWidgets>
#include <functional>

#include "app/qt/converter_window.h"
#include "app/qt/qt_paths.h"
#include "app/qt/qt_profile.h"
#include "app/resource.h"
#include "res/string_table.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra::testing {
namespace {

using Box = QMessageBox;
using Boxes = QList<std::tuple<QString, Box::StandardButtons, Box::Icon>>;

// The real window and steps, settings in a scratch folder (under no key unless the
// application gives one). Every message box that opens is noted and answered with
// `answer`, or its one button; a file dialog goes to `onFileDialog`.
struct Harness {
    Harness() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path("config"));
        boxWatch.callOnTimeout([this] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menu->setActiveAction(menu->actions().value(0));
                QTest::keyClick(menu, Qt::Key_Return);
            }
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (files && onFileDialog) onFileDialog(files);
            auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
            if (!box) return;
            boxes << std::make_tuple(box->text(), box->standardButtons(), box->icon());
            (box->button(answer) ? box->button(answer) : box->buttons().first())->click();
        });
        boxWatch.start(5);
    }
    QString Path(const char* name) const {
        return QString::fromStdU16String((dir / name).u16string());
    }
    QString Gtm(const char* name, std::uint16_t datum = 217) const {
        WriteBytes(dir / name, GtmBuilder()
                                   .Datum(datum)
                                   .Add({.latitude = 25.0, .name = "HOME", .altitude = 12.6f})
                                   .Add({.name = "\xA4\xA4\xA4\xE5", .altitude = -3.0f})
                                   .Build());
        return Path(name);
    }
    ConverterWindow& Start() {
        window.Begin(steps);
        return window;
    }
    template <typename Control = QWidget>
    Control* Item(int id) const {
        return qobject_cast<Control*>(window.GetDlgItem(id));
    }
    QStringList Listed() const {
        QStringList shown;
        auto* list = Item<QListWidget>(IDC_WAYPOINT_LIST);
        for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
        return shown;
    }

    TempDir dir;
    QtProfile profile;
    ConverterWindow window;
    ConverterDialog steps{{window, window.fileDialogs(), window.messages(), profile}};
    Box::StandardButton answer = Box::Yes;
    Boxes boxes;
    std::function<void(QFileDialog*)> onFileDialog;
    QTimer boxWatch;
};

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void windowHasItsTitleAFixedSizeAndTheTabOrder() {
        Harness h;
        ConverterWindow& window = h.Start();
        // The layout is the template's, mapped by the dialog font (app/qt/dialog_units):
        // what a user meets of it is the title, a fixed size, no default button and the order
        // Tab visits the controls in.
        QCOMPARE(window.windowTitle(), QStringLiteral("Quendra 1.02 (GTM-->WTR)"));
        QVERIFY(window.minimumSize() == window.maximumSize() && !window.minimumSize().isEmpty());
        for (auto* button : window.findChildren<QPushButton*>()) QVERIFY(!button->isDefault());

        h.Item<QLineEdit>(IDC_GTM_PATH)->setText(h.Gtm("in.gtm"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget(), h.Item(IDC_GTM_PATH));
        for (int id :
             {IDC_BROWSE, IDC_LIST_WAYPOINTS, IDC_WAYPOINT_LIST, IDC_CONVERT, IDC_GTM_PATH}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), h.Item(id));
        }
        // Enter in the path box is OK, and lists nothing, as no button is the default.
        QTest::keyClick(h.Item(IDC_GTM_PATH), Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(h.Listed(), QStringList());
    }

    // As main runs it: under the program's key, the file it was given listed at start, with
    // Chinese names read as such and the path remembered in the settings file.
    void runsTheProgramOnTheFileItWasGiven() {
        Harness h;
        QTimer::singleShot(0, &h.window, &ConverterWindow::reject);
        ConverterApp app(h.profile, h.window);
        QVERIFY(!app.InitInstance(TextFromQString(h.Gtm("航點.gtm"))));
        QCOMPARE(h.Listed(), (QStringList{"HOME        13", "中文        -3"}));
        QCOMPARE(QSettings("Tavrin", "Moskel").value("Dialog/GTMFile"),
                 QVariant(h.Path("航點.gtm")));
    }

    // The real file dialogs: the open one lists compressed files too; choosing the listed
    // file in the save one brings a box that names it and says why, as listing a file that
    // is not GTM does.
    void fileDialogsListCompressedFilesAndARefusedSaveSaysWhy() {
        Harness h;
        const QString gtm = h.Gtm("航點.gtm");
        WriteBytes(h.dir / "壓縮.gtm.gz", {0x1F, 0x8B});
        WriteBytes(h.dir / "其他.txt", {'W', 'P', 'T'});
        h.Start().show();
        h.Item<QLineEdit>(IDC_GTM_PATH)->setText(h.Path("其他.txt"));
        h.Item<QPushButton>(IDC_LIST_WAYPOINTS)->click();
        QCOMPARE(h.Listed(), QStringList());
        h.Item<QLineEdit>(IDC_GTM_PATH)->setText(gtm);
        h.Item<QPushButton>(IDC_LIST_WAYPOINTS)->click();
        QStringList listed;
        int looks = 0;
        h.onFileDialog = [&](QFileDialog* dialog) {
            if (dialog->acceptMode() == QFileDialog::AcceptSave) {
                dialog->selectFile(gtm);
                static_cast<QDialog*>(dialog)->accept();  // as the Save button does
                return;
            }
            // The folder is read in the background.
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            listed.clear();
            for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row)
                listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
            if (listed.contains("航點.gtm") || ++looks == 1000) dialog->reject();
        };
        h.Item<QPushButton>(IDC_BROWSE)->click();
        QVERIFY2(listed.contains("壓縮.gtm.gz") && !listed.contains("其他.txt"),
                 qPrintable(listed.join(' ')));

        h.Item<QPushButton>(IDC_CONVERT)->click();
        QCOMPARE(h.boxes,
                 (Boxes{{QStringLiteral("無法列出航點：\n%1\n\n原因：這既不是GTM檔案，也不是GPX檔案。")
                             .arg(h.Path("其他.txt")),
                         Box::Ok, Box::NoIcon},
                        {QStringLiteral("無法寫入WTR檔案：\n%1\n\n原因：這正是目前轉換的GTM檔案。")
                             .arg(gtm),
                         Box::Ok, Box::NoIcon}}));
    }

    // A GPX file lists its names as they will be written, in Big5 and cut between characters,
    // and converts as a WGS84 GTM file does.
    void listsAndConvertsAGpxFile() {
        Harness h;
        const std::string gpx =
            "<gpx><wpt lat=\"23.47\" lon=\"120.957\"><ele>3952</ele><name>玉山主峰北峰西峰"
            "</name></wpt><wpt lat=\"25\" lon=\"121.5\"><name>Café</name></wpt></gpx>";
        WriteBytes(h.dir / "步道.gpx", std::vector<std::uint8_t>(gpx.begin(), gpx.end()));
        h.Start().show();
        h.Item<QLineEdit>(IDC_GTM_PATH)->setText(h.Path("步道.gpx"));
        h.Item<QPushButton>(IDC_LIST_WAYPOINTS)->click();
        QCOMPARE(h.Listed(), (QStringList{"玉山主峰北 3952", "Caf?          "}));
        h.onFileDialog = [&](QFileDialog* dialog) {
            dialog->selectFile(h.Path("步道.wtr"));
            static_cast<QDialog*>(dialog)->accept();
        };
        h.Item<QPushButton>(IDC_CONVERT)->click();
        QCOMPARE(h.window.result(), int(QDialog::Accepted));
        QCOMPARE(std::filesystem::file_size(h.dir / "步道.wtr"), 16u + 64 * 2 + 32);
        QVERIFY(h.boxes.isEmpty());
    }

    // The context menu's item shows the stored mode and toggles it for the steps: after a
    // simple-mode Convert whose save was cancelled, the accurate mode chosen from the menu
    // writes the accurate position of what was loaded.
    void datumMenuItemChoosesTheModeOfTheNextConvert() {
        Harness h;
        h.profile.WriteProfileString(kProfileSection, kDatumTransformEntry, "accurate");
        QAction* item = h.Start().DatumTransformAction();
        QCOMPARE(item->text(), LoadQString(IDS_DATUM_TRANSFORM_ACCURATE));
        QVERIFY(item->isCheckable() && item->isChecked());
        h.window.show();
        const auto chooseFromMenu = [&h] {
            const QPoint at(5, 5);
            QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, h.window.mapToGlobal(at));
            QApplication::sendEvent(&h.window, &rightClick);
        };
        chooseFromMenu();
        QVERIFY(!item->isChecked() && !h.steps.AccurateDatums());
        h.Item<QLineEdit>(IDC_GTM_PATH)->setText(h.Gtm("虎子山.gtm", 81));
        h.Item<QPushButton>(IDC_LIST_WAYPOINTS)->click();
        // The Hu-Tzu-Shan question: No stops, Yes goes on to the save dialog.
        int saveDialogs = 0;
        h.onFileDialog = [&saveDialogs](QFileDialog* dialog) {
            ++saveDialogs;
            dialog->reject();
        };
        for (Box::StandardButton answer : {Box::No, Box::Yes}) {
            h.answer = answer;
            h.Item<QPushButton>(IDC_CONVERT)->click();
        }
        const auto question =
            std::make_tuple(LoadQString(IDS_DATUM_HUTZUSHAN), Box::Yes | Box::No, Box::NoIcon);
        QCOMPARE(h.boxes, (Boxes{question, question}));
        QCOMPARE(saveDialogs, 1);

        chooseFromMenu();
        QVERIFY(item->isChecked() && h.steps.AccurateDatums());
        h.onFileDialog = [&](QFileDialog* dialog) {
            dialog->selectFile(h.Path("out.wtr"));
            static_cast<QDialog*>(dialog)->accept();
        };
        h.Item<QPushButton>(IDC_CONVERT)->click();
        QCOMPARE(h.boxes.size(), 2);
        // 25.0 where PROJ puts it from Hu-Tzu-Shan, in the file's units (24.998224480237).
        QCOMPARE(Field<std::int32_t>(ReadBytes(h.dir / "out.wtr"), 16 + 20), 298240417);
    }

    // Dropped local files, every one of them, reach the steps; anything else is refused. Esc
    // then cancels.
    void dropsReachTheSteps() {
        Harness h;
        h.Start().show();
        const auto drop = [&](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&h.window, &enter);
            QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            if (enter.isAccepted()) QApplication::sendEvent(&h.window, &dropped);
            return enter.isAccepted();
        };
        const QUrl file = QUrl::fromLocalFile(h.Gtm("航點.gtm"));
        QVERIFY(!drop({QUrl("https://example.com/remote.gtm")}));
        QVERIFY(drop({file, file}));  // the steps ignore two
        QCOMPARE(h.Listed(), QStringList());
        QVERIFY(drop({file}));
        QCOMPARE(h.Item<QLineEdit>(IDC_GTM_PATH)->text(), h.Path("航點.gtm"));
        QCOMPARE(h.Item<QLabel>(IDC_WAYPOINT_COUNT)->text(), QStringLiteral("2"));
        QTest::keyClick(h.Item(IDC_GTM_PATH), Qt::Key_Escape);
        QCOMPARE(h.window.result(), int(QDialog::Rejected));
    }
};

}  // namespace quendra::testing

QTEST_MAIN(quendra::testing::DialogTest)
#include "dialog_test.moc"
