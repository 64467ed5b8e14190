// Reaching the running program's windows from a test driver in another process, and the drivers' table of steps.
#pragma once

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main_window/main_form.h"
#include "platform/win32/win32_form.h"
#include "tests/win32/utf8_out.h"

// A program that does not answer within this time has hung.
inline constexpr DWORD kWaitMs = 30000;

inline HWND MainWindow() { return FindWindowW(ks::win32::kFormClassName, L"Kestrelspooler"); }

// A control of a running form, found by its name in the program's own table through the
// command ID the form gives it; nullptr for a name the table does not have.
inline HWND ControlOf(HWND form, const ks::FormLayout& layout, std::wstring_view name) {
    const std::optional<int> id = ks::win32::ControlId(layout, name);
    return id && form ? GetDlgItem(form, *id) : nullptr;
}

// The table's name of a control of a running form.
inline std::wstring NameOf(HWND form, const ks::FormLayout& layout, HWND control) {
    if (!control || GetParent(control) != form)
        return L"(none of the form's)";
    const std::optional<ks::ControlName> name = ks::win32::ControlOfId(layout, GetDlgCtrlID(control));
    return name ? std::wstring(name->View()) : L"(unknown)";
}

// The command ID of a main-window menu entry; -1 for a name the menus do not have.
inline int MenuId(const std::wstring& name) { return ks::win32::MenuId(ks::MainFormLayout(), name).value_or(-1); }

// Until the program has handled what it was sent and what was queued before it.
inline void Settle(HWND window) {
    for (int i = 0; i < 2; ++i) {
        Sleep(100);
        DWORD_PTR ignored = 0;
        if (window)
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
    }
}

// Puts the mouse pointer at a point and makes it stay there. Under Wine, a crossing event from the
// X server that the program has not handled yet moves the cursor back to where the pointer was when
// its window appeared; settling the program first and checking afterwards keeps that out of a test.
inline bool PointerAt(HWND window, POINT at) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        Settle(window);
        POINT now{};
        if (SetCursorPos(at.x, at.y))
            Settle(window);
        if (GetCursorPos(&now) && now.x == at.x && now.y == at.y)
            return true;
    }
    return false;
}

// A window's text, asked across processes without waiting for ever.
inline std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWaitMs, &length))
        return L"(no answer)";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kWaitMs, &copied);
    text.resize(copied);
    return text;
}

// A control's place in its form's client area: "NAME LEFT TOP WIDTH HEIGHT" in pixels.
inline bool PrintPlace(HWND form, HWND control, const std::wstring& name) {
    RECT box;
    if (!control || !GetWindowRect(control, &box))
        return false;
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&box), 2);
    std::printf("%s %ld %ld %ld %ld\n", Utf8(name).c_str(), box.left, box.top, box.right - box.left,
                box.bottom - box.top);
    return true;
}

// The program's own table, for the figures a test expects: "NAME LEFT TOP WIDTH HEIGHT" in
// twips for each control but the lines (the form paints those), in table order.
inline void PrintTable(const ks::FormLayout& layout) {
    for (const ks::ControlLayout& c : layout.controls)
        if (c.kind != ks::ControlKind::Line)
            std::printf("%s %d %d %d %d\n", Utf8(std::wstring(c.name.View())).c_str(), c.left, c.top, c.width,
                        c.height);
}

// Checks of a step's argument, made before any step runs.
using ArgumentCheck = std::function<bool(const std::wstring&)>;
inline bool AnyText(const std::wstring&) { return true; }
inline ArgumentCheck ControlIn(const ks::FormLayout& layout) {
    return [&layout](const std::wstring& name) { return ks::win32::ControlId(layout, name).has_value(); };
}
inline bool MainMenuEntry(const std::wstring& name) { return MenuId(name) >= 0; }

// One word a driver takes on its command line: the arguments that follow it, each with its
// check, and what it does; it returns why it could not be done, or nullopt.
struct Step {
    std::wstring_view word;
    std::vector<ArgumentCheck> arguments;
    std::function<std::optional<std::string>(const std::vector<std::wstring>& args)> run;
};

// Runs the steps the command line names, in order, and returns the exit status: 0 when every
// step could be done, 1 otherwise. Each step that looks prints one line (texts in UTF-8), a failed
// one "failed: WHY", and the driver goes on with the next. The whole command line is read first:
// an unknown word, a missing argument or a name the program's tables do not have fails the run
// before any step is done.
inline int RunSteps(const std::vector<Step>& table) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // what was done so far survives a crash
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::pair<const Step*, std::vector<std::wstring>>> script;
    for (int i = 1; i < argc; ++i) {
        const Step* step = nullptr;
        for (const Step& s : table)
            if (s.word == argv[i])
                step = &s;
        if (!step) {
            std::printf("failed: unknown step %s\n", Utf8(argv[i]).c_str());
            return 1;
        }
        std::vector<std::wstring> args;
        for (const ArgumentCheck& check : step->arguments) {
            if (++i >= argc || !check(argv[i])) {
                std::printf("failed: %s: %s\n", Utf8(std::wstring(step->word)).c_str(),
                            i < argc ? ("no such name " + Utf8(argv[i])).c_str() : "an argument is missing");
                return 1;
            }
            args.emplace_back(argv[i]);
        }
        script.emplace_back(step, std::move(args));
    }
    LocalFree(argv);
    int status = 0;
    for (const auto& [step, args] : script) {
        if (const std::optional<std::string> why = step->run(args)) {
            std::printf("failed: %s\n", why->c_str());
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}
