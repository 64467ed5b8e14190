// Test helpers around the private CUPS scheduler that scripts/spooler runs for the tests.
#include "tests/cups/private_spooler.h"

#include <cups/cups.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>

namespace ks::test {

namespace fs = std::filesystem;

std::map<std::string, std::string> ReadSpoolerEnv(const fs::path& dir) {
    std::ifstream in(dir / "env");
    if (!in)
        throw std::runtime_error("no spooler env file in " + dir.string());
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

fs::path UseSpooler(const fs::path& dir) {
    auto env = ReadSpoolerEnv(dir);
    const fs::path home = dir / "home";
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    UseServer(env.at("CUPS_SERVER"));
    return env.at("KS_SPOOLER_JOBS");
}

int SchedulerPid(const fs::path& dir) {
    std::ifstream in(dir / "cupsd.pid");
    int pid = 0;
    in >> pid;
    return pid;
}

void UseServer(const std::string& server) {
    setenv("CUPS_SERVER", server.c_str(), 1);
    // libcups keeps the server it found first, for each thread; make this one look again.
    // A thread started later reads CUPS_SERVER itself.
    cupsSetServer(server.c_str());
}

Background::Background(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0)
        pid_ = pid;
}

Background::~Background() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

std::optional<std::string> Run(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}

std::set<std::string> JobFiles(const fs::path& jobs) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(jobs)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("job-", 0) == 0)
            names.insert(name);
    }
    return names;
}

std::optional<fs::path> WaitForNewJob(const fs::path& jobs, const std::set<std::string>& before,
                                      std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& name : JobFiles(jobs)) {
            if (!before.count(name))
                return jobs / name;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> AllByteValues() {
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint64_t stream) {
    std::mt19937_64 random(stream);
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = random();
        for (std::size_t k = 0; k < 8 && i + k < size; ++k)
            bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    return bytes;
}

}  // namespace ks::test
