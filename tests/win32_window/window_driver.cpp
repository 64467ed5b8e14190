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
//     set CONTROL TEXT             types TEXT into the control (WM_SETTEXT)
//     click CONTROL                presses a button (BM_CLICK), without waiting for it
//     menu ENTRY                   chooses a menu entry by name, without waiting for it
//     close                        the close box (SC_CLOSE), without waiting for it
//     gone                         waits until the main window is gone     -> "gone"
//
// Exit status 0 when every step could be done, 1 otherwise. Texts travel in UTF-8.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "main_window/main_form.h"
#include "platform/win32/win32_form.h"
#include "tests/win32/remote_window.h"
#include "test_data_object.h"

namespace {

int ControlIndex(const std::wstring& name) {
    const auto& controls = ks::MainFormLayout().controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].name == name)
            return static_cast<int>(i);
    return -1;
}

HWND Control(HWND main, const std::wstring& name) {
    const int index = ControlIndex(name);
    return index < 0 ? nullptr : GetDlgItem(main, ks::win32::kFirstControlId + index);
}

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

// The point to let go at: the control's centre, or a spot of the client area that
// no control covers.
bool TargetPoint(HWND main, const std::wstring& target, POINT& at) {
    if (target == L"background") {
        at = {ks::win32::TwipsToPixels(120, 96), ks::win32::TwipsToPixels(1800, 96)};
        return ClientToScreen(main, &at) != FALSE;
    }
    const HWND control = Control(main, target);
    RECT box;
    if (!control || !GetWindowRect(control, &box))
        return false;
    at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    return true;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // what was done so far survives a crash
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    HWND main = MainWindow();
    int status = 0;
    auto fail = [&](const std::string& what) {
        std::printf("failed: %s\n", what.c_str());
        status = 1;
    };
    for (int i = 1; i < argc; ++i) {
        const std::wstring step = argv[i];
        auto arg = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
        if (step == L"window") {
            // The window exists before the program shows it.
            for (DWORD start = GetTickCount();
                 !((main = MainWindow()) && IsWindowVisible(main)) && GetTickCount() - start < kWaitMs;)
                Sleep(50);
            if (main && IsWindowVisible(main))
                std::printf("window\n");
            else
                fail("no main window");
        } else if (step == L"gone") {
            for (DWORD start = GetTickCount(); IsWindow(main) && GetTickCount() - start < kWaitMs;)
                Sleep(50);
            if (IsWindow(main))
                fail("the main window stayed");
            else
                std::printf("gone\n");
        } else if (step == L"drop") {
            const std::wstring target = arg();
            const std::wstring data_text = arg();
            POINT at;
            ks::test::TestDataObject* data = MakeData(data_text);
            if (!data || !TargetPoint(main, target, at) || !PointerAt(main, at)) {
                fail("cannot drop " + Utf8(data_text) + " on " + Utf8(target));
                if (data)
                    data->Release();
                continue;
            }
            ks::test::ImmediateDropSource source;
            DWORD effect = DROPEFFECT_NONE;
            const HRESULT result = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                                              &effect);
            data->Release();
            Settle(main);
            if (result == DRAGDROP_S_DROP)
                std::printf("effect %lu\n", effect);
            else
                fail("DoDragDrop answered " + std::to_string(static_cast<long>(result)));
        } else if (step == L"text") {
            const std::wstring name = arg();
            const HWND control = Control(main, name);
            if (control)
                std::printf("%s=%s\n", Utf8(name).c_str(), Utf8(TextOf(control)).c_str());
            else
                fail("no control " + Utf8(name));
        } else if (step == L"rect") {
            const std::wstring name = arg();
            const HWND control = Control(main, name);
            RECT box;
            if (control && GetWindowRect(control, &box)) {
                MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&box), 2);
                std::printf("%s %ld %ld %ld %ld\n", Utf8(name).c_str(), box.left, box.top, box.right - box.left,
                            box.bottom - box.top);
            } else {
                fail("no control " + Utf8(name));
            }
        } else if (step == L"client") {
            RECT client;
            GetClientRect(main, &client);
            std::printf("client %ld %ld\n", client.right, client.bottom);
        } else if (step == L"set") {
            const std::wstring name = arg();
            const std::wstring text = arg();
            DWORD_PTR ignored = 0;
            const HWND control = Control(main, name);
            if (!control || !SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                                 SMTO_NORMAL, kWaitMs, &ignored))
                fail("cannot set " + Utf8(name));
        } else if (step == L"click") {
            const std::wstring name = arg();
            const HWND control = Control(main, name);
            if (!control || !PostMessageW(control, BM_CLICK, 0, 0))
                fail("cannot click " + Utf8(name));
        } else if (step == L"menu") {
            const std::wstring name = arg();
            const int id = MenuId(name);
            if (id < 0 || !PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0))
                fail("no menu entry " + Utf8(name));
        } else if (step == L"close") {
            if (!PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0))
                fail("cannot close");
        } else {
            fail("unknown step " + Utf8(step));
        }
        std::fflush(stdout);
    }
    OleUninitialize();
    LocalFree(argv);
    return status;
}
