#include "app/qt/converter_window.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/qt/qt_paths.h"
#include "res/string_table.h"

// Resources compiled into a static library are registered by name, outside any namespace.
static void InitAppResources() {
    Q_INIT_RESOURCE(quendra);
}

namespace quendra {

namespace {

constexpr char kMessageCaption[] = "Quendra";
constexpr char kControlIdProperty[] = "controlId";

Qt::Alignment AlignmentOf(TextAlignment alignment) {
    switch (alignment) {
        case TextAlignment::Left:
            return Qt::AlignLeft | Qt::AlignTop;
        case TextAlignment::CentreTop:
            return Qt::AlignHCenter | Qt::AlignTop;
        case TextAlignment::Centre:
            break;
    }
    return Qt::AlignCenter;
}

// The local files a drag carries; empty when it carries anything else.
std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (data == nullptr || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        files.push_back(TextFromQString(url.toLocalFile()));
    }
    return files;
}

}  // namespace

QIcon LoadAppIcon() {
    InitAppResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 256}) {
        icon.addFile(QStringLiteral(":/icons/quendra-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

ConverterWindow::ConverterWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      fileDialogs_(this),
      messages_(this, QString::fromUtf8(kMessageCaption)) {
    setWindowTitle(QString::fromUtf8(kDialogCaption));
    setWindowIcon(LoadAppIcon());
    setFont(DialogFont(QString::fromUtf8(kDialogFontFamily), kDialogFontPoints));
    baseUnits_ = BaseUnitsOf(font());
    setFixedSize(MapDialogSize(QSize(kDialogWidth, kDialogHeight), baseUnits_));
    setAcceptDrops(true);
    CreateControls();

    // A right click on the dialog (outside the path box, which has its own menu) offers it.
    datumAction_ = new QAction(LoadQString(IDS_DATUM_TRANSFORM_ACCURATE), this);
    datumAction_->setCheckable(true);
    connect(datumAction_, &QAction::triggered, this, [this](bool checked) {
        if (steps_) steps_->SetAccurateDatums(checked);
    });
    addAction(datumAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

ConverterWindow::~ConverterWindow() = default;

void ConverterWindow::CreateControls() {
    for (const ControlTemplate& control : kDialogControls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::Static: {
                auto* label = new QLabel(text, this);
                label->setAlignment(AlignmentOf(control.alignment));
                if (control.sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                if (control.id == IDC_WAYPOINT_COUNT) countLabel_ = label;
                widget = label;
                break;
            }
            case ControlKind::Edit:
                widget = pathEdit_ = new QLineEdit(text, this);
                break;
            case ControlKind::Button: {
                auto* button = new QPushButton(text, this);
                // No default button: Enter outside a button is the dialog's OK.
                button->setAutoDefault(false);
                if (control.id == IDC_LIST_WAYPOINTS) {
                    connect(button, &QPushButton::clicked, this, &ConverterWindow::listWaypoints);
                } else if (control.id == IDC_BROWSE) {
                    connect(button, &QPushButton::clicked, this, &ConverterWindow::browse);
                } else if (control.id == IDC_CONVERT) {
                    connect(button, &QPushButton::clicked, this, &ConverterWindow::convert);
                }
                widget = button;
                break;
            }
            case ControlKind::ListBox:
                waypointList_ = new QListWidget(this);
                waypointList_->setSortingEnabled(false);
                waypointList_->setUniformItemSizes(true);
                waypointList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                listSink_ = std::make_unique<QtListBox>(*waypointList_);
                widget = waypointList_;
                break;
        }
        widget->setProperty(kControlIdProperty, control.id);
        widget->setGeometry(
            MapDialogRect(QRect(control.x, control.y, control.width, control.height), baseUnits_));
    }
}

QWidget* ConverterWindow::GetDlgItem(int id) const {
    if (id == IDC_STATIC) return nullptr;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlIdProperty).toInt() == id) return child;
    }
    return nullptr;
}

void ConverterWindow::Begin(ConverterDialog& dialog) {
    steps_ = &dialog;
    datumAction_->setChecked(dialog.AccurateDatums());
    dialog.OnInitDialog();
    pathEdit_->setFocus();
}

DialogResult ConverterWindow::DoModal(ConverterDialog& dialog) {
    Begin(dialog);
    const int result = exec();
    dialog.DestroyWindow();
    steps_ = nullptr;
    destroy();
    return result == QDialog::Accepted ? kDialogOk : kDialogCancel;
}

std::string ConverterWindow::GetPathText() const {
    return TextFromQString(pathEdit_->text());
}

void ConverterWindow::SetPathText(const std::string& text) {
    pathEdit_->setText(QStringFromText(text));
}

void ConverterWindow::SetCountText(const std::string& text) {
    countLabel_->setText(QString::fromStdString(text));
}

void ConverterWindow::EndDialog(DialogResult result) {
    done(result == kDialogOk ? QDialog::Accepted : QDialog::Rejected);
}

void ConverterWindow::accept() {
    if (steps_) steps_->OnOK();
}

void ConverterWindow::reject() {
    if (steps_) steps_->OnCancel();
}

void ConverterWindow::listWaypoints() {
    if (steps_) steps_->OnListWaypoints();
}

void ConverterWindow::browse() {
    if (steps_) steps_->OnBrowse();
}

void ConverterWindow::convert() {
    if (steps_) steps_->OnConvert();
}

void ConverterWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter on a button presses it; anywhere else it is OK, as no button is the default.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void ConverterWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void ConverterWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> files = LocalFiles(event->mimeData());
    if (files.empty() || !steps_) return;
    event->acceptProposedAction();
    steps_->OnDropFiles(files);
}

}  // namespace quendra
