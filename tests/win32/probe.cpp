// A console program that runs one Win32 service call for the contract tests driven from the shell.
//
//   ks_win32_probe printers                 "printer NAME" per installed printer, then "default NAME"
//   ks_win32_probe settings-save VALUE      saves the remembered printer; exit 1 when it could not
//   ks_win32_probe settings-get             prints the remembered printer
//   ks_win32_probe read PATH OUT            copies what Files reads from PATH to OUT; exit 3 for nullopt
//   ks_win32_probe command-line ...         prints what Process hands over as the command line
//   ks_win32_probe watch PRINTER MS         prints 6 bytes as a job and watches it for at most MS:
//                                           "status ..." per raw look, then "fate STATE" and its lines
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
#include "platform/win32/win32_spooler.h"
#include "texts/program_texts.h"
#include "tests/win32/utf8_out.h"

#include <windows.h>
#undef OpenPrinter  // the spooler's names, not winspool.h's
#undef StartDoc

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
    std::fputs("usage: ks_win32_probe printers|settings-save VALUE|settings-get|read PATH OUT|command-line|"
               "watch PRINTER MS\n",
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
    if (command == "watch" && argc == 4) {
        win32::Win32Spooler spooler;
        auto printer = spooler.OpenPrinter(Argument(2));
        const std::uint8_t data[] = {'w', 'a', 't', 'c', 'h', '\n'};
        if (!printer || !printer->StartDoc({L"Command Print", std::nullopt, std::nullopt}) ||
            !printer->StartPage() || printer->Write(data, sizeof data) != sizeof data || !printer->EndPage() ||
            !printer->EndDoc()) {
            std::printf("failed %s\n", Utf8(spooler.LastError()).c_str());
            return 1;
        }
        // What the spooler reports without the program's judgement: the printer's status and
        // attributes, and each job still in its queue.
        HANDLE raw = nullptr;
        std::string name = Utf8(Argument(2));
        if (OpenPrinterA(name.data(), &raw, nullptr)) {
            DWORD needed = 0;
            GetPrinterA(raw, 2, nullptr, 0, &needed);
            std::string info(needed, '\0');
            if (needed && GetPrinterA(raw, 2, reinterpret_cast<BYTE*>(info.data()), needed, &needed)) {
                const auto* p = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
                std::printf("status printer 0x%lx attributes 0x%lx jobs %lu\n", p->Status, p->Attributes, p->cJobs);
            }
            DWORD count = 0;
            needed = 0;
            EnumJobsA(raw, 0, 99, 2, nullptr, 0, &needed, &count);
            std::string jobs(needed, '\0');
            if (needed && EnumJobsA(raw, 0, 99, 2, reinterpret_cast<BYTE*>(jobs.data()), needed, &needed, &count))
                for (DWORD i = 0; i < count; ++i) {
                    const auto& j = reinterpret_cast<const JOB_INFO_2A*>(jobs.data())[i];
                    std::printf("status job %lu 0x%lx position %lu\n", j.JobId, j.Status, j.Position);
                }
            ClosePrinter(raw);
        }
        const JobFate fate = printer->Watch(WatchUntil::Known, std::chrono::milliseconds(std::atol(argv[3])), nullptr);
        static const char* const kStates[] = {"Printed", "OnItsWay", "Waiting", "Failed", "Stopped"};
        std::printf("fate %s\n", kStates[static_cast<int>(fate.state)]);
        for (const std::wstring& line : fate.lines)
            std::printf("%s\n", Utf8(line).c_str());
        printer->Close();
        return 0;
    }
    if (command == "command-line") {
        win32::Win32Process process;
        std::printf("[%s]\n", Utf8(process.CommandLine()).c_str());
        return 0;
    }
    return Usage();
}
