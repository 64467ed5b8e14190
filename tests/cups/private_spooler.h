// Test helpers around the private CUPS scheduler that scripts/spooler runs for the tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ks::test {

// The lines of DIR/env that "scripts/spooler start DIR" wrote: CUPS_SERVER, KS_SPOOLER_JOBS...
std::map<std::string, std::string> ReadSpoolerEnv(const std::filesystem::path& dir);

// Points this process and the programs it starts at the spooler in dir: CUPS_SERVER from
// its env file, HOME in dir (no user's lpoptions), no LPDEST or PRINTER. Returns the
// folder where the fake printer stores the jobs it receives.
std::filesystem::path UseSpooler(const std::filesystem::path& dir);

// The process id of the scheduler that runs from dir, from its pid file; 0 when none.
int SchedulerPid(const std::filesystem::path& dir);

// Runs a shell command; its standard output, or nullopt when it exits with a failure.
std::optional<std::string> Run(const std::string& command);

// Points this process and the threads it starts from now on at the scheduler socket
// `server` (CUPS_SERVER, and libcups's setting for the calling thread).
void UseServer(const std::string& server);

// A program that runs in the background while the object lives; SIGTERM and a wait end it.
class Background {
public:
    explicit Background(const std::vector<std::string>& argv);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;
    bool Started() const { return pid_ > 0; }

private:
    int pid_ = -1;
};

// The names of the job files the fake printer has stored so far.
std::set<std::string> JobFiles(const std::filesystem::path& jobs);

// Waits until a job file not in before has been stored; its path, or nullopt on timeout.
std::optional<std::filesystem::path> WaitForNewJob(const std::filesystem::path& jobs,
                                                   const std::set<std::string>& before,
                                                   std::chrono::seconds timeout);

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

// Every byte value once, 0 to 255.
std::vector<std::uint8_t> AllByteValues();
std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint64_t stream);

}  // namespace ks::test
