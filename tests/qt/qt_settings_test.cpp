// The settings store on QSettings: what one run saves the next reads, and a save that fails says so.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/qt/qt_settings.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

// QSettings finds the user's config folder once per process, so the whole test
// program gets one temporary XDG_CONFIG_HOME before the first test, and each test
// uses an application name (its own file) of its own.
fs::path g_config_home;

class ConfigHome : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/ks-config-XXXXXX";
        g_config_home = ::mkdtemp(pattern);
        ::setenv("XDG_CONFIG_HOME", g_config_home.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(g_config_home); }
};
const auto* const kConfigHome = ::testing::AddGlobalTestEnvironment(new ConfigHome);

fs::path SettingsFile(const std::string& app) {
    return g_config_home / "Kestrelspooler" / (app + ".conf");
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(QtSettingsStore, SavedNameLandsInTheUsersConfigFileAndReadsBack) {
    const std::wstring name = L"Label \u00fcber Flur/2";
    EXPECT_TRUE(QtSettingsStore().Save(L"Kestrelspooler", L"STARTUP", L"Drucker", name));

    const std::string file = ReadText(SettingsFile("Kestrelspooler"));
    EXPECT_NE(file.find("[STARTUP]"), std::string::npos) << file;
    EXPECT_NE(file.find("Drucker=Label \xC3\xBC" "ber Flur/2"), std::string::npos) << file;
    EXPECT_EQ(QtSettingsStore().Get(L"Kestrelspooler", L"STARTUP", L"Drucker"), name);
}

// What an earlier run left on disk, written here by hand as that run would have.
TEST(QtSettingsStore, ReadsTheFileAnEarlierRunWrote) {
    WriteText(SettingsFile("EarlierRun"), "[STARTUP]\nDrucker=Kestrel-Demo\n");
    EXPECT_EQ(QtSettingsStore().Get(L"EarlierRun", L"STARTUP", L"Drucker"), L"Kestrel-Demo");
}

TEST(QtSettingsStore, SavingOneKeyKeepsTheOthers) {
    QtSettingsStore store;
    ASSERT_TRUE(store.Save(L"Keys", L"STARTUP", L"Drucker", L"Laser"));
    ASSERT_TRUE(store.Save(L"Keys", L"OTHER", L"Drucker", L"Label"));
    ASSERT_TRUE(store.Save(L"Keys", L"STARTUP", L"Drucker", L""));
    EXPECT_EQ(store.Get(L"Keys", L"STARTUP", L"Drucker"), L"");
    EXPECT_EQ(store.Get(L"Keys", L"OTHER", L"Drucker"), L"Label");
}

TEST(QtSettingsStore, MissingValuesReadAsEmpty) {
    WriteText(SettingsFile("Sparse"), "[OTHER]\nDrucker=Elsewhere\n[STARTUP]\nPapier=A4\n");
    struct Case {
        const char* label;
        const wchar_t* app;
        const wchar_t* section;
        const wchar_t* key;
    };
    for (const Case& c : {Case{"no file", L"NeverWritten", L"STARTUP", L"Drucker"},
                          Case{"key in another section", L"Sparse", L"STARTUP", L"Drucker"},
                          Case{"no such section", L"Sparse", L"NOSECTION", L"Drucker"}}) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(QtSettingsStore().Get(c.app, c.section, c.key), L"");
    }
}

// Root may write anywhere, so the file is blocked by a folder standing in its place.
TEST(QtSettingsStore, SaveThatCannotWriteTheFileReportsFailure) {
    fs::create_directories(SettingsFile("Blocked"));
    EXPECT_FALSE(QtSettingsStore().Save(L"Blocked", L"STARTUP", L"Drucker", L"Laser"));
    EXPECT_EQ(QtSettingsStore().Get(L"Blocked", L"STARTUP", L"Drucker"), L"");
}

// A file-size limit makes the new file's write fail while the old file stays
// readable (a full disk does the same); both the file and later reads in this
// process must still give the old name.
TEST(QtSettingsStore, FailedSaveKeepsThePreviousValue) {
    QtSettingsStore store;
    ASSERT_TRUE(store.Save(L"Limited", L"STARTUP", L"Drucker", L"Laser"));
    const std::string before = ReadText(SettingsFile("Limited"));

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = before.size() + 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_long = store.Save(L"Limited", L"STARTUP", L"Drucker", std::wstring(200, L'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(saved_long);
    EXPECT_EQ(ReadText(SettingsFile("Limited")), before);
    EXPECT_EQ(store.Get(L"Limited", L"STARTUP", L"Drucker"), L"Laser");
    EXPECT_EQ(QtSettingsStore().Get(L"Limited", L"STARTUP", L"Drucker"), L"Laser");
}

// A settings path that holds a FIFO, or leads to a device, must never make the program
// wait (QSettings used to wait for ever for a writer to the FIFO), reads as no value,
// and is never written or replaced.
TEST(QtSettingsStore, APathThatIsNoOrdinaryFileReadsAsNothingAndIsLeftAsItIs) {
    struct Case {
        const char* name;
        const char* app;
        fs::path path;  // what is made there
        std::function<void(const fs::path&)> make;
    };
    const auto fifo = [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); };
    const Case cases[] = {
        {"FIFO as the program's own file", "FifoApp", SettingsFile("FifoApp"), fifo},
        // QSettings also read the organisation's file beside the folder.
        {"FIFO as the organisation's file", "FifoOrg", g_config_home / "Kestrelspooler.conf", fifo},
        {"link to a device", "DeviceApp", SettingsFile("DeviceApp"),
         [](const fs::path& p) { fs::create_symlink("/dev/null", p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(SettingsFile(c.app).parent_path());
        c.make(c.path);
        const std::wstring app(c.app, c.app + std::char_traits<char>::length(c.app));
        QtSettingsStore store;
        auto run = std::async(std::launch::async, [&] {
            const std::wstring got = store.Get(app, L"STARTUP", L"Drucker");
            const std::wstring read_error = store.LastError();
            const bool saved = store.Save(app, L"STARTUP", L"Drucker", L"Laser");
            return std::make_tuple(got, read_error, saved, store.LastError());
        });
        if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Release a reader blocked on the FIFO so that the test can end, then fail.
            const int writer = ::open(c.path.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            run.wait();
            ADD_FAILURE() << "the settings store waited on " << c.path;
            continue;
        }
        const auto [got, read_error, saved, save_error] = run.get();
        const bool own_file = c.path == SettingsFile(c.app);
        EXPECT_EQ(got, L"");
        // The words the command-line run prints as its detail lines.
        const std::wstring where = c.path.wstring();
        EXPECT_EQ(read_error, own_file ? L"the settings were not read: " + where + L" is not an ordinary file" : L"");
        EXPECT_EQ(saved, !own_file);
        EXPECT_EQ(save_error, own_file ? where + L" is not an ordinary file; it was left as it is" : L"");
        struct stat after {};
        ASSERT_EQ(::lstat(c.path.c_str(), &after), 0) << "the path was removed";
        EXPECT_FALSE(S_ISREG(after.st_mode)) << "the path was replaced by a file";
        fs::remove(c.path);
    }
}

}  // namespace
}  // namespace ks
