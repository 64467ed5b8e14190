// The per-user settings store on QSettings: one INI file per application in the user's config folder.
#include "qt_settings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace ks {

namespace {

constexpr auto kOrganisation = "Kestrelspooler";

// The names are given here rather than through QCoreApplication, which the
// command-line run may never create. The native format on Linux is an INI file
// named APP.conf.
QSettings Open(const std::wstring& app) {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganisation),
                     QString::fromStdWString(app));
}

QString Key(const std::wstring& section, const std::wstring& key) {
    return QString::fromStdWString(section) + u'/' + QString::fromStdWString(key);
}

}  // namespace

std::wstring QtSettingsStore::Get(const std::wstring& app, const std::wstring& section,
                                  const std::wstring& key) {
    QSettings settings = Open(app);
    if (settings.status() != QSettings::NoError)
        return std::wstring();
    return settings.value(Key(section, key)).toString().toStdWString();
}

bool QtSettingsStore::Save(const std::wstring& app, const std::wstring& section,
                           const std::wstring& key, const std::wstring& value) {
    QSettings settings = Open(app);
    const QString name = Key(section, key);
    const QVariant previous = settings.value(name);
    settings.setValue(name, QString::fromStdWString(value));
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    // QSettings keeps a change it could not write in a cache shared by the whole
    // process, and later readers would see it. Put back what the file still holds.
    if (previous.isValid())
        settings.setValue(name, previous);
    else
        settings.remove(name);
    return false;
}

}  // namespace ks
