#include "app/converter_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <new>

#include "app/app_profile.h"
#include "app/resource.h"
#include "platform/qt/list_box_sink.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_paths.h"
#include "waypoints/wtr_waypoint_set.h"

// Resources compiled into a static library are registered by name, outside any namespace.
static void InitAppResources() {
    Q_INIT_RESOURCE(quendra);
}

namespace quendra {

namespace {

constexpr char kCaption[] = "Quendra 1.02 (GTM-->WTR)";
constexpr char kFontFamily[] = "新細明體";
constexpr int kFontPoints = 9;
constexpr int kTemplateWidth = 262;
constexpr int kTemplateHeight = 149;
constexpr char kMessageCaption[] = "Quendra";
constexpr char kGtmFilter[] = "GPS TrackMaker Files (*.gtm)";
constexpr char kWtrFilter[] = "Garmin WTR Files (*.wtr)";
constexpr char kWtrSuffix[] = "wtr";
// The path box text handed to the open dialog is cut as a 260-byte buffer would cut it.
constexpr int kMaxPath = 260;

enum class Kind { Static, Edit, Button, ListBox };

struct ControlTemplate {
    int id;
    const char* name;
    Kind kind;
    const char* text;
    int x, y, width, height;
    Qt::Alignment alignment;
    bool sunken;
};

// Dialog template 102, in tab and creation order; rectangles in dialog units.
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kCentreTop = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment kCentre = Qt::AlignCenter;
const ControlTemplate kControls[] = {
    {IDC_STATIC, "", Kind::Static, "GPS TrackMaker GTM檔案:", 7, 7, 124, 8, kLeft, false},
    {IDC_GTM_PATH, "IDC_GTM_PATH", Kind::Edit, "", 7, 22, 248, 14, {}, false},
    {IDC_BROWSE, "IDC_BROWSE", Kind::Button, "選擇檔案...", 151, 7, 50, 14, {}, false},
    {IDC_LIST_WAYPOINTS, "IDC_LIST_WAYPOINTS", Kind::Button, "列出航點", 205, 7, 50, 14, {}, false},
    {IDC_STATIC, "", Kind::Static, "GTM航點列表:", 7, 43, 68, 8, kLeft, false},
    {IDC_WAYPOINT_LIST, "IDC_WAYPOINT_LIST", Kind::ListBox, "", 7, 55, 88, 87, {}, false},
    {IDC_WAYPOINT_COUNT, "IDC_WAYPOINT_COUNT", Kind::Static, "", 99, 132, 68, 10, kCentreTop, true},
    {IDC_CONVERT, "IDC_CONVERT", Kind::Button, "轉成WTR檔...", 111, 51, 115, 28, {}, false},
    {IDC_STATIC, "", Kind::Static, "注意！轉換只含航點。", 112, 87, 115, 24, kCentre, true},
};

constexpr char kControlIdProperty[] = "controlId";

}  // namespace

QIcon LoadAppIcon() {
    InitAppResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 256}) {
        icon.addFile(QStringLiteral(":/icons/quendra-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

ConverterDialog::ConverterDialog(AppProfile& profile, DialogHooks hooks, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      profile_(profile),
      icon_(LoadAppIcon()) {
    if (hooks.fileDialogs) {
        fileDialogs_ = hooks.fileDialogs;
    } else {
        ownFileDialogs_ = std::make_unique<QtFileDialogs>();
        fileDialogs_ = ownFileDialogs_.get();
    }
    if (hooks.messages) {
        messages_ = hooks.messages;
    } else {
        ownMessages_ = std::make_unique<QtMessageBoxes>(this, QString::fromUtf8(kMessageCaption));
        messages_ = ownMessages_.get();
    }
    decoder_.Open(kDefaultCodePage);

    setWindowTitle(QString::fromUtf8(kCaption));
    setFont(DialogFont(QString::fromUtf8(kFontFamily), kFontPoints));
    baseUnits_ = BaseUnitsOf(font());
    setFixedSize(MapDialogSize(QSize(kTemplateWidth, kTemplateHeight), baseUnits_));
    CreateControls();
}

ConverterDialog::~ConverterDialog() = default;

void ConverterDialog::CreateControls() {
    for (const ControlTemplate& control : kControls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case Kind::Static: {
                auto* label = new QLabel(text, this);
                label->setAlignment(control.alignment);
                if (control.sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                widget = label;
                break;
            }
            case Kind::Edit:
                widget = pathEdit_ = new QLineEdit(text, this);
                break;
            case Kind::Button: {
                auto* button = new QPushButton(text, this);
                // No default button: Enter outside a button is the dialog's OK.
                button->setAutoDefault(false);
                widget = button;
                break;
            }
            case Kind::ListBox:
                waypointList_ = new QListWidget(this);
                waypointList_->setSortingEnabled(false);
                waypointList_->setUniformItemSizes(true);
                waypointList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                widget = waypointList_;
                break;
        }
        widget->setObjectName(QString::fromUtf8(control.name));
        widget->setProperty(kControlIdProperty, control.id);
        widget->setGeometry(
            MapDialogRect(QRect(control.x, control.y, control.width, control.height), baseUnits_));
        if (control.id == IDC_WAYPOINT_COUNT) countLabel_ = static_cast<QLabel*>(widget);
        if (control.kind == Kind::Button) {
            auto* button = static_cast<QPushButton*>(widget);
            switch (control.id) {
                case IDC_LIST_WAYPOINTS:
                    connect(button, &QPushButton::clicked, this, [this] { OnListWaypoints(); });
                    break;
                case IDC_BROWSE:
                    connect(button, &QPushButton::clicked, this, [this] { OnBrowse(); });
                    break;
                case IDC_CONVERT:
                    connect(button, &QPushButton::clicked, this, [this] { OnConvert(); });
                    break;
            }
        }
    }
}

QWidget* ConverterDialog::GetDlgItem(int id) const {
    if (id == IDC_STATIC) return nullptr;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlIdProperty).toInt() == id) return child;
    }
    return nullptr;
}

int ConverterDialog::DoModal() {
    OnInitDialog();
    const int result = exec();
    DestroyWindow();
    return result;
}

bool ConverterDialog::OnInitDialog() {
    setWindowIcon(icon_);
    pathEdit_->setText(profile_.GetProfileString(kProfileSection, kGtmFileEntry, {}));
    OnListWaypoints();
    pathEdit_->setFocus();
    return true;
}

bool ConverterDialog::DestroyWindow() {
    waypointSet_.reset();
    destroy();
    return true;
}

void ConverterDialog::OnOK() {
    QDialog::accept();
}

void ConverterDialog::OnCancel() {
    QDialog::reject();
}

void ConverterDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter on a button presses it; anywhere else it is OK, as no button is the default.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            OnOK();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void ConverterDialog::OnListWaypoints() {
    const QString path = pathEdit_->text();
    if (path.isEmpty()) return;

    waypointList_->clear();
    waypointSet_.reset();
    waypointSet_.reset(new (std::nothrow) GtmWaypointSet);
    if (!waypointSet_) return;
    ListBoxSink sink(*waypointList_, decoder_);
    waypointSet_->Load(ToFilesystemPath(path), sink);
    countLabel_->setText(QString::number(waypointSet_->count));
    profile_.WriteProfileString(kProfileSection, kGtmFileEntry, path);
}

void ConverterDialog::OnBrowse() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Open;
    request.filter = QString::fromUtf8(kGtmFilter);
    request.initialDirectory = pathEdit_->text().left(kMaxPath - 1);
    QString chosen;
    if (!fileDialogs_->Run(this, request, chosen)) return;
    pathEdit_->setText(chosen);
    OnListWaypoints();
}

void ConverterDialog::OnConvert() {
    if (!waypointSet_ || waypointSet_->count == 0 || !waypointSet_->records) return;
    if (!waypointSet_->CheckDatum(*messages_)) return;
    QString wtrPath;
    if (!AskWtrFileName(wtrPath)) return;
    profile_.WriteProfileString(kProfileSection, kWtrFileEntry, wtrPath);

    WtrWaypointSet wtr;
    if (wtr.BuildFrom(waypointSet_->count, waypointSet_->records.get()) &&
        wtr.Save(ToFilesystemPath(wtrPath))) {
        OnOK();
    }
}

bool ConverterDialog::AskWtrFileName(QString& path) {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.filter = QString::fromUtf8(kWtrFilter);
    request.defaultSuffix = QString::fromUtf8(kWtrSuffix);
    request.initialDirectory = profile_.GetProfileString(kProfileSection, kWtrFileEntry, {});
    return fileDialogs_->Run(this, request, path);
}

}  // namespace quendra
