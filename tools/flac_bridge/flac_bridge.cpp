// flac.exe for Wine: runs the Linux encoder with the same options, its path
// arguments turned into Linux paths, and exits with the encoder's exit code.
// Debian ships no Windows build of the encoder; on Windows itself the real
// flac.exe belongs in this file's place, and this bridge refuses to run.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

typedef char*(__cdecl* UnixFileNameFunction)(const wchar_t*);
typedef int(__cdecl* UnixSpawnFunction)(char* const argv[], int wait);

char* CopyOf(const char* text) {
    std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) std::memcpy(copy, text, size);
    return copy;
}

// An option passes through as it is (options are ASCII).
char* OptionText(const wchar_t* option) {
    int size = WideCharToMultiByte(CP_UTF8, 0, option, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return nullptr;
    char* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
    if (text != nullptr) WideCharToMultiByte(CP_UTF8, 0, option, -1, text, size, nullptr, nullptr);
    return text;
}

}  // namespace

int main() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    UnixFileNameFunction unixFileName =
        kernel ? reinterpret_cast<UnixFileNameFunction>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
               : nullptr;
    UnixSpawnFunction unixSpawn =
        ntdll ? reinterpret_cast<UnixSpawnFunction>(
                    reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")))
              : nullptr;
    if (unixFileName == nullptr || unixSpawn == nullptr) {
        std::fprintf(stderr,
                     "flac.exe: this is the bridge to the Linux encoder and works only under Wine.\n"
                     "On Windows, put the real flac.exe in this folder instead.\n");
        return 2;
    }

    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        std::fprintf(stderr, "flac.exe: cannot read the command line\n");
        return 2;
    }
    std::vector<char*> argv;
    argv.push_back(CopyOf("/usr/bin/flac"));
    for (int i = 1; i < count; ++i) {
        char* converted = nullptr;
        if (arguments[i][0] == L'-') {
            converted = OptionText(arguments[i]);
        } else {
            // Every other argument is a path (the input, or the value of -o).
            char* unixPath = unixFileName(arguments[i]);
            if (unixPath != nullptr) {
                converted = CopyOf(unixPath);
                HeapFree(GetProcessHeap(), 0, unixPath);
            }
        }
        if (converted == nullptr) {
            std::fprintf(stderr, "flac.exe: cannot turn argument %d into a Linux path\n", i);
            return 2;
        }
        argv.push_back(converted);
    }
    argv.push_back(nullptr);
    int status = unixSpawn(argv.data(), 1);
    return status;
}
