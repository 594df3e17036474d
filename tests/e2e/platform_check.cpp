// Checks the Win32 side of the platform layer on the real system (under
// Wine). Usage: platform_check DIR CODEPAGE, DIR a Windows path ending with a
// backslash that holds "big.wav" (a sparse file of 5 GiB) and "file.txt"
// (3 bytes) and the folder "tree" (a.wav, b.WAV, c.txt, the folders sub,
// .dot and the read-only ro, and in code page 932 also a file named with the
// two-byte character whose trail byte is a backslash); CODEPAGE the ANSI code
// page the test runs in (932 or 1252).
// Run as "platform_check exit N" it only exits with N, to be run as a child.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/platform.h"

namespace {

int failures = 0;

void Check(const char* what, bool ok) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

std::atomic<int> threadRan{0};

void ThreadBody(void* argument) {
    PlatLockTexts();
    threadRan = *static_cast<int*>(argument);
    PlatUnlockTexts();
}

// Every entry of a search, as "name:attributes", or nothing when it fails.
std::set<std::string> Search(const std::string& text) {
    std::set<std::string> found;
    PlatFoundEntry entry;
    PlatSearch search = PlatFindFirst(text.c_str(), &entry);
    if (search == nullptr) return found;
    do {
        found.insert(std::string(entry.name) + ":" + std::to_string(entry.attributes & 0x417));
    } while (PlatFindNext(search, &entry));
    PlatFindClose(search);
    return found;
}

void PrintSet(const std::set<std::string>& found) {
    for (const std::string& item : found) std::printf("       %s\n", item.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "exit") return std::atoi(argv[2]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: platform_check DIR CODEPAGE\n");
        return 2;
    }
    std::string dir = argv[1];
    bool japanese = std::string(argv[2]) == "932";

    Check("a file is readable", PlatFileReadable((dir + "file.txt").c_str()));
    Check("a folder is not a readable file", !PlatFileReadable(dir.c_str()));
    Check("a missing file is not readable", !PlatFileReadable((dir + "none.txt").c_str()));

    std::uint64_t size = 0;
    Check("size of a small file", PlatFileSize((dir + "file.txt").c_str(), &size) && size == 3);
    size = 0;
    Check("size of a 5 GiB file, all 64 bits",
          PlatFileSize((dir + "big.wav").c_str(), &size) && size == (std::uint64_t{5} << 30));
    Check("no size of a missing file", !PlatFileSize((dir + "none.txt").c_str(), &size));

    std::string made = dir + "made";
    Check("folder created", PlatCreateDirectory(made.c_str()));
    Check("existing folder not created again", !PlatCreateDirectory(made.c_str()));
    Check("no folder without its parent", !PlatCreateDirectory((dir + "none\\sub").c_str()));

    // Only the attribute bits the walk looks at (and read-only) are kept:
    // archive and the like depend on the file system.
    std::string tree = dir + "tree\\";
    std::set<std::string> wav = Search(tree + "*.wav");
    std::set<std::string> expected = {"a.wav:0", "b.WAV:0"};
    if (japanese) expected.insert("\x95\x5c.wav:0");
    Check("a search finds the pattern's files, letters without case", wav == expected);
    if (wav != expected) PrintSet(wav);
    std::set<std::string> all = Search(tree + "*.*");
    // Wine shows a Linux dot name as hidden (18); Windows would not.
    bool folders = all.count(".:16") && all.count("..:16") && all.count("sub:16") &&
                   (all.count(".dot:16") || all.count(".dot:18")) && all.count("c.txt:0");
    Check("a search for *.* lists ., .., the folders and every file", folders);
    // A folder without write permission is read-only on this side.
    Check("a read-only folder has its directory and read-only bits", all.count("ro:17") == 1);
    if (!folders || all.count("ro:17") != 1) PrintSet(all);
    Check("a search finds nothing for no match", Search(tree + "*.none").empty());
    Check("a search of a missing folder fails", Search(dir + "none\\*.*").empty());

    PlatEnableWindow(nullptr, false);
    PlatRequestRepaint(nullptr);
    Check("window calls on no window are ignored", true);

    char self[1100];
    std::snprintf(self, sizeof self, "\"%s\" exit 3", argv[0]);
    std::uint32_t code = 0;
    std::string program = std::string(argv[0]);
    if (program.size() < 4 || program.compare(program.size() - 4, 4, ".exe") != 0) program += ".exe";
    Check("child runs to its end with its exit code",
          PlatRunProcess(program.c_str(), self, &code) && code == 3);
    char missing[] = "\"none\" exit 0";
    Check("a missing program does not start",
          !PlatRunProcess((dir + "none.exe").c_str(), missing, &code));

    int value = 42;
    bool started = PlatStartThread(ThreadBody, &value);
    for (long spin = 0; started && threadRan == 0 && spin < 2000000000L; ++spin) {
    }
    Check("thread started and took the lock", started && threadRan == 42);

    Check(japanese ? "code page 932 has lead bytes" : "a single-byte code page has none",
          PlatIsLeadByte(0x95) == japanese && !PlatIsLeadByte('a'));

    return failures;
}
