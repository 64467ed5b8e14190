// The open-file dialog with Qt: a QFileDialog given the program's record, answering as the Windows dialog does.
#include "platform/qt/qt_open_file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "platform/text.h"

namespace ks {

namespace {

// Paths travel as the file system's bytes, so that a name reaches the core exactly
// as the other POSIX services spell it.
QString PathToQt(const std::wstring& path) {
    return QFile::decodeName(QByteArray::fromStdString(ToNative(path)));
}
std::wstring PathFromQt(const QString& path) {
    return FromNative(QFile::encodeName(path).toStdString());
}

// One Windows pattern list ("*.prn;*.bin") as Qt's ("*.prn *.bin").
QString Patterns(const std::wstring& windows_patterns) {
    QStringList patterns = QString::fromStdWString(windows_patterns).split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
        p = p.trimmed();
        if (p == u"*.*")
            p = QStringLiteral("*");
    }
    return patterns.join(u' ');
}

// "Text\0pattern\0...\0\0" as Qt's "Text (pattern)" entries.
QStringList NameFilters(const std::wstring& list) {
    QStringList filters;
    std::size_t at = 0;
    while (at < list.size() && list[at] != L'\0') {
        const std::size_t text_end = list.find(L'\0', at);
        if (text_end == std::wstring::npos)
            break;
        const std::size_t pattern_end = list.find(L'\0', text_end + 1);
        const std::wstring text = list.substr(at, text_end - at);
        const std::wstring pattern = list.substr(text_end + 1, pattern_end == std::wstring::npos
                                                                   ? std::wstring::npos
                                                                   : pattern_end - text_end - 1);
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdWString(text), Patterns(pattern));
        if (pattern_end == std::wstring::npos)
            break;
        at = pattern_end + 1;
    }
    return filters;
}

}  // namespace

bool QtOpenFileDialog::Show(OpenFileRecord& record) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;

    QFileDialog dialog(static_cast<QWidget*>(record.hwndOwner));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Without a must-exist flag a typed name that does not exist yet is accepted too.
    dialog.setFileMode((record.Flags & (kOfnFileMustExist | kOfnPathMustExist))
                           ? QFileDialog::ExistingFile
                           : QFileDialog::AnyFile);
    if (!record.lpstrTitle.empty())
        dialog.setWindowTitle(QString::fromStdWString(record.lpstrTitle));
    dialog.setDirectory(record.lpstrInitialDir.empty() ? QDir::currentPath()
                                                       : PathToQt(record.lpstrInitialDir));
    // The Windows dialog shows a filter's text only, never its patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = NameFilters(record.lpstrFilter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const qsizetype index = record.nFilterIndex == 0 ? 0 : record.nFilterIndex - 1;
        dialog.selectNameFilter(filters.value(index, filters.first()));
    }
    if (!record.lpstrDefExt.empty())
        dialog.setDefaultSuffix(QString::fromStdWString(record.lpstrDefExt));
    const std::wstring initial_name = record.lpstrFile.substr(0, record.lpstrFile.find(L'\0'));
    if (!initial_name.empty())
        dialog.selectFile(PathToQt(initial_name));

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const std::wstring path = PathFromQt(QDir::cleanPath(dialog.selectedFiles().first()));
    // The buffer holds nMaxFile characters with the closing NUL, as on Windows; a
    // longer path is refused as Windows refuses it, not cut short.
    if (path.size() >= record.nMaxFile)
        return false;

    const std::size_t name_at = path.rfind(L'/') + 1;  // an absolute path has one
    const std::size_t dot = path.rfind(L'.');
    record.lpstrFile = path;
    record.lpstrFile.resize(record.nMaxFile, L'\0');
    record.nFileOffset = static_cast<std::uint16_t>(name_at);
    record.nFileExtension =
        static_cast<std::uint16_t>(dot != std::wstring::npos && dot >= name_at ? dot + 1 : path.size());
    // The Windows dialog leaves the current folder where the chosen file is, and the
    // next dialog starts there: the same on this side.
    if (!(record.Flags & kOfnNoChangeDir))
        QDir::setCurrent(PathToQt(path.substr(0, name_at)));
    return true;
}

}  // namespace ks
