// Start-up of the quorvex program: the time from starting the process to the first painted
// frame of its main window, and the peak resident memory of the process, over several runs.
// The program runs headless (offscreen) with settings in a temporary folder, and reports its
// first frame and quits (QUORVEX_EXIT_AFTER_FIRST_FRAME).
//
//   bench_startup [PROGRAM [RUNS]]    PROGRAM defaults to bin/quorvex of the build (the
//                                     installed layout: Lang/ beside it); RUNS to 9.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Sample {
    double milliseconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

Sample RunOnce(const char* program, const std::string& configHome)
{
    Sample sample;
    int out[2];
    if (pipe(out) != 0)
        return sample;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return sample;
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        // Qt's notes about the headless platform are not figures.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDERR_FILENO);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QUORVEX_EXIT_AFTER_FIRST_FRAME", "1", 1);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        setenv("XDG_STATE_HOME", configHome.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", configHome.c_str(), 1);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n = 0;
    // The line arrives as soon as the first frame has been painted.
    while (text.find('\n') == std::string::npos && (n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(n));
    const auto firstFrame = std::chrono::steady_clock::now();
    while (read(out[0], buffer, sizeof buffer) > 0) {
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    sample.milliseconds = std::chrono::duration<double, std::milli>(firstFrame - start).count();
    sample.peakMegabytes = double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
    sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && text.rfind("first frame: CMainFrame", 0) == 0;
    return sample;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string program = argc > 1 ? argv[1] : QUORVEX_BIN_DIR "/quorvex";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    char folder[] = "/tmp/bench_startup.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("bench_startup: temporary folder");
        return 1;
    }
    std::vector<double> times;
    double peak = 0;
    for (int i = 0; i < runs; ++i) {
        const Sample sample = RunOnce(program.c_str(), folder);
        if (!sample.ok) {
            std::fprintf(stderr, "bench_startup: run %d of %s did not reach its first frame\n", i + 1, program.c_str());
            return 1;
        }
        std::printf("run %d: %.1f ms to first frame, peak %.1f MB\n", i + 1, sample.milliseconds, sample.peakMegabytes);
        times.push_back(sample.milliseconds);
        peak = std::max(peak, sample.peakMegabytes);
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("startup: median %.0f ms to first frame, peak %.0f MB\n", median, peak);
    return 0;
}
