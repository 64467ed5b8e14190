// The running Windows program: its command line, current folder, standard error, progress meter and end.
#pragma once

#include "platform/process.h"
#include "platform/win32/command_line_parse.h"

namespace ks::win32 {

class Win32Process : public Process {
public:
    std::wstring CommandLine() override;      // ArgumentsOf(GetCommandLineW())
    std::vector<std::wstring> Arguments() override;  // CommandLineToArgvW
    std::wstring CurrentFolder() override;    // GetCurrentDirectoryA
    std::wstring_view PathSeparators() const override { return L"\\/"; }
    // Written to the standard error handle when the program has one (a GUI program
    // started from a console or with redirected handles); dropped otherwise. A console
    // takes the text as UTF-16, a file or a pipe in the ANSI code page.
    void ErrorLine(const std::wstring& text) override;
    void OutputLine(const std::wstring& text) override;  // as ErrorLine, on standard output
    // Standard error is a console window (GetConsoleMode answers for it).
    bool ErrorIsTerminal() override;
    void ErrorText(const std::wstring& text) override;
    void End(int status) override;            // ExitProcess
    // SetConsoleCtrlHandler: Ctrl+C is SIGINT, Ctrl+Break SIGBREAK, the console's close
    // box a hang-up (1). A program without a console gets none of them (console.cpp).
    void CatchInterruptions() override;
    int Interruption() override;
};

}  // namespace ks::win32
