// Measures the real program from outside, for tools/bench/bench.sh under
// Wine. Prints "key value" lines; figures only, it judges nothing.
//   job TIMEOUT [POLL]
//                 clicks Execute in the window of class "Kestrelia", waits
//                 for the job's end (its buttons looked at every POLL ms,
//                 default 1), prints its time, the window's answer times
//                 (WM_NULL every 50 ms) and the program's memory
//   close         WM_CLOSE to the window, waits until it is gone
// Exit code 0 when the step worked, 1 otherwise.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/program_window.h"

namespace {

const DWORD PingEveryMs = 50;
const UINT PingTimeoutMs = 5000;
// A job that ends between two polls is never seen running; the idle state
// held this long after the click counts as its end.
const double IdleMs = 500;
const int MaxSamples = 100000;

LARGE_INTEGER Frequency;

double NowMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(Frequency.QuadPart);
}

HWND FindProgram(DWORD timeoutMs) {
    HWND window = FindProgramWindow(timeoutMs);
    if (window == nullptr) std::printf("error no window of class Kestrelia\n");
    return window;
}

// What the sampling thread shares with the poll loop.
struct Sampler {
    HWND window;
    HANDLE process;
    volatile LONG stop;
    int count;
    int timeouts;
    float pingMs[MaxSamples];
    SIZE_T peakPrivate;  // the largest private memory seen
};

Sampler Samples;

bool ReadMemory(HANDLE process, PROCESS_MEMORY_COUNTERS_EX* counters) {
    std::memset(counters, 0, sizeof *counters);
    counters->cb = sizeof *counters;
    return process != nullptr &&
           GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(counters),
                                sizeof *counters) != 0;
}

// Wine leaves PrivateUsage 0 for another process, and its PeakPagefileUsage
// is only the current PagefileUsage, which is the private memory there
// (RssAnon + VmSwap): the peak is the largest of the samples.
void SamplePrivate() {
    PROCESS_MEMORY_COUNTERS_EX counters;
    if (!ReadMemory(Samples.process, &counters)) return;
    SIZE_T privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    if (privateBytes > Samples.peakPrivate) Samples.peakPrivate = privateBytes;
}

DWORD WINAPI SampleThread(void*) {
    double next = NowMs();
    while (InterlockedCompareExchange(&Samples.stop, 0, 0) == 0) {
        double sent = NowMs();
        DWORD_PTR ignored = 0;
        bool answered = SendMessageTimeoutA(Samples.window, WM_NULL, 0, 0, SMTO_NORMAL, PingTimeoutMs,
                                            &ignored) != 0;
        double answer = NowMs() - sent;
        if (!answered) Samples.timeouts += 1;
        if (Samples.count < MaxSamples) Samples.pingMs[Samples.count++] = static_cast<float>(answer);
        SamplePrivate();
        next += PingEveryMs;
        double wait = next - NowMs();
        if (wait > 0) Sleep(static_cast<DWORD>(wait));
    }
    return 0;
}

double CpuMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<double>(k.QuadPart + u.QuadPart) / 10000.0;
}

void PrintMemory(const char* when, HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters;
    if (!ReadMemory(process, &counters)) {
        std::printf("mem_%s unavailable (error %lu)\n", when, GetLastError());
        return;
    }
    std::printf("mem_%s_private_kib %llu\nmem_%s_pagefile_kib %llu\nmem_%s_peak_pagefile_kib %llu\n"
                "mem_%s_working_set_kib %llu\nmem_%s_peak_working_set_kib %llu\n",
                when, static_cast<unsigned long long>(counters.PrivateUsage / 1024), when,
                static_cast<unsigned long long>(counters.PagefileUsage / 1024), when,
                static_cast<unsigned long long>(counters.PeakPagefileUsage / 1024), when,
                static_cast<unsigned long long>(counters.WorkingSetSize / 1024), when,
                static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024));
}

int Job(long timeoutMs, DWORD pollMs) {
    HWND window = FindProgram(30000);
    if (window == nullptr) return 1;
    HWND execute = FindDescendant(window, ExecuteRow);
    HWND cancel = FindDescendant(window, CancelRow);
    if (execute == nullptr || cancel == nullptr) {
        std::printf("error no Execute or Cancel control\n");
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    PrintMemory("before", process);
    double probeCpu = CpuMs(GetCurrentProcess());

    Samples.window = window;
    Samples.process = process;
    double started = NowMs();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(execute, BM_CLICK, 0, 0, SMTO_NORMAL, PingTimeoutMs, &ignored);
    HANDLE sampler = CreateThread(nullptr, 0, SampleThread, nullptr, 0, nullptr);

    bool seenRunning = false;
    double idleSince = -1;
    double ended = -1;
    for (;;) {
        double now = NowMs() - started;
        bool idle = ProgramIdle(window);
        if (!idle) {
            seenRunning = true;
            idleSince = -1;
        } else if (seenRunning) {
            ended = now;
            break;
        } else if (idleSince < 0) {
            idleSince = now;
        } else if (now - idleSince >= IdleMs) {
            ended = idleSince;  // ended before this first idle poll, at the latest
            break;
        }
        if (now >= timeoutMs) break;
        Sleep(pollMs);
    }
    InterlockedExchange(&Samples.stop, 1);
    if (sampler != nullptr) {
        WaitForSingleObject(sampler, INFINITE);
        CloseHandle(sampler);
    }
    probeCpu = CpuMs(GetCurrentProcess()) - probeCpu;
    SamplePrivate();  // the job's end, after the last sample
    if (ended < 0) {
        std::printf("error the job still runs after %ld ms\n", timeoutMs);
        return 1;
    }

    std::printf("elapsed_ms %.1f\nseen_running %d\n", ended, seenRunning ? 1 : 0);
    std::sort(Samples.pingMs, Samples.pingMs + Samples.count);
    double median = Samples.count > 0 ? Samples.pingMs[Samples.count / 2] : 0;
    double worst = Samples.count > 0 ? Samples.pingMs[Samples.count - 1] : 0;
    std::printf("ping_count %d\nping_timeouts %d\nping_median_ms %.2f\nping_worst_ms %.2f\n",
                Samples.count, Samples.timeouts, median, worst);
    std::printf("mem_sampled_peak_private_kib %llu\n",
                static_cast<unsigned long long>(Samples.peakPrivate / 1024));
    PrintMemory("after", process);
    std::printf("probe_cpu_ms %.0f\n", probeCpu);
    if (process != nullptr) CloseHandle(process);
    return 0;
}

int Close() {
    HWND window = FindProgram(5000);
    if (window == nullptr) return 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    for (int waited = 0; waited < 60000; waited += 20) {
        if (!IsWindow(window)) {
            std::printf("closed\n");
            return 0;
        }
        Sleep(20);
    }
    std::printf("error the window is still there after a minute\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QueryPerformanceFrequency(&Frequency);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    int result = 2;
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "job") == 0)
        result = Job(std::atol(argv[2]), argc == 4 ? static_cast<DWORD>(std::atol(argv[3])) : 1);
    else if (argc == 2 && std::strcmp(argv[1], "close") == 0) result = Close();
    else std::fprintf(stderr, "usage: bench_probe job TIMEOUT_MS [POLL_MS] | close\n");
    std::fflush(stdout);
    return result;
}
