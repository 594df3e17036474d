// Runs the one-file conversion on the real platform: the Wine tests and the
// demonstration call it with the settings and the files to convert, and read
// what it prints.
// Usage: convert_driver MODE OVERWRITE SAMEFOLDER LEVEL ENCODER INDIR OUTDIR NAME...
//    or: convert_driver @FILE, FILE holding those arguments one per line in
//        the ANSI code page (Wine's command line cannot carry every
//        code page 932 name from a Linux shell).
// Prints, after each file, "current:" and "result:" lines (line feeds of the
// result written as \n), and at the end the three counts.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "batch/batch_job.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"
#include "tests/e2e/driver_output.h"

namespace {

// Reads the arguments of an @FILE into `storage`, one per line.
int ReadArgumentFile(const char* path, char storage[][1100], int capacity, char** argv) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return 0;
    int count = 1;
    while (count < capacity && std::fgets(storage[count], sizeof storage[count], file) != nullptr) {
        storage[count][std::strcspn(storage[count], "\r\n")] = '\0';
        argv[count] = storage[count];
        ++count;
    }
    std::fclose(file);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    static char storage[64][1100];
    static char* fileArgv[64];
    if (argc == 2 && argv[1][0] == '@') {
        fileArgv[0] = argv[0];
        argc = ReadArgumentFile(argv[1] + 1, storage, 64, fileArgv);
        argv = fileArgv;
    }
    if (argc < 9) {
        std::fprintf(stderr,
                     "usage: convert_driver MODE OVERWRITE SAMEFOLDER LEVEL ENCODER INDIR OUTDIR NAME...\n");
        return 2;
    }
    ClearSettingsStore();
    ApplySettingDefaults();
    IntSettings[Mode] = std::atoi(argv[1]);
    IntSettings[Overwrite] = std::atoi(argv[2]);
    IntSettings[SameFolder] = std::atoi(argv[3]);
    if (!CopyText(TextSlots[LevelText], TextSlotSize, argv[4]) ||
        !CopyText(EncoderPath, sizeof EncoderPath, argv[5])) {
        std::fprintf(stderr, "convert_driver: level or encoder path too long\n");
        return 2;
    }
    CheckLevelText();

    BatchStats stats;
    bool outputFolderReady = false;
    for (int i = 8; i < argc; ++i) {
        ConvertFile(argv[i], argv[6], argv[7], &outputFolderReady, &stats, nullptr);
        PrintEscaped("current", TextSlots[CurrentFile]);
        PrintEscaped("result", TextSlots[ResultText]);
    }
    std::printf("counts:%d %d %d\n", stats.ConvertedCount, stats.SkippedCount, stats.ErrorCount);
    return 0;
}
