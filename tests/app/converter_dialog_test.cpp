// How the dialog lists GTM files, remembers paths, and runs the Convert command.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

#include "app/converter_app.h"
#include "app/resource.h"
#include "platform/qt/qt_message_boxes.h"
#include "res/string_table.h"
#include "tests/app/dialog_harness.h"

namespace quendra::testing {
namespace {

GtmRecordSpec Waypoint(std::string name, float altitude, std::uint16_t icon = 48) {
    GtmRecordSpec record;  // at 25.0, 121.5
    record.name = std::move(name);
    record.altitude = altitude;
    record.icon = icon;
    return record;
}

GtmBuilder TwoWaypoints(std::uint16_t datum = 217) {
    GtmBuilder builder;
    builder.Datum(datum)
        .Add(Waypoint("HOME", 12.6f, 27))
        .Add(Waypoint("\xA4\xA4\xA4\xE5", -3.0f));  // 中文 in Big5
    return builder;
}

QByteArray Le32(std::uint32_t value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::int32_t FirstLatitude(const QString& wtrPath) {
    const QByteArray wtr = ReadAll(wtrPath);
    return wtr.size() < 40 ? 0 : qFromLittleEndian<std::int32_t>(wtr.constData() + 16 + 20);
}

}  // namespace

class ConverterDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogHarness> h_;

    QStringList Lines() const {
        QStringList lines;
        auto* list = h_->Item<QListWidget>(IDC_WAYPOINT_LIST);
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
        return lines;
    }
    QString PathText() const { return h_->Item<QLineEdit>(IDC_GTM_PATH)->text(); }
    QString CountText() const { return h_->Item<QLabel>(IDC_WAYPOINT_COUNT)->text(); }
    void Click(int id) const { h_->Item<QPushButton>(id)->click(); }
    QString Out() const { return h_->sandbox.Path(QStringLiteral("out.wtr")); }

private slots:
    void init() { h_ = std::make_unique<DialogHarness>(); }
    void cleanup() { h_.reset(); }

    void startRestoresAndListsRememberedFile_data() {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("count");
        QTest::newRow("first run") << QString() << false << QStringList() << QString();
        QTest::newRow("file loads") << "in.gtm" << true
                                    << QStringList{QStringLiteral("HOME") + QString(8, ' ') + "13",
                                                   QStringLiteral("中文") + QString(8, ' ') + "-3"}
                                    << "2";
        QTest::newRow("file no longer loads") << "gone.gtm" << false << QStringList() << "0";
    }
    void startRestoresAndListsRememberedFile() {
        QFETCH(QString, remembered);
        QFETCH(bool, loads);
        QFETCH(QStringList, lines);
        QFETCH(QString, count);
        const QString path = remembered.isEmpty() ? QString() : h_->sandbox.Path(remembered);
        if (loads) h_->sandbox.WriteGtm(remembered, TwoWaypoints());
        if (!path.isEmpty()) Sandbox::Store(kGtmFileEntry, path);

        h_->Start();
        QCOMPARE(PathText(), path);
        QCOMPARE(Lines(), lines);
        QCOMPARE(CountText(), count);
        QCOMPARE(Sandbox::Stored(kGtmFileEntry).isValid(), !path.isEmpty());
    }

    void listingWithEmptyPathKeepsEverything() {
        const QString listed = h_->sandbox.Path(QStringLiteral("in.gtm"));
        h_->StartListing(TwoWaypoints());
        h_->Item<QLineEdit>(IDC_GTM_PATH)->clear();
        Click(IDC_LIST_WAYPOINTS);
        QCOMPARE(Lines().size(), 2);
        QCOMPARE(CountText(), QStringLiteral("2"));
        QCOMPARE(Sandbox::Stored(kGtmFileEntry).toString(), listed);

        // The set listed before is still the one Convert takes.
        h_->files.answers << Out();
        Click(IDC_CONVERT);
        QCOMPARE(ReadAll(Out()).size(), 16 + 2 * 64 + 32);
    }

    void listingMissingPathShowsZeroAndStoresIt() {
        h_->StartListing(TwoWaypoints());
        const QString missing = h_->sandbox.Path(QStringLiteral("missing.gtm"));
        h_->Item<QLineEdit>(IDC_GTM_PATH)->setText(missing);
        Click(IDC_LIST_WAYPOINTS);
        QCOMPARE(Lines(), QStringList());
        QCOMPARE(CountText(), QStringLiteral("0"));
        QCOMPARE(Sandbox::Stored(kGtmFileEntry).toString(), missing);
    }

    void browseStartsFromPathBoxAndListsOnlyOnOk() {
        const QString listed = h_->sandbox.Path(QStringLiteral("in.gtm"));
        h_->StartListing(TwoWaypoints());
        Click(IDC_BROWSE);  // Cancel
        QCOMPARE(PathText(), listed);
        QCOMPARE(Lines().size(), 2);

        const QString typed = h_->sandbox.Path(QStringLiteral("typed, not listed.gtm"));
        h_->Item<QLineEdit>(IDC_GTM_PATH)->setText(typed);
        const QString chosen = h_->sandbox.WriteGtm(QStringLiteral("chosen.gtm"),
                                                    GtmBuilder().Add(Waypoint("CHOSEN", 100)));
        h_->files.answers << chosen;
        Click(IDC_BROWSE);
        QCOMPARE(h_->files.requests.size(), size_t{2});
        const FileDialogRequest& request = h_->files.requests[1];
        QCOMPARE(request.mode, FileDialogRequest::Mode::Open);
        QCOMPARE(request.filter, QStringLiteral("GPS TrackMaker Files (*.gtm)"));
        QCOMPARE(request.defaultSuffix, QString());
        QCOMPARE(request.initialDirectory, typed);
        QCOMPARE(h_->files.owners[1], static_cast<QWidget*>(h_->dialog.get()));
        QCOMPARE(PathText(), chosen);
        QCOMPARE(Lines(), QStringList{QStringLiteral("CHOSEN") + QString(5, ' ') + "100"});
        QCOMPARE(Sandbox::Stored(kGtmFileEntry).toString(), chosen);
    }

    void convertDoesNothingWithoutWaypoints_data() {
        QTest::addColumn<bool>("list");
        QTest::newRow("nothing listed") << false;
        QTest::newRow("zero waypoints") << true;  // in a datum that would be refused
    }
    void convertDoesNothingWithoutWaypoints() {
        QFETCH(bool, list);
        ConverterDialog& dialog = list ? h_->StartListing(GtmBuilder().Datum(0)) : h_->Start();
        QCOMPARE(h_->dialog->waypointSet() != nullptr, list);
        h_->files.answers << Out();
        dialog.show();
        Click(IDC_CONVERT);
        QVERIFY(h_->files.requests.empty());
        QVERIFY(h_->messages.asked.empty() && h_->messages.shown.empty());
        QVERIFY(!Sandbox::Stored(kWtrFileEntry).isValid());
        QVERIFY(dialog.isVisible());
    }

    void datumDecidesWhetherToConvert_data() {
        QTest::addColumn<int>("datum");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<int>("message");            // string id shown, 0 for none
        QTest::addColumn<std::int32_t>("latitude");  // as written, 0 for no file
        QTest::newRow("WGS84 silently") << 217 << true << 0 << 298261600;
        QTest::newRow("Hu-Tzu-Shan, Yes shifts") << 81 << true << 1 << 298240363;
        QTest::newRow("Hu-Tzu-Shan, No stops") << 81 << false << 1 << 0;
        QTest::newRow("datum 0 refused") << 0 << true << 2 << 0;
        QTest::newRow("datum 216 refused") << 216 << true << 2 << 0;
    }
    void datumDecidesWhetherToConvert() {
        QFETCH(int, datum);
        QFETCH(bool, answerYes);
        QFETCH(int, message);
        QFETCH(std::int32_t, latitude);
        h_->messages = FakeMessages(answerYes);
        h_->StartListing(TwoWaypoints(static_cast<std::uint16_t>(datum)));
        h_->files.answers << Out();

        Click(IDC_CONVERT);
        std::vector<int> shown = h_->messages.asked;
        shown.insert(shown.end(), h_->messages.shown.begin(), h_->messages.shown.end());
        QCOMPARE(shown, message ? std::vector<int>{message} : std::vector<int>{});
        QCOMPARE(h_->messages.asked.size(), size_t{message == IDS_DATUM_HUTZUSHAN});
        // The save dialog comes only once the datum check lets the conversion go on.
        QCOMPARE(h_->files.requests.size(), size_t{latitude != 0});
        QCOMPARE(FirstLatitude(Out()), latitude);
    }

    void cancelledSaveStoresNothingAndShiftStaysSingle() {
        h_->StartListing(TwoWaypoints(81));
        Click(IDC_CONVERT);  // Yes, then Cancel in the save dialog
        QCOMPARE(h_->files.requests.size(), size_t{1});
        QVERIFY(!Sandbox::Stored(kWtrFileEntry).isValid());
        QCOMPARE(h_->sandbox.Files(), QStringList{"in.gtm"});

        h_->files.answers << Out();
        Click(IDC_CONVERT);
        QCOMPARE(h_->messages.asked.size(), size_t{1});
        QCOMPARE(FirstLatitude(Out()), 298240363);
    }

    void failedWriteStillStoresWtrPathAndStaysOpen() {
        h_->StartListing(TwoWaypoints()).show();
        const QString out = h_->sandbox.Path(QStringLiteral("no such folder/out.wtr"));
        h_->files.answers << out;
        Click(IDC_CONVERT);
        QCOMPARE(Sandbox::Stored(kWtrFileEntry).toString(), out);
        QVERIFY(!QFile::exists(out));
        QVERIFY(h_->dialog->isVisible());
    }

    void successWritesExactFileAndCloses() {
        ConverterDialog& dialog = h_->StartListing(TwoWaypoints());
        const QString remembered = h_->sandbox.Path(QStringLiteral("last.wtr"));
        Sandbox::Store(kWtrFileEntry, remembered);
        h_->files.answers << Out();
        dialog.show();

        Click(IDC_CONVERT);
        const FileDialogRequest& request = h_->files.requests.at(0);
        QCOMPARE(request.mode, FileDialogRequest::Mode::Save);
        QCOMPARE(request.filter, QStringLiteral("Garmin WTR Files (*.wtr)"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("wtr"));
        QCOMPARE(request.initialDirectory, remembered);
        QCOMPARE(Sandbox::Stored(kWtrFileEntry).toString(), Out());

        const auto record = [](QByteArray name, float altitude, std::uint16_t symbol) {
            std::uint32_t altitudeBits;
            std::memcpy(&altitudeBits, &altitude, 4);
            return name.leftJustified(10, ' ') + QByteArray(10, '\0') + Le32(298261600) +
                   Le32(1449551376) + Le32(altitudeBits) + QByteArray(8, '\0') +
                   char(symbol & 0xFF) + char(symbol >> 8) + QByteArray(22, '\0');
        };
        const QByteArray zeros(11, '\0');
        const QByteArray expected = "\xFFWpt\xFF" + zeros + record("HOME", 12.6f, 159) +
                                    record("\xA4\xA4\xA4\xE5", -3.0f, 18) + "\xFFTrk\xFF" + zeros +
                                    "\xFFRte\xFF" + zeros;
        QCOMPARE(ReadAll(Out()), expected);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.DestroyWindow());
        QCOMPARE(dialog.waypointSet(), nullptr);
    }

    // The whole program with Qt's own boxes and dialogs, answered as a user would.
    void appConvertsThroughRealDialogsAndEndsWithIt() {
        const QString gtm = h_->sandbox.WriteGtm(QStringLiteral("in.gtm"), TwoWaypoints(81));
        Sandbox::Store(kGtmFileEntry, gtm);
        ConverterApp app;
        QString shownPath, question;
        bool converting = false;
        QObject alive;  // stops the steps when the test ends
        std::function<void()> step = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!app.mainWindow()) return;         // the program has ended
            QTimer::singleShot(10, &alive, step);  // nested loops run this again
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                question = box->text();
                box->button(QMessageBox::Yes)->click();
            } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                // Typed into the name box, without the suffix.
                files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(h_->sandbox.Path(QStringLiteral("out")));
                QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
            } else if (auto* dialog = qobject_cast<ConverterDialog*>(modal);
                       dialog && !converting) {
                converting = true;
                shownPath = qobject_cast<QLineEdit*>(dialog->GetDlgItem(IDC_GTM_PATH))->text();
                qobject_cast<QPushButton*>(dialog->GetDlgItem(IDC_CONVERT))->click();
            }
        };
        QTimer::singleShot(0, &alive, step);

        QCOMPARE(app.InitInstance(), false);
        QCOMPARE(app.mainWindow(), nullptr);
        QCOMPARE(shownPath, gtm);
        QCOMPARE(question, LoadQString(IDS_DATUM_HUTZUSHAN));
        QCOMPARE(FirstLatitude(Out()), 298240363);
        QCOMPARE(Sandbox::Stored(kWtrFileEntry).toString(), Out());
    }
};

}  // namespace quendra::testing

QTEST_MAIN(quendra::testing::ConverterDialogTest)
#include "converter_dialog_test.moc"
