// The per-user settings store on QSettings: one INI file per application in the user's config folder.
#include "platform/qt/qt_settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

namespace ks {

namespace {

constexpr auto kOrganisation = "Kestrelspooler";

// The file QSettings' native format uses for this application in the user's scope.
// The names are given here rather than through QCoreApplication, which the
// command-line run may never create.
QString SettingsPath(const std::wstring& app) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QString::fromLatin1(kOrganisation) + u'/' + QString::fromStdWString(app) +
           QStringLiteral(".conf");
}

QString Key(const std::wstring& section, const std::wstring& key) {
    return QString::fromStdWString(section) + u'/' + QString::fromStdWString(key);
}

// Whether the path holds an ordinary file or nothing at all, the two things QSettings
// can read without waiting and replace without losing anything of the user's.
bool OrdinaryOrMissing(const QString& path) {
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

}  // namespace

std::wstring QtSettingsStore::Get(const std::wstring& app, const std::wstring& section,
                                  const std::wstring& key) {
    last_error_.clear();
    const QString path = SettingsPath(app);
    if (!OrdinaryOrMissing(path)) {
        last_error_ = L"the settings were not read: " + path.toStdWString() +
                      L" is not an ordinary file";
        return std::wstring();
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        last_error_ = L"the settings were not read: " + path.toStdWString() +
                      (settings.status() == QSettings::FormatError ? L" is not an INI file"
                                                                   : L" could not be read");
        return std::wstring();
    }
    return settings.value(Key(section, key)).toString().toStdWString();
}

bool QtSettingsStore::Save(const std::wstring& app, const std::wstring& section,
                           const std::wstring& key, const std::wstring& value) {
    last_error_.clear();
    const QString path = SettingsPath(app);
    if (!OrdinaryOrMissing(path)) {
        last_error_ = path.toStdWString() + L" is not an ordinary file; it was left as it is";
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    const QString name = Key(section, key);
    const QVariant previous = settings.value(name);
    settings.setValue(name, QString::fromStdWString(value));
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    last_error_ = path.toStdWString() + L" could not be written";
    // QSettings keeps a change it could not write in a cache shared by the whole
    // process, and later readers would see it. Put back what the file still holds.
    if (previous.isValid())
        settings.setValue(name, previous);
    else
        settings.remove(name);
    return false;
}

}  // namespace ks
