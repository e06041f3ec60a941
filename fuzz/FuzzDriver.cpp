// A small stand-in for libFuzzer, for compilers without it: runs a target's
// LLVMFuzzerTestOneInput over its seed inputs, then over random mutations of them. It has no
// coverage feedback; it is meant for the test suite and for long runs under the sanitizers.
//
//   fuzz_<name> [options] [CORPUS_DIR | FILE]...
//
// Folders give seed inputs (every regular file in them); with files only, and no -runs,
// just those files are run (to reproduce a saved crash). The options take libFuzzer's
// spelling, so the same command works with either:
//
//   -runs=N            mutated inputs to run after the seeds (-1: until stopped; the default
//                      when a folder is given)
//   -seed=S            seed of the random mutations (default: from the clock; printed)
//   -max_len=N         longest input (default: 4096 or the longest seed)
//   -max_total_time=S  stop after S seconds
//   -timeout=S         an input that runs longer than S seconds is a failure (default 20)
//   -artifact_prefix=P where an input that failed is saved (default: current folder)
//
// An input that crashes, trips a sanitizer, breaks an invariant or runs too long is saved as
// <prefix>crash-<seed>-<run> (or timeout-...) before the program ends.

#include "FuzzTarget.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEX_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEX_FUZZ_ASAN 1
#endif
#endif

namespace {

using Input = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- saving a failing input

// The input being run and where it goes if the run dies. Everything a signal handler needs
// is prepared before the input runs.
const Input* g_current = nullptr;
char g_crashPath[4096];
char g_timeoutPath[4096];

void WriteAll(int fd, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n <= 0)
            return;
        p += n;
        size -= std::size_t(n);
    }
}

void WriteText(const char* text)
{
    WriteAll(STDERR_FILENO, text, std::strlen(text));
}

// Async-signal-safe: only open, write and close.
void SaveCurrentInput(const char* path)
{
    if (!g_current)
        return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    WriteAll(fd, g_current->data(), g_current->size());
    ::close(fd);
    WriteText("fuzz: the failing input is saved as ");
    WriteText(path);
    WriteText("; run the target with that file to reproduce it\n");
    g_current = nullptr;
}

void OnDeath()
{
    SaveCurrentInput(g_crashPath);
}

void OnFatalSignal(int signal)
{
    SaveCurrentInput(g_crashPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void OnTimeout(int)
{
    WriteText("fuzz: an input ran longer than the time-out\n");
    SaveCurrentInput(g_timeoutPath);
    _exit(70);
}

void InstallHandlers()
{
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(OnDeath);
    // Address sanitizer reports faults itself and then calls the death callback; its own
    // handlers must stay in place. abort() (a broken invariant) is ours to catch either way.
    std::signal(SIGABRT, OnFatalSignal);
#if !defined(QUORVEX_FUZZ_ASAN)
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        std::signal(signal, OnFatalSignal);
#endif
    std::signal(SIGALRM, OnTimeout);
}

// Formats "<prefix><kind>-<seed>-<run>" into buffer without allocating later.
void PreparePath(char* buffer, const std::string& prefix, const char* kind, std::uint64_t seed, std::uint64_t run)
{
    const std::string path = prefix + kind + "-" + std::to_string(seed) + "-" + std::to_string(run);
    std::snprintf(buffer, sizeof g_crashPath, "%s", path.c_str());
}

// ---------------------------------------------------------------- mutations

class Mutator {
public:
    Mutator(std::uint64_t seed, std::size_t maxLen, const std::vector<Input>& corpus)
        : m_random(seed), m_maxLen(maxLen), m_corpus(corpus)
    {
    }

    Input Next()
    {
        // Mostly a seed changed a little; now and then the last input changed further, or
        // bytes from nowhere.
        const std::uint64_t choice = Below(100);
        const bool further = choice < 10 && !m_last.empty();
        if (!further && (choice < 12 || m_corpus.empty()))
            m_last = RandomBytes(Below(std::min<std::size_t>(m_maxLen, 512) + 1));
        else if (!further)
            m_last = m_corpus[Below(m_corpus.size())];
        const int count = 1 + int(Below(8));
        for (int i = 0; i < count; ++i)
            MutateOnce(m_last);
        if (m_last.size() > m_maxLen)
            m_last.resize(m_maxLen);
        return m_last;
    }

private:
    std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : m_random() % n; }

    Input RandomBytes(std::size_t size)
    {
        Input bytes(size);
        for (std::uint8_t& byte : bytes)
            byte = std::uint8_t(m_random());
        return bytes;
    }

    std::uint8_t InterestingByte()
    {
        static const std::uint8_t values[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x07, 0x0F, 0x10, 0x20, 0x3F,
                                              0x40, 0x63, 0x64, 0x7F, 0x80, 0x81, 0xAA, 0xE2, 0xFE, 0xFF};
        return values[Below(std::size(values))];
    }

    void MutateOnce(Input& data)
    {
        const std::size_t size = data.size();
        switch (Below(12)) {
        case 0: // flip one bit
            if (size)
                data[Below(size)] ^= std::uint8_t(1u << Below(8));
            break;
        case 1: // random byte
            if (size)
                data[Below(size)] = std::uint8_t(m_random());
            break;
        case 2: // a byte with a special meaning somewhere
            if (size)
                data[Below(size)] = InterestingByte();
            break;
        case 3: // small step up or down
            if (size)
                data[Below(size)] += std::uint8_t(int(Below(33)) - 16);
            break;
        case 4: { // insert random bytes
            const std::size_t at = Below(size + 1);
            const Input bytes = RandomBytes(1 + Below(8));
            data.insert(data.begin() + std::ptrdiff_t(at), bytes.begin(), bytes.end());
            break;
        }
        case 5: // erase bytes
            if (size) {
                const std::size_t at = Below(size);
                const std::size_t count = std::min<std::size_t>(1 + Below(8), size - at);
                data.erase(data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + count));
            }
            break;
        case 6: // copy a piece over another place
            if (size > 1) {
                const std::size_t from = Below(size);
                const std::size_t to = Below(size);
                const std::size_t count = std::min<std::size_t>({1 + Below(16), size - from, size - to});
                std::memmove(data.data() + to, data.data() + from, count);
            }
            break;
        case 7: // splice: the start of this input, the end of another
            if (!m_corpus.empty()) {
                const Input& other = m_corpus[Below(m_corpus.size())];
                const std::size_t keep = Below(size + 1);
                const std::size_t from = Below(other.size() + 1);
                data.resize(keep);
                data.insert(data.end(), other.begin() + std::ptrdiff_t(from), other.end());
            }
            break;
        case 8: { // a 16- or 32-bit boundary value, little-endian
            static const std::uint32_t values[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF,
                                                   0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
            const int width = Below(2) ? 2 : 4;
            if (size >= std::size_t(width)) {
                const std::uint32_t value = values[Below(std::size(values))];
                const std::size_t at = Below(size - std::size_t(width) + 1);
                for (int i = 0; i < width; ++i)
                    data[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
            }
            break;
        }
        case 9: // cut short
            if (size)
                data.resize(Below(size));
            break;
        case 10: // repeat a byte a few times
            if (size) {
                const std::size_t at = Below(size);
                data.insert(data.begin() + std::ptrdiff_t(at), 1 + Below(8), data[at]);
            }
            break;
        default: // swap two bytes
            if (size > 1)
                std::swap(data[Below(size)], data[Below(size)]);
            break;
        }
    }

    std::mt19937_64 m_random;
    std::size_t m_maxLen;
    const std::vector<Input>& m_corpus;
    Input m_last;
};

// ---------------------------------------------------------------- running

struct Options {
    long long runs = 0;
    bool runsGiven = false;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    std::size_t maxLen = 0;
    double maxTotalTime = 0;
    unsigned timeout = 20;
    std::string artifactPrefix = "./";
    std::vector<std::string> paths;
};

bool ReadFile(const std::filesystem::path& path, Input* bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() < 2 || argument[0] != '-') {
            options->paths.push_back(argument);
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
        const std::string value = equals == std::string::npos ? std::string() : argument.substr(equals + 1);
        try {
            if (name == "runs") {
                options->runs = std::stoll(value);
                options->runsGiven = true;
            } else if (name == "seed") {
                options->seed = std::stoull(value);
                options->seedGiven = true;
            } else if (name == "max_len")
                options->maxLen = std::size_t(std::stoull(value));
            else if (name == "max_total_time")
                options->maxTotalTime = std::stod(value);
            else if (name == "timeout")
                options->timeout = unsigned(std::stoul(value));
            else if (name == "artifact_prefix")
                options->artifactPrefix = value;
            else if (name == "help" || name == "h" || name == "-help")
                return false;
            else
                std::cerr << "fuzz: option " << argument << " is not known to this driver; ignored\n";
        } catch (const std::exception&) {
            std::cerr << "fuzz: option " << argument << " needs a number\n";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::cerr << "usage: " << argv[0]
                  << " [-runs=N] [-seed=S] [-max_len=N] [-max_total_time=S] [-timeout=S] [-artifact_prefix=P]"
                     " [CORPUS_DIR | FILE]...\n";
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<Input> corpus;
    bool folderGiven = false;
    for (const std::string& path : options.paths) {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            folderGiven = true;
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path, error))
                if (entry.is_regular_file(error))
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                Input bytes;
                if (ReadFile(file, &bytes))
                    corpus.push_back(std::move(bytes));
            }
        } else {
            Input bytes;
            if (!ReadFile(path, &bytes)) {
                std::cerr << "fuzz: cannot read " << path << "\n";
                return 2;
            }
            corpus.push_back(std::move(bytes));
        }
    }
    if (!options.runsGiven)
        options.runs = folderGiven || options.paths.empty() ? -1 : 0;
    if (!options.seedGiven)
        options.seed = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    std::size_t longest = 0;
    for (const Input& input : corpus)
        longest = std::max(longest, input.size());
    if (options.maxLen == 0)
        options.maxLen = std::max<std::size_t>(4096, longest);

    InstallHandlers();
    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    std::uint64_t run = 0;
    const auto runOne = [&](const Input& input) {
        PreparePath(g_crashPath, options.artifactPrefix, "crash", options.seed, run);
        PreparePath(g_timeoutPath, options.artifactPrefix, "timeout", options.seed, run);
        g_current = &input;
        if (options.timeout)
            ::alarm(options.timeout);
        LLVMFuzzerTestOneInput(input.data(), input.size());
        if (options.timeout)
            ::alarm(0);
        g_current = nullptr;
        ++run;
    };

    for (const Input& input : corpus)
        runOne(input);
    if (corpus.empty())
        runOne(Input());
    const std::uint64_t seeds = run;

    Mutator mutator(options.seed, options.maxLen, corpus);
    for (long long i = 0; options.runs < 0 || i < options.runs; ++i) {
        if (options.maxTotalTime > 0 && elapsed() >= options.maxTotalTime)
            break;
        runOne(mutator.Next());
    }
    std::cerr << "fuzz: " << argv[0] << ": " << seeds << " seed inputs and " << run - seeds
              << " mutations passed (seed " << options.seed << ", " << elapsed() << " s)\n";
    return 0;
}
