// A bare loop of encoder command lines, for tools/bench/bench.sh: runs the
// lines of LIST (one a line, the program file first and quoted) one after
// another through the platform layer's own process run, and writes its
// figures as "key value" lines to OUT. Built twice: bench_loop.exe is a
// windowed program without a console, as Kestrelia.exe is, so that every
// run gets a console of its own; bench_loop_console.exe is a console
// program, whose runs share its console.
// Usage: bench_loop LIST OUT. Exit code 0 when every run ended with 0.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/win32/run_process_win32.h"

namespace {

double NowMs() {
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The program file of a command line: its first, quoted, word with ".exe",
// as the job names the encoder exactly.
bool ApplicationOf(const char* line, char* application, std::size_t size) {
    if (line[0] != '"') return false;
    const char* end = std::strchr(line + 1, '"');
    if (end == nullptr) return false;
    std::size_t length = static_cast<std::size_t>(end - line - 1);
    if (length + 5 > size) return false;
    std::memcpy(application, line + 1, length);
    std::memcpy(application + length, ".exe", 5);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::FILE* list = std::fopen(argv[1], "rb");
    std::FILE* out = std::fopen(argv[2], "wb");
    if (list == nullptr || out == nullptr) return 2;
    static char line[8192];
    char application[MAX_PATH + 8];
    int runs = 0;
    int failures = 0;
    int unknownLives = 0;
    double lives = 0;
    double started = NowMs();
    while (std::fgets(line, sizeof line, list) != nullptr) {
        std::size_t length = std::strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = '\0';
        if (length == 0) continue;
        runs += 1;
        std::uint32_t code = 1;
        double life = -1;
        if (!ApplicationOf(line, application, sizeof application) ||
            !RunProcessWin32(application, line, &code, &life) || code != 0)
            failures += 1;
        if (life >= 0) lives += life;
        else unknownLives += 1;
    }
    double elapsed = NowMs() - started;
    std::fprintf(out, "runs %d\nfailures %d\nelapsed_ms %.1f\nencoder_ms %.1f\nencoder_unknown %d\n", runs,
                 failures, elapsed, lives, unknownLives);
    std::fclose(list);
    std::fclose(out);
    return failures == 0 ? 0 : 1;
}
