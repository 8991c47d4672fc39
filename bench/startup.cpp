// Start to the first map paint: the program on the sample region, started as
// a user starts it, against a bare Qt main window with the same menu bar.
// Both run as child processes on the offscreen platform and leave right
// after their first paint of the pane; each is timed from spawn to exit.
// The two alternate within one run so that both see the same load; the
// counters are the medians and their ratio. Pin the run (taskset) on a
// shared machine: the children inherit the cores.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "SampleRegionEnv.h"

extern char** environ;

namespace {

// The program's window on the sample region and the offscreen screen: the
// bare window gets the same size so that both paint as much.
constexpr int kWindowWidth = 800, kWindowHeight = 600;

struct Child {
    std::string program;
    std::vector<std::string> args;
};

// Seconds from spawn to exit, or a negative value when the child failed or
// did not leave within the time allowed.
double TimeChild(const Child& c, const std::string& dir, const std::string& home) {
    // A folder of its own to start in: what the program finds there is part
    // of its start.
    const std::string cwd = dir + "startup-cwd";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("QT_QPA_PLATFORM=", 0) == 0 || v.rfind("XDG_CONFIG_HOME=", 0) == 0 ||
            v.rfind("HOME=", 0) == 0 || v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("VORNA_EXIT_AFTER_FIRST_PAINT=1");
    env.push_back("XDG_CONFIG_HOME=" + dir + "config");
    env.push_back("HOME=" + home);
    std::vector<char*> envp, argv;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string prog = c.program;
    argv.push_back(prog.data());
    std::vector<std::string> args = c.args;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        if (chdir(cwd.c_str()) != 0) _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    const int pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd < 0 || poll(&p, 1, 30000) != 1) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (pidfd >= 0) close(pidfd);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(end - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void BM_StartupAgainstBareWindow(benchmark::State& state) {
    const std::string& dir = BenchRegion();
    const std::string home = dir + "bench-home";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(dir + "startup-cwd");
    // STARTUP_PROGRAM=path times another build of the program, e.g. an older one.
    const char* other = std::getenv("STARTUP_PROGRAM");
    const Child program{other ? other : VORNA_PROGRAM, {}};
    const Child bare{VORNA_BARE_WINDOW, {std::to_string(kWindowWidth), std::to_string(kWindowHeight)}};
    // One start of each first: files and libraries in the page cache.
    if (TimeChild(program, dir, home) < 0 || TimeChild(bare, dir, home) < 0) {
        state.SkipWithError("a child did not start or did not paint");
        return;
    }
    std::vector<double> programTimes, bareTimes, ratios;
    bool programFirst = true;
    for (auto _ : state) {
        double t[2];
        for (int k = 0; k < 2; ++k) {
            const bool runProgram = (k == 0) == programFirst;
            t[runProgram ? 0 : 1] = TimeChild(runProgram ? program : bare, dir, home);
        }
        programFirst = !programFirst;
        if (t[0] < 0 || t[1] < 0) {
            state.SkipWithError("a child did not start or did not paint");
            return;
        }
        state.SetIterationTime(t[0]);
        programTimes.push_back(t[0]);
        bareTimes.push_back(t[1]);
        ratios.push_back(t[0] / t[1]);
    }
    state.counters["program_ms"] = Median(programTimes) * 1e3;
    state.counters["bare_ms"] = Median(bareTimes) * 1e3;
    state.counters["ratio"] = Median(ratios);
}
BENCHMARK(BM_StartupAgainstBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

BENCHMARK_MAIN();
