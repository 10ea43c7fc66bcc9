// The window as its template lays it out: texts, kinds, ids, geometry, tab order, font,
// frame, and the keys that end it.
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <memory>

#include "app/resource.h"
#include "tests/app/dialog_harness.h"

namespace quendra::testing {

class DialogWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogHarness> h_;

    static QString TextOf(QWidget* widget) {
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
        if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
        return {};
    }
    // Dialog units to pixels from the dialog font, the way Windows does it.
    QRect Pixels(int x, int y, int width, int height) const {
        const QFontMetrics metrics(h_->dialog->font());
        const int alphabet = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const double baseX = (alphabet / 26 + 1) / 2;
        const double baseY = metrics.height();
        const auto h = [&](int u) { return int(std::lround(u * baseX / 4)); };
        const auto v = [&](int u) { return int(std::lround(u * baseY / 8)); };
        return QRect(h(x), v(y), h(width), v(height));
    }

private slots:
    void init() {
        h_ = std::make_unique<DialogHarness>();
        h_->Start();
    }
    void cleanup() { h_.reset(); }

    void controlsFollowTheTemplate() {
        struct Control {
            int id;
            const char* kind;
            const char* text;
            int x, y, width, height;
        };
        const Control expected[] = {
            {IDC_STATIC, "QLabel", "GPS TrackMaker GTM檔案:", 7, 7, 124, 8},
            {IDC_GTM_PATH, "QLineEdit", "", 7, 22, 248, 14},
            {IDC_BROWSE, "QPushButton", "選擇檔案...", 151, 7, 50, 14},
            {IDC_LIST_WAYPOINTS, "QPushButton", "列出航點", 205, 7, 50, 14},
            {IDC_STATIC, "QLabel", "GTM航點列表:", 7, 43, 68, 8},
            {IDC_WAYPOINT_LIST, "QListWidget", "", 7, 55, 88, 87},
            {IDC_WAYPOINT_COUNT, "QLabel", "", 99, 132, 68, 10},
            {IDC_CONVERT, "QPushButton", "轉成WTR檔...", 111, 51, 115, 28},
            {IDC_STATIC, "QLabel", "注意！轉換只含航點。", 112, 87, 115, 24},
        };
        const QList<QWidget*> controls =
            h_->dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(controls.size(), qsizetype(std::size(expected)));
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const Control& want = expected[i];
            QCOMPARE(controls[i]->metaObject()->className(), want.kind);
            QCOMPARE(TextOf(controls[i]), QString::fromUtf8(want.text));
            QCOMPARE(controls[i]->geometry(), Pixels(want.x, want.y, want.width, want.height));
            if (want.id != IDC_STATIC) QCOMPARE(h_->dialog->GetDlgItem(want.id), controls[i]);
        }
        QCOMPARE(h_->dialog->size(), Pixels(0, 0, 262, 149).size());
    }

    void tabVisitsControlsInTemplateOrder() {
        h_->dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(h_->dialog.get()));
        QCOMPARE(QApplication::focusWidget(), h_->dialog->GetDlgItem(IDC_GTM_PATH));
        for (int id :
             {IDC_BROWSE, IDC_LIST_WAYPOINTS, IDC_WAYPOINT_LIST, IDC_CONVERT, IDC_GTM_PATH}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), h_->dialog->GetDlgItem(id));
        }
    }

    void windowIsFixedWithCaptionAndIconAndNoMinMax() {
        ConverterDialog& dialog = *h_->dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Quendra 1.02 (GTM-->WTR)"));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        const QList<QSize> sizes = dialog.windowIcon().availableSizes();
        for (int size : {16, 24, 32, 48, 64, 256}) QVERIFY(sizes.contains(QSize(size, size)));
    }

    void fontIsTheMingFaceWithEveryChineseText() {
        const QFont font = h_->dialog->font();
        QCOMPARE(font.family(), QStringLiteral("新細明體"));
        QCOMPARE(font.pointSize(), 9);
        const QFontMetrics metrics(font);
        for (QWidget* control : h_->dialog->findChildren<QWidget*>()) {
            for (char32_t c : TextOf(control).toUcs4()) {
                QVERIFY2(metrics.inFontUcs4(c), qPrintable(TextOf(control)));
            }
        }
    }

    void keysEndTheDialog_data() {
        QTest::addColumn<int>("focusId");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter in path box is OK")
            << IDC_GTM_PATH << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("keypad Enter in list is OK")
            << IDC_WAYPOINT_LIST << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Esc is Cancel")
            << IDC_GTM_PATH << int(Qt::Key_Escape) << int(QDialog::Rejected);
        QTest::newRow("close box is Cancel") << 0 << 0 << int(QDialog::Rejected);
    }
    void keysEndTheDialog() {
        QFETCH(int, focusId);
        QFETCH(int, key);
        QFETCH(int, result);
        // Enter must not list what the path box holds.
        const QString gtm = h_->sandbox.WriteGtm(QStringLiteral("in.gtm"), GtmBuilder().Add({}));
        h_->Item<QLineEdit>(IDC_GTM_PATH)->setText(gtm);
        h_->dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(h_->dialog.get()));
        for (QPushButton* button : h_->dialog->findChildren<QPushButton*>()) {
            QVERIFY(!button->isDefault());
        }
        h_->dialog->setResult(-1);

        if (focusId == 0) {
            QVERIFY(h_->dialog->close());
        } else {
            QWidget* target = h_->dialog->GetDlgItem(focusId);
            target->setFocus();
            QTest::keyClick(target, Qt::Key(key),
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        }
        QCOMPARE(h_->dialog->result(), result);
        QVERIFY(!h_->dialog->isVisible());
        QCOMPARE(h_->Item<QListWidget>(IDC_WAYPOINT_LIST)->count(), 0);
    }
};

}  // namespace quendra::testing

QTEST_MAIN(quendra::testing::DialogWindowTest)
#include "dialog_window_test.moc"
