// Benchmark of the folder walk alone: a re-run over a converted library of
// 100,000 files in 5,000 folders, every output present, so that every file
// is skipped. Runs over the fake platform, so it measures the job's own
// work, not the disk. Prints files per second and the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "tests/unit/job_world.h"

namespace {

long PeakKiB() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main() {
    const int artists = 50;
    const int albumsPerArtist = 99;  // 50 + 50 * 99 = 5,000 folders
    const int filesPerFolder = 20;   // 100,000 files

    // The unit tests' job world (no overwriting), over another library.
    PrepareJobWorld();
    SetSlot(LastWavSpec, "c:\\library\\*.wav");
    SetSlot(OutputSpec, "d:\\archive\\*.*");

    auto addFolder = [&](const std::string& relative) {
        for (int i = 0; i < filesPerFolder; ++i) {
            std::string name = "\\track " + std::to_string(i) + ".";
            FakeAddFile("c:\\library\\" + relative + name + "wav", 30000000);
            FakeAddFile("d:\\archive\\" + relative + name + "flac", 18000000);
        }
    };
    int folders = 0;
    for (int a = 0; a < artists; ++a) {
        std::string artist = "artist " + std::to_string(a);
        addFolder(artist);
        ++folders;
        for (int b = 0; b < albumsPerArtist; ++b) {
            addFolder(artist + "\\album " + std::to_string(b));
            ++folders;
        }
    }
    long treeKiB = PeakKiB();

    auto start = std::chrono::steady_clock::now();
    BatchJob(nullptr);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int files = folders * filesPerFolder;
    std::printf("walk: %d files in %d folders, all skipped\n", files, folders);
    std::printf("result: %s\n", TextSlots[ResultText]);
    std::printf("time: %.3f s, %.0f files per second\n", seconds, files / seconds);
    std::printf("peak memory: %.1f MiB with the fake tree built, %.1f MiB after the job\n",
                treeKiB / 1024.0, PeakKiB() / 1024.0);
    return 0;
}
