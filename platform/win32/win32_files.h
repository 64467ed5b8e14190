// Reading files through CreateFileA and ReadFile, whole or a piece at a time.
#pragma once

#include "platform/files.h"

namespace ks::win32 {

// Opens for reading only, shared with every other opener, and only a file that
// exists: a missing path is never created. Reads to the end of the file, whatever
// size the system reports.
class Win32Files : public Files {
public:
    FileRead Read(const std::wstring& path) override;
    // GetFileAttributesA.
    std::optional<std::wstring> WhyNoFile(const std::wstring& path) override;
    std::unique_ptr<FileReader> OpenReader(const std::wstring& path) override;
    std::unique_ptr<FileReader> OpenStandardInput() override;
};

}  // namespace ks::win32
