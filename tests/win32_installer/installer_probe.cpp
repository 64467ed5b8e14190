// Reads what the installer test checks from inside Windows: the user's shell folders, a shortcut's target and a program's version resource.
//
//   ks_installer_probe folders        LocalAppData=, Programs= and SendTo= lines
//   ks_installer_probe link FILE.lnk  target= and arguments= lines
//   ks_installer_probe version FILE   fixed= (the four numbers), FileVersion= and ProductVersion=
//
// Prints UTF-8; exits 0, or 1 with the failing call on standard error.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include "utf8_out.h"

namespace {

int Fail(const char* what, HRESULT code) {
    std::fprintf(stderr, "%s failed: 0x%08lx\n", what, static_cast<unsigned long>(code));
    return 1;
}

int Folders() {
    const struct {
        const char* name;
        const KNOWNFOLDERID& id;
    } folders[] = {{"LocalAppData", FOLDERID_LocalAppData},
                   {"Programs", FOLDERID_Programs},
                   {"SendTo", FOLDERID_SendTo}};
    for (const auto& folder : folders) {
        PWSTR path = nullptr;
        const HRESULT hr = SHGetKnownFolderPath(folder.id, 0, nullptr, &path);
        if (FAILED(hr))
            return Fail(folder.name, hr);
        std::printf("%s=%s\n", folder.name, Utf8(path).c_str());
        CoTaskMemFree(path);
    }
    return 0;
}

int Link(const wchar_t* file) {
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (FAILED(hr))
        return Fail("CoCreateInstance(ShellLink)", hr);
    IPersistFile* persist = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    if (SUCCEEDED(hr))
        hr = persist->Load(file, STGM_READ);
    std::wstring target(MAX_PATH, L'\0'), arguments(4096, L'\0');
    // SLGP_RAWPATH: the path as stored, so that a wrong one is seen as it is.
    if (SUCCEEDED(hr))
        hr = link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_RAWPATH);
    if (SUCCEEDED(hr))
        hr = link->GetArguments(arguments.data(), static_cast<int>(arguments.size()));
    if (persist)
        persist->Release();
    link->Release();
    if (FAILED(hr))
        return Fail("reading the shortcut", hr);
    std::printf("target=%s\narguments=%s\n", Utf8(target.c_str()).c_str(), Utf8(arguments.c_str()).c_str());
    return 0;
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
    // The first translation the resource lists names the string table to read.
    struct Translation {
        WORD language, code_page;
    };
    Translation* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &size) || size < sizeof(Translation))
        return L"";
    wchar_t key[64];
    std::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language,
                  translations->code_page, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&value), &size) || !value)
        return L"";
    return value;
}

int Version(const wchar_t* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0)
        return Fail("GetFileVersionInfoSizeW", HRESULT_FROM_WIN32(GetLastError()));
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(file, 0, size, block.data()))
        return Fail("GetFileVersionInfoW", HRESULT_FROM_WIN32(GetLastError()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return Fail("VerQueryValueW(\\)", E_FAIL);
    std::printf("fixed=%lu.%lu.%lu.%lu\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    std::printf("FileVersion=%s\n", Utf8(VersionString(block, L"FileVersion")).c_str());
    std::printf("ProductVersion=%s\n", Utf8(VersionString(block, L"ProductVersion")).c_str());
    return 0;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return Fail("CoInitializeEx", E_FAIL);
    int status = 2;
    if (command == L"folders" && argc == 2)
        status = Folders();
    else if (command == L"link" && argc == 3)
        status = Link(argv[2]);
    else if (command == L"version" && argc == 3)
        status = Version(argv[2]);
    else
        std::fputs("usage: ks_installer_probe folders | link FILE.lnk | version FILE\n", stderr);
    std::fflush(stdout);
    CoUninitialize();
    return status;
}
