// The dialog wired to stand-ins for the user: answered file dialogs and message boxes,
// settings in a scratch folder, GTM files written from GtmBuilder.
#pragma once

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/app_profile.h"
#include "app/converter_dialog.h"
#include "platform/qt/file_dialogs.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"

namespace quendra::testing {

// Answers each file dialog with the next path in `answers`; an empty one, or none left,
// is Cancel.
class FakeFileDialogs : public FileDialogs {
public:
    bool Run(QWidget* owner, const FileDialogRequest& request, QString& pathName) override {
        requests.push_back(request);
        owners.push_back(owner);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isEmpty()) return false;
        pathName = answer;
        return true;
    }

    QStringList answers;
    std::vector<FileDialogRequest> requests;
    std::vector<QWidget*> owners;
};

// A scratch folder that also holds the per-user settings store while it lives.
class Sandbox {
public:
    Sandbox() {
        const QString config = dir_.filePath(QStringLiteral("config"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    }

    QString Path(const QString& name) const {
        return QDir::toNativeSeparators(dir_.filePath(name));
    }
    QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files); }

    QString WriteGtm(const QString& name, const GtmBuilder& builder) const {
        const auto bytes = builder.Build();
        QFile file(Path(name));
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return Path(name);
    }

    // The setting as stored under the application's key; invalid when none is stored.
    static QVariant Stored(const char* entry) {
        return QSettings(QStringLiteral("Tavrin"), QStringLiteral("Moskel"))
            .value(QStringLiteral("Dialog/") + QString::fromLatin1(entry));
    }
    static void Store(const char* entry, const QString& value) {
        QSettings(QStringLiteral("Tavrin"), QStringLiteral("Moskel"))
            .setValue(QStringLiteral("Dialog/") + QString::fromLatin1(entry), value);
    }

private:
    QTemporaryDir dir_;
};

struct DialogHarness {
    DialogHarness() { profile.SetRegistryKey(QStringLiteral("Tavrin"), QStringLiteral("Moskel")); }

    // A dialog as at program start: remembered path restored and listed.
    ConverterDialog& Start() {
        dialog = std::make_unique<ConverterDialog>(profile, DialogHooks{&files, &messages});
        dialog->OnInitDialog();
        return *dialog;
    }
    // A start with `builder`'s file remembered.
    ConverterDialog& StartListing(const GtmBuilder& builder) {
        Sandbox::Store(kGtmFileEntry, sandbox.WriteGtm(QStringLiteral("in.gtm"), builder));
        return Start();
    }
    template <typename Control>
    Control* Item(int id) const {
        return qobject_cast<Control*>(dialog->GetDlgItem(id));
    }

    Sandbox sandbox;
    AppProfile profile;
    FakeFileDialogs files;
    FakeMessages messages;
    std::unique_ptr<ConverterDialog> dialog;
};

}  // namespace quendra::testing
