// The platform layer over an in-memory world, for the native tests.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_window.h"
#include "platform/platform.h"
#include "settings/text_util.h"

namespace {

struct Entry {
    std::string path;  // as given
    bool folder;
    std::uint32_t attributes;
    std::uint64_t size;
    bool readable;
    std::string bytes = {};  // what a file written or given bytes holds
    bool nameExact = true;
};

struct World {
    std::recursive_mutex lock;
    int codePage = 1252;
    bool japaneseUser = true;
    std::map<std::string, Entry> entries;  // by folded path
    std::deque<FakeEncoderRun> runs;
    std::vector<std::string> applications;
    std::vector<std::string> commandLines;
    std::vector<std::string> directoryCalls;
    FakeEncoderAnswer answer{false, true, 0, {}};
    std::vector<std::string> captures;
    int processors = 2;
    // Keys of each folder's entries, in the order they were added: the order
    // in which a search returns them.
    std::map<std::string, std::vector<std::string>> children;
    int openSearches = 0;
    int repaints = 0;
    std::map<PlatWindow, bool> disabled;
    std::vector<std::string> windowCalls;
    std::function<void()> windowHook;
    bool hookBeforeCall = false;
    int failAt[FakeOpCount] = {};
    bool failOnwards[FakeOpCount] = {};
    bool faultReached[FakeOpCount] = {};
    std::string currentFolder = "c:\\work";
    std::vector<std::thread> threads;
};

struct SearchState {
    std::vector<PlatFoundEntry> found;
    std::size_t next = 0;
};

World& TheWorld() {
    static World world;
    return world;
}

// The path without a trailing backslash.
std::string Normalize(const std::string& path) {
    if (path.size() > 1 && path.back() == '\\') return path.substr(0, path.size() - 1);
    return path;
}

// ASCII letters folded to lower case, a leading ".\" dropped: the key under
// which a path is stored.
std::string Key(const std::string& path) {
    std::string key = Normalize(path.compare(0, 2, ".\\") == 0 ? path.substr(2) : path);
    for (char& c : key) c = FoldAscii(c);
    return key;
}

// The folder part of a path, or "" for a drive or a bare name.
std::string Parent(const std::string& path) {
    std::size_t last = path.size() < 2 ? std::string::npos : path.rfind('\\', path.size() - 2);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

const Entry* Find(const std::string& path) {
    auto found = TheWorld().entries.find(Key(path));
    return found == TheWorld().entries.end() ? nullptr : &found->second;
}

// The last part of a path: the name a search gives for it.
std::string NameOf(const std::string& path) {
    std::string parent = Parent(path);
    return parent.empty() ? path : path.substr(parent.size() + 1);
}

// Stores an entry; a new one is appended to its folder's search order.
void Put(const Entry& entry) {
    World& world = TheWorld();
    std::string key = Key(entry.path);
    if (world.entries.find(key) == world.entries.end())
        world.children[Key(Parent(entry.path))].push_back(key);
    world.entries[key] = entry;
}

void Remove(const std::string& key) {
    World& world = TheWorld();
    auto found = world.entries.find(key);
    if (found == world.entries.end()) return;
    std::vector<std::string>& siblings = world.children[Key(Parent(found->second.path))];
    siblings.erase(std::remove(siblings.begin(), siblings.end(), key), siblings.end());
    world.entries.erase(found);
}

// The wildcards of a search: "*" any run, "?" one byte, letters without
// case; "*.*" matches every name, as on Windows.
bool Matches(const char* pattern, const char* name) {
    if (std::strcmp(pattern, "*.*") == 0) return true;
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    if (*name == '\0') return false;
    if (*pattern != '?' && FoldAscii(*pattern) != FoldAscii(*name)) return false;
    return Matches(pattern + 1, name + 1);
}

void AddFound(SearchState* search, const std::string& name, std::uint32_t attributes,
              bool nameExact = true) {
    // No file system has longer names; a test that made one is wrong.
    if (name.size() >= PlatNameSize) {
        std::fprintf(stderr, "fake platform: a name of %zu bytes cannot be found\n", name.size());
        std::abort();
    }
    PlatFoundEntry entry = {};
    std::memcpy(entry.name, name.c_str(), name.size() + 1);
    entry.attributes = attributes;
    entry.nameExact = nameExact;
    search->found.push_back(entry);
}

bool Fails(FakeOp op) {
    World& world = TheWorld();
    const int kind = static_cast<int>(op);
    int& countdown = world.failAt[kind];
    if (countdown <= 0 || --countdown > 0) return false;
    // A full disk stays full: every later call of the kind fails as well.
    if (world.failOnwards[kind]) countdown = 1;
    world.faultReached[kind] = true;
    return true;
}

// Splits a command line as the encoder's runtime would: blanks separate,
// double quotes group.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

std::string SwapExtension(const std::string& path, bool decode) {
    std::size_t dot = path.rfind('.');
    std::size_t slash = path.rfind('\\');
    std::string stem = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                           ? path
                           : path.substr(0, dot);
    return stem + (decode ? ".wav" : ".flac");
}

// What the real encoder does with a command line, in the fake world.
std::uint32_t EncodeLikeTheEncoder(const std::string& line, const FakeEncoderRun& run) {
    std::vector<std::string> words = SplitCommandLine(line);
    bool decode = false, force = false;
    std::string input, output;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "-d") decode = true;
        else if (words[i] == "-f") force = true;
        else if (words[i] == "-o" && i + 1 < words.size()) output = words[++i];
        else if (words[i].empty() || words[i][0] != '-') input = words[i];
    }
    const Entry* source = Find(input);
    if (source == nullptr || source->folder || !source->readable) return 1;
    if (output.empty()) output = SwapExtension(input, decode);
    if (Find(output) != nullptr && !force) return 1;
    std::string folder = Parent(output);
    const Entry* parent = Find(folder);
    if (parent == nullptr || !parent->folder) return 1;
    std::uint64_t size = run.outputSize >= 0 ? static_cast<std::uint64_t>(run.outputSize)
                         : decode            ? source->size * 2
                                             : source->size / 2;
    if (run.exitCode != 0 || run.cutShort) {
        // Opened for writing, which empties it, and part written.
        Put(Entry{output, false, FakeFileAttributes, size / 2, true});
        if (!run.cutShort) Remove(Key(output));
    } else if (run.writesOutput) {
        Put(Entry{output, false, FakeFileAttributes, size, true});
    }
    return run.exitCode;
}

}  // namespace

// --- Control by the tests ----------------------------------------------------

void FakeReset() {
    FakeJoinThreads();
    World& world = TheWorld();
    std::lock_guard<std::recursive_mutex> guard(world.lock);
    world.codePage = 1252;
    world.japaneseUser = true;
    world.entries.clear();
    world.runs.clear();
    world.applications.clear();
    world.commandLines.clear();
    world.directoryCalls.clear();
    world.answer = FakeEncoderAnswer{false, true, 0, {}};
    world.captures.clear();
    world.processors = 2;
    world.children.clear();
    world.openSearches = 0;
    world.repaints = 0;
    world.disabled.clear();
    world.windowCalls.clear();
    world.windowHook = nullptr;
    world.hookBeforeCall = false;
    std::fill(std::begin(world.failAt), std::end(world.failAt), 0);
    std::fill(std::begin(world.failOnwards), std::end(world.failOnwards), false);
    std::fill(std::begin(world.faultReached), std::end(world.faultReached), false);
    world.currentFolder = "c:\\work";
    FakeResetWindows();
}

void FakeSetJapaneseUser(bool japanese) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().japaneseUser = japanese;
}

void FakeSetCodePage(int codePage) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().codePage = codePage;
}

void FakeAddFolder(const std::string& path, std::uint32_t attributes) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    std::string parent = Parent(path);
    if (!parent.empty() && Find(parent) == nullptr) FakeAddFolder(parent);
    Put(Entry{Normalize(path), true, attributes, 0, true});
}

void FakeAddFile(const std::string& path, std::uint64_t size, std::uint32_t attributes) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    std::string parent = Parent(path);
    if (!parent.empty() && Find(parent) == nullptr) FakeAddFolder(parent);
    Put(Entry{path, false, attributes, size, true});
}

void FakePutBytes(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    FakeAddFile(path, bytes.size(), attributes);
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().entries[Key(path)].bytes = bytes;
}

std::string FakeBytesOf(const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    const Entry* entry = Find(path);
    return entry == nullptr ? std::string() : entry->bytes;
}

std::vector<std::string> FakeListUnder(const std::string& folder) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    std::string prefix = Key(folder) + "\\";
    std::vector<std::string> paths;
    for (const auto& [key, entry] : TheWorld().entries)
        if (key.compare(0, prefix.size(), prefix) == 0) paths.push_back(entry.path);
    return paths;
}

void FakeSetCurrentFolder(const std::string& folder) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().currentFolder = folder;
}

void FakeSetReadable(const std::string& path, bool readable) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    auto found = TheWorld().entries.find(Key(path));
    if (found != TheWorld().entries.end()) found->second.readable = readable;
}

void FakeSetNameInexact(const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().entries.at(Key(path)).nameExact = false;
}

bool FakeExists(const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return Find(path) != nullptr;
}

bool FakeIsFolder(const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    const Entry* entry = Find(path);
    return entry != nullptr && entry->folder;
}

std::uint64_t FakeSizeOf(const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    const Entry* entry = Find(path);
    return entry == nullptr ? 0 : entry->size;
}

void FakeQueueEncoderRun(const FakeEncoderRun& run) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().runs.push_back(run);
}

void FakeSetEncoderAnswer(const FakeEncoderAnswer& answer) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().answer = answer;
}

std::vector<std::string> FakeCaptures() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().captures;
}

void FakeSetProcessorCount(int count) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().processors = count;
}

std::vector<std::string> FakeApplications() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().applications;
}

std::vector<std::string> FakeCommandLines() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().commandLines;
}

std::vector<std::string> FakeDirectoryCalls() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().directoryCalls;
}

int FakeOpenSearchCount() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().openSearches;
}

bool FakeIsEnabled(PlatWindow window) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    auto found = TheWorld().disabled.find(window);
    return found == TheWorld().disabled.end() || !found->second;
}

std::vector<std::string> FakeWindowCalls() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().windowCalls;
}

void FakeSetWindowHook(std::function<void()> hook, bool beforeEachCall) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().windowHook = std::move(hook);
    TheWorld().hookBeforeCall = beforeEachCall;
}

int FakeRepaintCount() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().repaints;
}

void FakeFailNth(FakeOp op, int n, FakeFault mode) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().failAt[static_cast<int>(op)] = n;
    TheWorld().failOnwards[static_cast<int>(op)] = mode == FakeFault::FromThenOn;
    TheWorld().faultReached[static_cast<int>(op)] = false;
}

bool FakeFaultReached(FakeOp op) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().faultReached[static_cast<int>(op)];
}

void FakeJoinThreads() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
        threads.swap(TheWorld().threads);
    }
    for (std::thread& thread : threads) thread.join();
}

// --- The platform functions --------------------------------------------------

bool PlatFileReadable(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    const Entry* entry = Find(path);
    return entry != nullptr && !entry->folder && entry->readable;
}

bool PlatPathExists(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return Find(path) != nullptr;
}

bool PlatFileSize(const char* path, std::uint64_t* size) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    if (Fails(FakeOp::FileSize)) return false;
    const Entry* entry = Find(path);
    if (entry == nullptr || entry->folder || !entry->readable) return false;
    *size = entry->size;
    return true;
}

bool PlatCreateDirectory(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().directoryCalls.push_back(path);
    if (Fails(FakeOp::CreateDirectory)) return false;
    std::string parent = Parent(path);
    const Entry* above = Find(parent);
    if (parent.empty() || above == nullptr || !above->folder || Find(path) != nullptr) return false;
    Put(Entry{Normalize(path), true, FakeFolderAttributes, 0, true});
    return true;
}

bool PlatRunProcess(const char* application, char* commandLine, std::uint32_t* exitCode) {
    FakeEncoderRun run;
    {
        std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
        World& world = TheWorld();
        world.applications.push_back(application);
        world.commandLines.push_back(commandLine);
        if (!world.runs.empty()) {
            run = world.runs.front();
            world.runs.pop_front();
        }
        const Entry* program = Find(application);
        if (Fails(FakeOp::RunProcess) || !run.starts || program == nullptr || program->folder)
            return false;
    }
    if (run.during) run.during(commandLine);
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    if (Fails(FakeOp::EncoderExit)) run.exitCode = 2;
    if (Fails(FakeOp::EncoderCut)) {
        run.exitCode = 1;
        run.cutShort = true;
    }
    *exitCode = EncodeLikeTheEncoder(commandLine, run);
    return true;
}

bool PlatRunCapture(const char* application, char* commandLine, char* output, std::size_t size,
                    std::uint32_t milliseconds) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    World& world = TheWorld();
    world.captures.push_back(std::string(application) + "|" + commandLine + "|" + std::to_string(size) +
                             "|" + std::to_string(milliseconds));
    const Entry* program = Find(application);
    const FakeEncoderAnswer& answer = world.answer;
    if (program == nullptr || program->folder || !answer.starts || size == 0) return false;
    const std::size_t length = std::min(answer.output.size(), size - 1);
    std::memcpy(output, answer.output.data(), length);
    output[length] = '\0';
    return answer.ends && answer.exitCode == 0 && answer.output.size() < size;
}

bool PlatAnsiToUtf8(const char* text, char* target, std::size_t size) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    iconv_t converter = iconv_open("UTF-8", TheWorld().codePage == 932 ? "CP932" : "CP1252");
    if (converter == reinterpret_cast<iconv_t>(-1) || size == 0) return false;
    std::string input = text;
    char* in = input.data();
    char* out = target;
    std::size_t inLeft = input.size(), outLeft = size - 1;
    const bool whole =
        iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    *out = '\0';
    if (!whole) target[0] = '\0';
    return whole;
}

bool PlatUserLanguageJapanese() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().japaneseUser;
}

int PlatProcessorCount() {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return TheWorld().processors;
}

// Records a window call and makes it take effect, running the test's hook
// (outside the lock) just before or just after that.
static void WindowCall(const std::string& call, const std::function<void(World&)>& effect) {
    std::function<void()> hook;
    bool before;
    {
        std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
        TheWorld().windowCalls.push_back(call);
        hook = TheWorld().windowHook;
        before = TheWorld().hookBeforeCall;
    }
    if (hook && before) hook();
    {
        std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
        effect(TheWorld());
    }
    if (hook && !before) hook();
}

void PlatRequestRepaint(PlatWindow window) {
    if (window == nullptr) return;
    WindowCall("repaint", [](World& world) { world.repaints += 1; });
}

// Logged like a whole repaint; the window's answer to it is
// MainWindowProc's, tested through PlatMsgJobTexts.
void PlatRequestJobRepaint(PlatWindow window) { PlatRequestRepaint(window); }

void PlatEnableWindow(PlatWindow window, bool enabled) {
    if (window == nullptr) return;
    WindowCall((enabled ? "enable " : "disable ") + std::to_string(reinterpret_cast<std::uintptr_t>(window)),
               [window, enabled](World& world) { world.disabled[window] = !enabled; });
}

void PlatSetSessionEndReason(PlatWindow window, const char* reason) {
    if (window == nullptr) return;
    WindowCall(reason == nullptr ? "reason withdrawn" : std::string("reason ") + reason, [](World&) {});
}

void PlatNotifyJobEnded(PlatWindow window) {
    if (window == nullptr) return;
    WindowCall("job ended", [](World&) {});
}

PlatSearchStep PlatFindFirst(const char* searchText, PlatSearch* handle, PlatFoundEntry* entry) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    World& world = TheWorld();
    std::string text = searchText;
    std::string folder = Parent(text + "x");  // the part before the last real backslash
    if (folder.empty()) return PlatSearchStep::Failed;
    std::string pattern = text.substr(folder.size() + 1);
    const Entry* where = Find(folder);
    if (where == nullptr || !where->folder || !where->readable || Fails(FakeOp::FindFirst))
        return PlatSearchStep::Failed;
    SearchState* search = new SearchState;
    // Every folder but a drive's root lists itself and its parent first.
    if (folder.find('\\') != std::string::npos) {
        if (Matches(pattern.c_str(), ".")) AddFound(search, ".", FakeFolderAttributes);
        if (Matches(pattern.c_str(), "..")) AddFound(search, "..", FakeFolderAttributes);
    }
    for (const std::string& key : world.children[Key(folder)]) {
        const Entry& child = world.entries[key];
        std::string name = NameOf(child.path);
        if (Matches(pattern.c_str(), name.c_str()))
            AddFound(search, name, child.attributes, child.nameExact);
    }
    if (search->found.empty() || pattern.empty()) {
        delete search;
        return PlatSearchStep::End;
    }
    world.openSearches += 1;
    *entry = search->found[0];
    search->next = 1;
    *handle = reinterpret_cast<PlatSearch>(search);
    return PlatSearchStep::Entry;
}

PlatSearchStep PlatFindNext(PlatSearch handle, PlatFoundEntry* entry) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    SearchState* search = reinterpret_cast<SearchState*>(handle);
    if (search->next >= search->found.size()) return PlatSearchStep::End;
    if (Fails(FakeOp::FindNext)) return PlatSearchStep::Failed;
    *entry = search->found[search->next++];
    return PlatSearchStep::Entry;
}

void PlatFindClose(PlatSearch handle) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    TheWorld().openSearches -= 1;
    delete reinterpret_cast<SearchState*>(handle);
}

static std::mutex textLock;

void PlatLockTexts() { textLock.lock(); }

void PlatUnlockTexts() { textLock.unlock(); }

bool PlatStartThread(void (*entry)(void*), void* argument) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    if (Fails(FakeOp::ThreadStart)) return false;
    TheWorld().threads.emplace_back(entry, argument);
    return true;
}

// Windows' own rewriting of a path: every part loses its trailing dots and
// blanks, and a device name, with any extension, is the device (as on the
// Windows versions that still map them so).
static std::string Resolve(const std::string& path) {
    std::string resolved, part;
    for (std::size_t i = 0, parts = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\') {
            part += path[i];
            continue;
        }
        while (part.size() > 1 && (part.back() == '.' || part.back() == ' ') && part != "..")
            part.pop_back();
        std::string stem = Key(part.substr(0, part.find('.')));
        bool numbered = stem.size() == 4 && (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) &&
                        stem[3] >= '1' && stem[3] <= '9';
        if (numbered || stem == "con" || stem == "prn" || stem == "aux" || stem == "nul")
            return "\\\\.\\" + stem;
        resolved += (parts++ == 0 ? "" : "\\") + part;
        part.clear();
    }
    return resolved;
}

std::size_t PlatFullPathName(const char* name, char* path, std::size_t size) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    if (Fails(FakeOp::FullPath)) return 0;
    const bool absolute = name[0] == '\\' || (name[0] != '\0' && name[1] == ':');
    if (!absolute && TheWorld().currentFolder.empty()) return 0;
    std::string full = Resolve(absolute ? name : Normalize(TheWorld().currentFolder) + "\\" + name);
    if (full.size() >= size) return 0;
    std::memcpy(path, full.c_str(), full.size() + 1);
    return full.size();
}

namespace {

struct FileState {
    std::string key;
    bool writing;
    std::size_t offset;
};

constexpr std::uint32_t ReadOnlyBit = 1;

}  // namespace

PlatFile PlatOpenFileRead(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    const Entry* entry = Find(path);
    if (entry == nullptr || entry->folder || !entry->readable) return nullptr;
    return reinterpret_cast<PlatFile>(new FileState{Key(path), false, 0});
}

PlatFile PlatCreateFileWrite(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    if (Fails(FakeOp::OpenWrite)) return nullptr;
    const Entry* entry = Find(path);
    const Entry* parent = Find(Parent(path));
    if (parent == nullptr || !parent->folder) return nullptr;
    if (entry != nullptr && (entry->folder || (entry->attributes & ReadOnlyBit) != 0)) return nullptr;
    Put(Entry{path, false, FakeFileAttributes, 0, true, std::string()});
    return reinterpret_cast<PlatFile>(new FileState{Key(path), true, 0});
}

long PlatReadFile(PlatFile handle, char* bytes, std::size_t size) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    FileState* file = reinterpret_cast<FileState*>(handle);
    auto found = TheWorld().entries.find(file->key);
    if (file->writing || found == TheWorld().entries.end() || Fails(FakeOp::ReadFile)) return -1;
    const std::string& all = found->second.bytes;
    std::size_t count = std::min(size, all.size() - std::min(file->offset, all.size()));
    std::memcpy(bytes, all.data() + file->offset, count);
    file->offset += count;
    return static_cast<long>(count);
}

bool PlatWriteFile(PlatFile handle, const char* bytes, std::size_t size) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    FileState* file = reinterpret_cast<FileState*>(handle);
    auto found = TheWorld().entries.find(file->key);
    if (!file->writing || found == TheWorld().entries.end()) return false;
    // A failed write leaves half of its bytes, as a full disk does; even
    // one of no bytes fails.
    bool failed = Fails(FakeOp::WriteFile);
    found->second.bytes.append(bytes, failed ? size / 2 : size);
    found->second.size = found->second.bytes.size();
    return !failed;
}

bool PlatCloseFile(PlatFile handle) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    FileState* file = reinterpret_cast<FileState*>(handle);
    bool ok = !(file->writing && Fails(FakeOp::CloseFile));
    delete file;
    return ok;
}

bool PlatReplaceFile(const char* source, const char* target) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    if (Fails(FakeOp::ReplaceFile)) return false;
    const Entry* from = Find(source);
    const Entry* to = Find(target);
    if (from == nullptr || from->folder) return false;
    if (to != nullptr && (to->folder || (to->attributes & ReadOnlyBit) != 0)) return false;
    Entry moved = *from;
    moved.path = target;
    Remove(Key(source));
    Remove(Key(target));
    Put(moved);
    return true;
}

bool PlatRenameFile(const char* source, const char* target) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    return Find(target) == nullptr && PlatReplaceFile(source, target);
}

bool PlatDeleteFile(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(TheWorld().lock);
    const Entry* entry = Find(path);
    if (entry == nullptr || entry->folder) return false;
    Remove(Key(path));
    return true;
}
