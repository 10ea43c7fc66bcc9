// The real Qt message boxes and file dialogs the dialog uses, driven as a user would.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "platform/qt/file_dialogs.h"
#include "platform/qt/qt_message_boxes.h"
#include "res/string_table.h"
#include "tests/app/dialog_harness.h"

namespace quendra::testing {
namespace {

// Runs `act` on the modal window once the event loop shows it.
template <typename Window>
void WhenShown(std::function<void(Window*)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) act(window);
    });
}

// Types a name into the file dialog's name box, as a user would.
void Type(QFileDialog* dialog, const QString& name) {
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
}

}  // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxesShowExactTextsAndButtons_data() {
        QTest::addColumn<int>("stringId");
        QTest::addColumn<int>("press");
        QTest::addColumn<bool>("answer");
        QTest::newRow("question, No") << int(IDS_DATUM_HUTZUSHAN) << int(QMessageBox::No) << false;
        QTest::newRow("question, Yes") << int(IDS_DATUM_HUTZUSHAN) << int(QMessageBox::Yes) << true;
        QTest::newRow("refusal, OK") << int(IDS_DATUM_UNSUPPORTED) << int(QMessageBox::Ok) << false;
    }
    void messageBoxesShowExactTextsAndButtons() {
        QFETCH(int, stringId);
        QFETCH(int, press);
        QFETCH(bool, answer);
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon = QMessageBox::Critical;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            buttons = box->standardButtons();
            icon = box->icon();
            box->button(QMessageBox::StandardButton(press))->click();
        });
        QtMessageBoxes boxes(nullptr, QStringLiteral("Quendra"));
        const bool yesNo = stringId == IDS_DATUM_HUTZUSHAN;
        if (yesNo) {
            QCOMPARE(boxes.AskYesNo(stringId), answer);
        } else {
            boxes.ShowOk(stringId);
        }
        const std::string_view expected =
            stringId == IDS_DATUM_HUTZUSHAN
                ? "GTM檔案中使用的是「虎子山」大地座標系統(Datum)"
                  "，轉至WTR檔案中所使用的WGS84會有誤差。建議在GTM中選用WGS84存檔，再來作轉檔較佳。"
                  "要繼續嗎？選繼續的話，程式會運用簡單的公式轉換，誤差較大。"
                : "GTM檔案中使用的大地座標系統(Datum)"
                  "無法轉換，建議在GTM中選用WGS84存檔，再來作轉檔。";
        QCOMPARE(text, QString::fromUtf8(expected.data(), qsizetype(expected.size())));
        QCOMPARE(buttons, yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
        QCOMPARE(icon, QMessageBox::NoIcon);
    }

    void openDialogRefusesMissingFolderButTakesNewFile() {
        Sandbox sandbox;
        const QString current = sandbox.WriteGtm(QStringLiteral("current.gtm"), GtmBuilder());
        const QString newFile = sandbox.Path(QStringLiteral("new.gtm"));
        QString startedIn, filter, warning;
        bool stayedOpen = false;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            startedIn = dialog->directory().absolutePath();
            filter = dialog->selectedNameFilter();
            Type(dialog, sandbox.Path(QStringLiteral("no such folder/x.gtm")));
            WhenShown<QMessageBox>([&](QMessageBox* box) {
                warning = box->text();
                box->accept();
            });
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            stayedOpen = dialog->isVisible();
            Type(dialog, newFile);
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
        QtFileDialogs dialogs;
        QString chosen;
        QVERIFY(dialogs.Run(nullptr,
                            {FileDialogRequest::Mode::Open,
                             QStringLiteral("GPS TrackMaker Files (*.gtm)"),
                             {},
                             current},
                            chosen));
        QCOMPARE(startedIn, QFileInfo(current).absolutePath());
        QCOMPARE(filter, QStringLiteral("GPS TrackMaker Files (*.gtm)"));
        QVERIFY(stayedOpen);
        QVERIFY(warning.contains(QStringLiteral("no such folder")));
        QCOMPARE(chosen, newFile);
    }

    void saveDialogAddsSuffixAndReplacesWithoutAsking_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("name without suffix") << "plain"
                                             << "plain.wtr";
        QTest::newRow("existing file") << "old.wtr"
                                       << "old.wtr";
    }
    void saveDialogAddsSuffixAndReplacesWithoutAsking() {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        Sandbox sandbox;
        QFile old(sandbox.Path(QStringLiteral("old.wtr")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        bool asked = false;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            Type(dialog, typed);
            // An overwrite question would be a modal box on top; answer Yes to see it.
            WhenShown<QMessageBox>([&](QMessageBox* box) {
                asked = true;
                if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
            });
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
        QtFileDialogs dialogs;
        QString path;
        QVERIFY(
            dialogs.Run(nullptr,
                        {FileDialogRequest::Mode::Save, QStringLiteral("Garmin WTR Files (*.wtr)"),
                         QStringLiteral("wtr"), old.fileName()},
                        path));
        QCOMPARE(path, sandbox.Path(chosen));
        QVERIFY(!asked);
    }
};

}  // namespace quendra::testing

QTEST_MAIN(quendra::testing::QtPlatformTest)
#include "qt_platform_test.moc"
