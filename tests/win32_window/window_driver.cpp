// Drives the running Kestrelspooler.exe from another process, as a user and a file manager would.
//
//   ks_win32_window_driver STEP...     runs the steps in order, one output line each:
//     window                       waits for the main window             -> "window"
//     drop TARGET DATA             drags DATA with DoDragDrop and lets go over TARGET (a control
//                                  name of the main window, or "background")  -> "effect N"
//         DATA: files:PATH|PATH...   a file list (CF_HDROP)
//               text:TEXT            text (CF_TEXT)
//               malformed:N:PATH     the N-th malformed file list naming PATH (test_data_object.h)
//     text CONTROL                 -> "CONTROL=TEXT"
//     rect CONTROL                 its place in the client area -> "CONTROL LEFT TOP WIDTH HEIGHT"
//     client                       the client area's size       -> "client WIDTH HEIGHT"
//     table                        the program's table in twips: "client WIDTH HEIGHT", then
//                                  "CONTROL LEFT TOP WIDTH HEIGHT" for each control
//     set CONTROL TEXT             types TEXT into the control (WM_SETTEXT)
//     click CONTROL                presses a button (BM_CLICK), without waiting for it
//     menu ENTRY                   chooses a menu entry by name, without waiting for it
//     close                        the close box (SC_CLOSE), without waiting for it
//     gone                         waits until the main window is gone     -> "gone"
//
// Exit status 0 when every step could be done, 1 otherwise (see RunSteps). Texts travel in UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win32/remote_window.h"
#include "tests/win32_window/test_data_object.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& text, wchar_t at) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(at, start)) != std::wstring::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

ks::test::TestDataObject* MakeData(const std::wstring& layout) {
    auto* data = new ks::test::TestDataObject;
    if (layout.rfind(L"files:", 0) == 0) {
        data->Add(CF_HDROP, ks::test::FileListBlock(Split(layout.substr(6), L'|')));
    } else if (layout.rfind(L"text:", 0) == 0) {
        std::string text = Utf8(layout.substr(5));
        data->Add(CF_TEXT, std::vector<std::uint8_t>(text.begin(), text.end() + 1));  // with its NUL
    } else if (layout.rfind(L"malformed:", 0) == 0) {
        const size_t colon = layout.find(L':', 10);
        const size_t index = static_cast<size_t>(_wtoi(layout.substr(10, colon - 10).c_str()));
        auto blocks = ks::test::MalformedBlocks(layout.substr(colon + 1));
        if (index >= blocks.size()) {
            data->Release();
            return nullptr;
        }
        data->Add(CF_HDROP, blocks[index].block);
    } else {
        data->Release();
        return nullptr;
    }
    return data;
}

const ks::FormLayout& Main() { return ks::MainFormLayout(); }

// The point to let go at: the control's centre, or a spot of the client area that
// no control covers (left of the banner, below "File:").
bool TargetPoint(HWND main, const std::wstring& target, POINT& at) {
    if (target == L"background") {
        at = {ks::TwipsToPixels(120, 96), ks::TwipsToPixels(1800, 96)};
        return ClientToScreen(main, &at) != FALSE;
    }
    const HWND control = ControlOf(main, Main(), target);
    RECT box;
    if (!control || !GetWindowRect(control, &box))
        return false;
    at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    return true;
}

bool DropTarget(const std::wstring& name) { return name == L"background" || ControlIn(Main())(name); }

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    HWND main = MainWindow();
    using Args = std::vector<std::wstring>;
    using Outcome = std::optional<std::string>;
    auto control = [&](const std::wstring& name) { return ControlOf(main, Main(), name); };
    const std::vector<Step> steps = {
        {L"window", {}, [&](const Args&) -> Outcome {
             // The window exists before the program shows it.
             for (DWORD start = GetTickCount();
                  !((main = MainWindow()) && IsWindowVisible(main)) && GetTickCount() - start < kWaitMs;)
                 Sleep(50);
             if (!main || !IsWindowVisible(main))
                 return "no main window";
             std::printf("window\n");
             return std::nullopt;
         }},
        {L"gone", {}, [&](const Args&) -> Outcome {
             for (DWORD start = GetTickCount(); IsWindow(main) && GetTickCount() - start < kWaitMs;)
                 Sleep(50);
             if (IsWindow(main))
                 return "the main window stayed";
             std::printf("gone\n");
             return std::nullopt;
         }},
        {L"drop", {DropTarget, AnyText}, [&](const Args& a) -> Outcome {
             POINT at;
             ks::test::TestDataObject* data = MakeData(a[1]);
             if (!data || !TargetPoint(main, a[0], at) || !PointerAt(main, at)) {
                 if (data)
                     data->Release();
                 return "cannot drop " + Utf8(a[1]) + " on " + Utf8(a[0]);
             }
             ks::test::ImmediateDropSource source;
             DWORD effect = DROPEFFECT_NONE;
             const HRESULT result =
                 DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
             data->Release();
             Settle(main);
             if (result != DRAGDROP_S_DROP)
                 return "DoDragDrop answered " + std::to_string(static_cast<long>(result));
             std::printf("effect %lu\n", effect);
             return std::nullopt;
         }},
        {L"text", {ControlIn(Main())}, [&](const Args& a) -> Outcome {
             const HWND c = control(a[0]);
             if (!c)
                 return "no control " + Utf8(a[0]);
             std::printf("%s=%s\n", Utf8(a[0]).c_str(), Utf8(TextOf(c)).c_str());
             return std::nullopt;
         }},
        {L"rect", {ControlIn(Main())}, [&](const Args& a) -> Outcome {
             if (!PrintPlace(main, control(a[0]), a[0]))
                 return "no control " + Utf8(a[0]);
             return std::nullopt;
         }},
        {L"client", {}, [&](const Args&) -> Outcome {
             RECT client;
             GetClientRect(main, &client);
             std::printf("client %ld %ld\n", client.right, client.bottom);
             return std::nullopt;
         }},
        {L"table", {}, [&](const Args&) -> Outcome {
             std::printf("client %d %d\n", Main().client_width, Main().client_height);
             PrintTable(Main());
             return std::nullopt;
         }},
        {L"set", {ControlIn(Main()), AnyText}, [&](const Args& a) -> Outcome {
             DWORD_PTR ignored = 0;
             const HWND c = control(a[0]);
             if (!c || !SendMessageTimeoutW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[1].c_str()), SMTO_NORMAL,
                                            kWaitMs, &ignored))
                 return "cannot set " + Utf8(a[0]);
             return std::nullopt;
         }},
        {L"click", {ControlIn(Main())}, [&](const Args& a) -> Outcome {
             const HWND c = control(a[0]);
             if (!c || !PostMessageW(c, BM_CLICK, 0, 0))
                 return "cannot click " + Utf8(a[0]);
             return std::nullopt;
         }},
        {L"menu", {MainMenuEntry}, [&](const Args& a) -> Outcome {
             if (!PostMessageW(main, WM_COMMAND, MAKEWPARAM(MenuId(a[0]), 0), 0))
                 return "cannot choose " + Utf8(a[0]);
             return std::nullopt;
         }},
        {L"close", {}, [&](const Args&) -> Outcome {
             if (!PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0))
                 return "cannot close";
             return std::nullopt;
         }},
    };
    const int status = RunSteps(steps);
    OleUninitialize();
    return status;
}
