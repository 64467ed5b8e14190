// Contract tests of the Win32 services that one process can check alone: files, settings, text, command line, standard error.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_settings.h"
#include "platform/win32/win32_spooler.h"
#include "texts/program_texts.h"

// Last, and without the macro that renames the spooler's OpenPrinter.
#include <windows.h>
#undef OpenPrinter

#include "platform/win32/handles.h"

namespace ks::win32 {
namespace {

TEST(Win32CommandLine, KeepsEverythingAfterTheProgramName) {
    const struct {
        const wchar_t* line;
        const wchar_t* arguments;
    } cases[] = {
        {L"Kestrelspooler.exe", L""},
        {L"Kestrelspooler.exe ", L""},
        {L"\"C:\\Program Files\\Kestrelspooler.exe\"", L""},
        {L"Kestrelspooler.exe C:\\fw.bin", L"C:\\fw.bin"},
        {L"Kestrelspooler.exe   \t\"C:\\path with spaces\\fw.bin\"", L"\"C:\\path with spaces\\fw.bin\""},
        {L"\"C:\\Program Files\\Kestrelspooler.exe\" \"C:\\a b\\fw.bin\"", L"\"C:\\a b\\fw.bin\""},
        {L"\"C:\\Program Files\\Kestrelspooler.exe\"\"x y\"", L"\"x y\""},
        {L"Kestrelspooler.exe a.bin  b.bin ", L"a.bin  b.bin "},
        {L"Kestrelspooler.exe \"\"", L"\"\""},
        {L"\"unterminated name", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArgumentsOf(c.line), c.arguments) << "command line: " << ToNative(c.line);
}

TEST(Win32Text, RoundTripsAnsiTextAndNeverSubstitutesALookAlike) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "written for the ANSI code page 1252, this one is " << GetACP();
    const std::wstring name = L"Drucker B\u00fcro \u00e9tage 2";
    EXPECT_EQ(ToNative(name), "Drucker B\xfcro \xe9tage 2");
    EXPECT_EQ(FromNative(ToNative(name)), name);
    // The ligature "fi" has a best-fit "fi" in 1252; a path must not turn into another one.
    EXPECT_EQ(ToNative(L"\ufb01le.bin"), "?le.bin");
    EXPECT_EQ(ToNative(L""), "");
    EXPECT_EQ(FromNative(""), L"");
}

class Win32FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "ks files " + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    }
    void TearDown() override {
        for (const std::string& f : created_)
            DeleteFileA(f.c_str());
        RemoveDirectoryA((folder_ + "\\sub").c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = folder_ + "\\" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        if (!bytes.empty())
            WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
        created_.push_back(path);
        return path;
    }
    static std::vector<std::uint8_t> Bytes(const ByteBuffer& b) { return {b.data(), b.data() + b.size()}; }

    std::string folder_;
    std::vector<std::string> created_;
    Win32Files files_;
};

TEST_F(Win32FilesTest, ReadsRegularFilesByteForByte) {
    std::vector<std::uint8_t> every_byte;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b)
            every_byte.push_back(static_cast<std::uint8_t>(b));
    std::vector<std::uint8_t> large(3 * 1024 * 1024 + 17);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"every byte.bin", every_byte},
        {"empty.prn", {}},
        {"crlf and ctrl-z.txt", {'a', '\r', '\n', 0x1A, 'b', '\n', 0}},
        {"large.bin", large},
    };
    for (const auto& c : cases) {
        const std::string path = Write(c.name, c.bytes);
        const std::optional<ByteBuffer> read = files_.ReadAll(FromNative(path));
        ASSERT_TRUE(read) << c.name;
        EXPECT_EQ(read->size(), c.bytes.size()) << c.name;
        EXPECT_TRUE(Bytes(*read) == c.bytes) << c.name;
    }
}

TEST_F(Win32FilesTest, ReadsAFileAnotherProgramHoldsOpenForWriting) {
    const std::string path = Write("busy.bin", {1, 2, 3});
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const std::optional<ByteBuffer> read = files_.ReadAll(FromNative(path));
    CloseHandle(writer);
    ASSERT_TRUE(read);
    EXPECT_EQ(Bytes(*read), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(Win32FilesTest, RefusesWhatIsNoReadableRegularFileAndCreatesNothing) {
    ASSERT_TRUE(CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr));
    const std::string missing = folder_ + "\\missing.bin";
    const std::string paths[] = {
        missing,
        folder_ + "\\no such folder\\fw.bin",
        folder_ + "\\sub",
        "NUL",
        "",
    };
    for (const std::string& path : paths)
        EXPECT_FALSE(files_.ReadAll(FromNative(path))) << path;
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "the missing file was created";
}

// Under Wine, Z:\proc is Linux's /proc: its files report a size of 0 and have content,
// and used to load as nothing.
TEST_F(Win32FilesTest, AFileThatReportsNoSizeIsReadToItsEnd) {
    const char* path = "Z:\\proc\\version";
    FileHandle probe(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!probe || !GetFileSizeEx(probe.Get(), &size) || size.QuadPart != 0)
        GTEST_SKIP() << "no file here that reports a size of 0 (not Wine on Linux)";
    const std::optional<ByteBuffer> read = files_.ReadAll(FromNative(path));
    ASSERT_TRUE(read);
    const std::string text(reinterpret_cast<const char*>(read->data()), read->size());
    EXPECT_EQ(text.rfind("Linux version ", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(Win32FilesTest, APathTheAnsiCodePageCannotSpellReadsNoOtherFile) {
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "the UTF-8 code page spells every path";
    Write("fi.bin", {9});
    EXPECT_FALSE(files_.ReadAll(FromNative(folder_) + L"\\\ufb01.bin"));
}

class Win32SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kestrelspooler"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kestrelspooler"); }
    std::wstring Get() { return settings_.Get(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey); }
    bool Save(const std::wstring& v) {
        return settings_.Save(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey, v);
    }
    RegistrySettings settings_;
};

TEST_F(Win32SettingsTest, StoresTheRememberedPrinterAsAStringUnderTheUsersKey) {
    EXPECT_EQ(Get(), L"") << "never written";
    for (const std::wstring value : {L"Kestrel-Raw", L"", L"\\\\server\\Laser 2", L"Drucker B\u00fcro"}) {
        ASSERT_TRUE(Save(value));
        EXPECT_EQ(Get(), value);
    }
    ASSERT_TRUE(Save(L"Kestrel-Raw"));
    char raw[64] = {};
    DWORD size = sizeof raw;
    DWORD type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Kestrelspooler\\STARTUP", "Drucker", RRF_RT_ANY,
                           &type, raw, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(raw, "Kestrel-Raw");
}

TEST_F(Win32SettingsTest, AValueOfAnotherTypeOrWithoutTerminatorReadsSafely) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kestrelspooler\\STARTUP", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExA(key, "Drucker", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    EXPECT_EQ(Get(), L"");
    RegSetValueExA(key, "Drucker", 0, REG_SZ, reinterpret_cast<const BYTE*>("Laser"), 5);  // no NUL
    EXPECT_EQ(Get(), L"Laser");
    const std::string long_name(1000, 'x');
    RegSetValueExA(key, "Drucker", 0, REG_SZ, reinterpret_cast<const BYTE*>(long_name.c_str()),
                   static_cast<DWORD>(long_name.size() + 1));
    EXPECT_EQ(Get(), std::wstring(1000, L'x'));
    RegCloseKey(key);
}

TEST(Win32SpoolerTest, AnUnknownOrEmptyNameOpensNothingAndSaysWhy) {
    Win32Spooler spooler;
    for (const std::wstring name : {L"No Such Printer 8d1e", L""}) {
        EXPECT_EQ(spooler.OpenPrinter(name), nullptr) << ToNative(name);
        EXPECT_NE(spooler.LastError(), L"") << ToNative(name);
    }
}

TEST(Win32ProcessTest, CurrentFolderEndsWithoutASeparatorExceptAtARoot) {
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    Win32Process process;
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows\\"));
    EXPECT_EQ(process.CurrentFolder(), L"C:\\windows");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(process.CurrentFolder(), L"C:\\");
    SetCurrentDirectoryA(saved);
}

// The meter's writes, and a line after them.
void WriteMeterAndLine(Process& process) {
    process.ErrorText(L"12345");
    process.ErrorText(L"\rab");
    process.ErrorLine(L"!");
}

// What the progress meter finds on standard error when it is not a console: a file or a
// pipe takes the text as it stands, with no line end added, and is no terminal; no
// handle at all takes nothing and breaks nothing.
TEST(Win32ProcessTest, AFileAPipeOrNoStandardErrorIsNoTerminal) {
    const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    const auto read_all = [](HANDLE h) {
        std::string bytes(256, '\0');
        DWORD got = 0;
        ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        bytes.resize(got);
        return bytes;
    };
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file_path = std::wstring(temp) + L"ks-stderr-test.txt";
    const HANDLE file = CreateFileW(file_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE pipe_read = nullptr, pipe_write = nullptr;
    ASSERT_TRUE(CreatePipe(&pipe_read, &pipe_write, nullptr, 4096));
    const struct {
        const char* name;
        HANDLE handle;
        std::function<std::string()> arrived;
        std::string expected;
    } rows[] = {
        {"a file", file,
         [&] {
             SetFilePointer(file, 0, nullptr, FILE_BEGIN);
             return read_all(file);
         },
         "12345\rab!\r\n"},
        {"a pipe", pipe_write, [&] { return read_all(pipe_read); }, "12345\rab!\r\n"},
        {"no handle", nullptr, [] { return std::string(); }, ""},
        {"an invalid handle", INVALID_HANDLE_VALUE, [] { return std::string(); }, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetStdHandle(STD_ERROR_HANDLE, row.handle);
        Win32Process process;
        const bool terminal = process.ErrorIsTerminal();
        WriteMeterAndLine(process);
        SetStdHandle(STD_ERROR_HANDLE, saved);
        EXPECT_FALSE(terminal);
        EXPECT_EQ(row.arrived(), row.expected);
    }
    CloseHandle(file);
    CloseHandle(pipe_read);
    CloseHandle(pipe_write);
}

// A console is a terminal, and the meter's carriage return redraws its line in place.
// Wine gives a program a console when it runs on a terminal: CTest runs this under
// `script`, with KS_EXPECT_CONSOLE set; elsewhere it is skipped.
TEST(Win32ProcessTest, AConsoleIsATerminalWhereTheMeterRedrawsItsLine) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(err, &mode)) {
        if (std::getenv("KS_EXPECT_CONSOLE"))
            FAIL() << "standard error is no console";
        GTEST_SKIP() << "standard error is no console here";
    }
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(err, &info));
    Win32Process process;
    EXPECT_TRUE(process.ErrorIsTerminal());
    WriteMeterAndLine(process);
    wchar_t cells[5] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(err, cells, 5, COORD{0, info.dwCursorPosition.Y}, &got));
    EXPECT_EQ(std::wstring(cells, got), L"ab!45");
    CONSOLE_SCREEN_BUFFER_INFO after{};
    GetConsoleScreenBufferInfo(err, &after);
    EXPECT_EQ(after.dwCursorPosition.X, 0) << "the line ends with a line break";
}

// Ctrl+C on the console no longer ends the program but is kept as SIGINT for the job
// to cancel on. Run under `script` as above; the console's own thread delivers it.
TEST(Win32ProcessTest, AConsoleCtrlCIsCaughtAsAnInterruption) {
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) {
        if (std::getenv("KS_EXPECT_CONSOLE"))
            FAIL() << "standard error is no console";
        GTEST_SKIP() << "standard error is no console here";
    }
    Win32Process process;
    EXPECT_EQ(process.Interruption(), 0);
    process.CatchInterruptions();
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    for (const DWORD start = GetTickCount(); process.Interruption() == 0 && GetTickCount() - start < 10000;)
        Sleep(10);
    EXPECT_EQ(process.Interruption(), 2) << "Ctrl+C counts as SIGINT";
}

}  // namespace
}  // namespace ks::win32
