// A console program that runs one Win32 service call for the contract tests driven from the shell.
//
//   ks_win32_probe printers                 "printer NAME" per installed printer, then "default NAME"
//   ks_win32_probe settings-save VALUE      saves the remembered printer; exit 1 when it could not
//   ks_win32_probe settings-get             prints the remembered printer
//   ks_win32_probe read PATH OUT            copies what Files reads from PATH to OUT; exit 3 for nullopt
//   ks_win32_probe command-line ...         prints what Process hands over as the command line
//
// Names and values travel in UTF-8 (the shell's encoding), converted here with Windows' own calls.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_printers.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_settings.h"
#include "texts/program_texts.h"
#include "tests/win32/utf8_out.h"

#include <windows.h>

namespace {

// The arguments as UTF-8, whatever the ANSI code page.
std::wstring Argument(int index) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring arg = argv && index < argc ? argv[index] : L"";
    LocalFree(argv);
    return arg;
}

int Usage() {
    std::fputs("usage: ks_win32_probe printers|settings-save VALUE|settings-get|read PATH OUT|command-line\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    using namespace ks;
    if (command == "printers") {
        win32::Win32Printers printers;
        for (const std::wstring& name : printers.List())
            std::printf("printer %s\n", Utf8(name).c_str());
        if (const auto def = printers.SystemDefault())
            std::printf("default %s\n", Utf8(*def).c_str());
        return 0;
    }
    if (command == "settings-save" && argc == 3) {
        win32::RegistrySettings settings;
        return settings.Save(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey,
                             Argument(2))
                   ? 0
                   : 1;
    }
    if (command == "settings-get") {
        win32::RegistrySettings settings;
        std::printf("%s\n", Utf8(settings.Get(texts::kSettingsApp, texts::kSettingsSection,
                                              texts::kSettingsKey))
                                .c_str());
        return 0;
    }
    if (command == "read" && argc == 4) {
        win32::Win32Files files;
        const auto bytes = files.ReadAll(Argument(2));
        if (!bytes)
            return 3;
        FILE* out = _wfopen(Argument(3).c_str(), L"wb");
        if (!out)
            return 1;
        const bool ok = bytes->empty() || std::fwrite(bytes->data(), 1, bytes->size(), out) == bytes->size();
        return std::fclose(out) == 0 && ok ? 0 : 1;
    }
    if (command == "command-line") {
        win32::Win32Process process;
        std::printf("[%s]\n", Utf8(process.CommandLine()).c_str());
        return 0;
    }
    return Usage();
}
