// Dropped data as Qt delivers it, read as a list of local files.
#include "platform/qt/qt_drop_data.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

namespace ks {

QtDropData::QtDropData(const QMimeData& data) {
    if (!data.hasUrls())
        return;
    std::vector<std::wstring> files;
    for (const QUrl& url : data.urls()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        // A list with one entry that is not a local file path is not a list of files
        // at all: taking the others would load a file the user did not point at.
        if (path.isEmpty() || !QDir::isAbsolutePath(path))
            return;
        files.push_back(QDir::toNativeSeparators(path).toStdWString());
    }
    files_ = std::move(files);
}

std::optional<std::wstring> QtDropData::FirstPath() const {
    if (files_.empty())
        return std::nullopt;
    return files_.front();
}

}  // namespace ks
