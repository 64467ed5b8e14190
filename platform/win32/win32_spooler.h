// Raw print jobs through the Windows print spooler's ANSI entry points.
#pragma once

#include <memory>

#include "platform/spooler.h"

namespace ks::win32 {

// OpenPrinterA without defaults. Each printer it opens shares its SpoolerErrors, so
// LastError tells what failed last, in the program's words and then the system's.
// (No windows.h here: its winspool.h renames OpenPrinter.)
class Win32Spooler : public Spooler {
public:
    Win32Spooler();
    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;
    std::wstring LastError() override;

private:
    std::shared_ptr<SpoolerErrors> errors_;
};

}  // namespace ks::win32
