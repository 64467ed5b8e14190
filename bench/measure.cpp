// Runs one command and prints its wall time from start to exit, its peak resident size and its exit status.
//
//   ks_measure [--env NAME=VALUE]... [--stdout PATH] [--stderr PATH] [--shown-probe LIB]
//              -- COMMAND [ARGS...]
//   prints: ELAPSED_SECONDS PEAK_RSS_KIB STATUS [SHOWN_SECONDS]
//
// The clock starts just before fork() and stops when wait4() returns, so every command
// measured this way carries the same small cost of being started. The peak resident
// size is the kernel's own count for the child (ru_maxrss of wait4), the same figure
// /usr/bin/time reports as %M. The command's standard output and error are the caller's
// unless --stdout or --stderr sends them to a file (opened in the child, so the cost of
// the redirection falls inside the measured time as it does for a shell's `>`).
//
// With --shown-probe the command runs with LIB preloaded (see shown_probe.cpp) and a pipe
// named by KS_SHOWN_FD; SHOWN_SECONDS is the time from the start to the first frame the
// program's window put out, or -1 when it put out none.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Sends one of the child's standard streams to a file, as a shell's `>` does.
bool Redirect(const char* path, int target) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = dup2(fd, target) >= 0;
    if (fd != target)
        close(fd);
    return ok;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: ks_measure [--env NAME=VALUE]... [--stdout PATH] [--stderr PATH] "
                 "[--shown-probe LIB] -- COMMAND [ARGS...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> env;
    const char* probe = nullptr;
    const char* out_path = nullptr;
    const char* err_path = nullptr;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        if (std::strcmp(argv[i], "--env") == 0 && i + 1 < argc) {
            env.emplace_back(argv[++i]);
            continue;
        }
        if (std::strcmp(argv[i], "--stdout") == 0 && i + 1 < argc) {
            out_path = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--stderr") == 0 && i + 1 < argc) {
            err_path = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--shown-probe") == 0 && i + 1 < argc) {
            probe = argv[++i];
            continue;
        }
        return Usage();
    }
    if (i >= argc)
        return Usage();

    int shown_pipe[2] = {-1, -1};
    if (probe) {
        if (pipe2(shown_pipe, O_CLOEXEC) != 0) {
            std::perror("ks_measure: pipe");
            return 2;
        }
        env.push_back(std::string("LD_PRELOAD=") + probe);
        env.push_back("KS_SHOWN_FD=" + std::to_string(shown_pipe[1]));
    }

    const double start = Now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("ks_measure: fork");
        return 2;
    }
    if (child == 0) {
        for (std::string& e : env)
            putenv(e.data());
        if (probe)
            fcntl(shown_pipe[1], F_SETFD, 0);  // the probe in the child writes here
        if ((out_path && !Redirect(out_path, STDOUT_FILENO)) ||
            (err_path && !Redirect(err_path, STDERR_FILENO)))
            _exit(126);
        execvp(argv[i], argv + i);
        std::fprintf(stderr, "ks_measure: cannot run %s: %s\n", argv[i], std::strerror(errno));
        _exit(127);
    }

    double shown = -1;
    if (probe) {
        close(shown_pipe[1]);
        std::string line;
        char buffer[64];
        ssize_t got;
        while ((got = read(shown_pipe[0], buffer, sizeof buffer)) != 0) {
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            line.append(buffer, static_cast<size_t>(got));
        }
        close(shown_pipe[0]);
        if (!line.empty())
            shown = std::strtod(line.c_str(), nullptr) - start;
    }

    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("ks_measure: wait4");
            return 2;
        }
    }
    const double elapsed = Now() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (probe)
        std::printf("%.6f %ld %d %.6f\n", elapsed, usage.ru_maxrss, code, shown);
    else
        std::printf("%.6f %ld %d\n", elapsed, usage.ru_maxrss, code);
    return 0;
}
