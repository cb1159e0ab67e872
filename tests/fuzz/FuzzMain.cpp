// The driver of the fuzz targets: each target is a plain program with a libFuzzer entry
// (LLVMFuzzerTestOneInput), so it builds with the normal tool chain; this main runs its seeds,
// then a bounded number of inputs made from them by random mutations. An input that makes the
// target abort or crash is written to crash-<target>.bin in the working directory.
//
//   fuzz_x [-runs=N] [-seed=S] [-max_len=L] [-max_total_time=SECONDS] [seed files or folders...]
//
// TAVO_FUZZ_RUNS and TAVO_FUZZ_SECONDS in the environment override -runs and -max_total_time
// (a longer run of the registered tests); such a run also drops -seed and draws a fresh random
// seed, which it prints, unless TAVO_FUZZ_SEED names one.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

std::string g_current;
char g_crashPath[512] = "crash.bin";

void onFatalSignal(int sig)
{
    // Only async-signal-safe calls here.
    const int fd = ::open(g_crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        ssize_t ignored = ::write(fd, g_current.data(), g_current.size());
        (void)ignored;
        ::close(fd);
    }
    static const char note[] = "\nfuzz: the input that failed is in the crash file named below\n";
    ssize_t ignored = ::write(2, note, sizeof note - 1);
    ignored = ::write(2, g_crashPath, std::strlen(g_crashPath));
    ignored = ::write(2, "\n", 1);
    (void)ignored;
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

bool readFile(const std::string &path, std::string &out)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buf[65536];
    size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return true;
}

void addSeeds(const std::string &path, std::vector<std::string> &seeds)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        std::vector<std::string> names;
        if (DIR *d = ::opendir(path.c_str())) {
            while (dirent *e = ::readdir(d)) {
                if (e->d_name[0] != '.')
                    names.push_back(path + "/" + e->d_name);
            }
            ::closedir(d);
        }
        std::sort(names.begin(), names.end());
        for (const std::string &n : names)
            addSeeds(n, seeds);
        return;
    }
    std::string content;
    if (readFile(path, content))
        seeds.push_back(std::move(content));
}

class Mutator {
public:
    Mutator(uint64_t seed, size_t maxLen, const std::vector<std::string> &corpus)
        : m_rng(seed), m_maxLen(maxLen), m_corpus(corpus) {}

    size_t below(size_t n) { return n ? size_t(m_rng() % n) : 0; }

    std::string mutate(std::string s)
    {
        const int steps = 1 + int(below(5));
        for (int i = 0; i < steps; ++i)
            once(s);
        if (s.size() > m_maxLen)
            s.resize(m_maxLen);
        return s;
    }

private:
    void once(std::string &s)
    {
        static const char *const bytes[] = {"\n", "\n\n", "\r", " ", "  \n", "|", "-", ">", "*", "_", "`", "```\n",
                                            "~~~", "#", "[", "]", "(", ")", "{", "}", "\"", "\\", "\\u", ":", "H",
                                            "\xcc\x81", "\xe2\x80\x8d", "\xef\xb8\x8f", "\xed\xa0\x80", "\x00", "\xff"};
        switch (below(9)) {
        case 0: // flip a bit
            if (!s.empty())
                s[below(s.size())] ^= char(1u << below(8));
            break;
        case 1: // a random byte
            s.insert(s.begin() + long(below(s.size() + 1)), char(below(256)));
            break;
        case 2: { // a token that matters to text parsers
            const char *t = bytes[below(sizeof bytes / sizeof *bytes)];
            s.insert(below(s.size() + 1), t, std::max<size_t>(1, std::strlen(t)));
            break;
        }
        case 3: // remove a range
            if (!s.empty()) {
                const size_t at = below(s.size());
                s.erase(at, 1 + below(std::min<size_t>(16, s.size() - at)));
            }
            break;
        case 4: // repeat a range (nesting, long runs)
            if (!s.empty()) {
                const size_t at = below(s.size());
                const size_t len = 1 + below(std::min<size_t>(8, s.size() - at));
                const std::string piece = s.substr(at, len);
                const size_t times = 1 + below(below(2) ? 8 : 200);
                std::string run;
                for (size_t k = 0; k < times && run.size() < m_maxLen; ++k)
                    run += piece;
                s.insert(at, run);
            }
            break;
        case 5: { // a piece of another seed
            const std::string &o = m_corpus[below(m_corpus.size())];
            if (!o.empty()) {
                const size_t at = below(o.size());
                s.insert(below(s.size() + 1), o.substr(at, 1 + below(std::min<size_t>(64, o.size() - at))));
            }
            break;
        }
        case 6: // cut the end (a stream stopped early)
            if (!s.empty())
                s.resize(below(s.size()));
            break;
        case 7: // replace a byte by a neighbour in value (digits, letters)
            if (!s.empty())
                s[below(s.size())] += char(below(2) ? 1 : -1);
            break;
        default: { // swap two ranges
            if (s.size() > 2) {
                const size_t a = below(s.size() / 2);
                const size_t b = s.size() / 2 + below(s.size() / 2);
                const size_t len = 1 + below(std::min<size_t>(16, std::min(s.size() / 2 - a, s.size() - b)));
                std::swap_ranges(s.begin() + long(a), s.begin() + long(a + len), s.begin() + long(b));
            }
            break;
        }
        }
    }

    std::mt19937_64 m_rng;
    size_t m_maxLen;
    const std::vector<std::string> &m_corpus;
};

long numberArg(const char *arg, const char *name, long fallback)
{
    const size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) == 0 && arg[n] == '=')
        return std::strtol(arg + n + 1, nullptr, 10);
    return fallback;
}

}

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    const char *base = std::strrchr(argv[0], '/');
    base = base ? base + 1 : argv[0];
    std::snprintf(g_crashPath, sizeof g_crashPath, "crash-%s.bin", base);

    long runs = 1000;
    long seed = -1;
    long maxLen = 4096;
    long seconds = 0;
    std::vector<std::string> seeds;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (a[0] == '-') {
            runs = numberArg(a, "-runs", runs);
            seed = numberArg(a, "-seed", seed);
            maxLen = numberArg(a, "-max_len", maxLen);
            seconds = numberArg(a, "-max_total_time", seconds);
            continue;
        }
        addSeeds(a, seeds);
    }
    if (const char *e = std::getenv("TAVO_FUZZ_RUNS")) {
        runs = std::strtol(e, nullptr, 10);
        seed = -1;
    }
    if (const char *e = std::getenv("TAVO_FUZZ_SEED"))
        seed = std::strtol(e, nullptr, 10);
    if (const char *e = std::getenv("TAVO_FUZZ_SECONDS"))
        seconds = std::strtol(e, nullptr, 10);
    if (seed < 0)
        seed = long(std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffff);
    if (seeds.empty())
        seeds.emplace_back();

    for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        std::signal(sig, onFatalSignal);

    const auto start = std::chrono::steady_clock::now();
    std::printf("%s: %zu seeds, %ld inputs, random seed %ld, inputs up to %ld bytes\n", base, seeds.size(), runs, seed, maxLen);
    std::fflush(stdout);
    for (const std::string &s : seeds) {
        g_current = s;
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(g_current.data()), g_current.size());
    }
    // The corpus grows by some of the mutated inputs, so mutations build on each other.
    std::vector<std::string> corpus = seeds;
    Mutator mutator(uint64_t(seed), size_t(maxLen), corpus);
    long done = 0;
    for (; done < runs; ++done) {
        if (seconds > 0 && std::chrono::steady_clock::now() - start > std::chrono::seconds(seconds))
            break;
        g_current = mutator.mutate(corpus[mutator.below(corpus.size())]);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(g_current.data()), g_current.size());
        if (mutator.below(16) == 0 && corpus.size() < 4096)
            corpus.push_back(g_current);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %zu seeds and %ld mutated inputs in %.1f s, no finding\n", base, seeds.size(), done, elapsed);
    return 0;
}
