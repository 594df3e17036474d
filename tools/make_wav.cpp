// Writes a PCM WAV file of a few mixed tones and some noise, so the encoder
// has something real to compress.
// Usage: make_wav FILE SECONDS [SEED [FORMAT [CHUNK...]]]
//   FORMAT  BITSxCHANNELS, 8, 16 or 24 bits; an "e" after it writes the
//           format as WAVE_FORMAT_EXTENSIBLE. Default 16x2.
//   CHUNK   ID:SIZE, a chunk of SIZE bytes (and the pad byte of an odd
//           size) before the data; the word "data" puts the ones after it
//           after the data.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Put(std::FILE* file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

// Writes the extra chunks from `first` up to "data" or the end (when `file`
// is null, only counts them), adding their bytes on disk to `bytes`. Returns
// the index of the word "data", or argc.
int PutChunks(std::FILE* file, char** argv, int first, int argc, std::uint32_t* bytes) {
    int i = first;
    for (; i < argc && std::strcmp(argv[i], "data") != 0; ++i) {
        const char* colon = std::strchr(argv[i], ':');
        std::uint32_t size = colon != nullptr ? static_cast<std::uint32_t>(std::atol(colon + 1)) : 0;
        *bytes += 8 + size + (size & 1);
        if (file == nullptr) continue;
        std::fwrite(argv[i], 1, 4, file);
        Put(file, size, 4);
        for (std::uint32_t k = 0; k < size + (size & 1); ++k) std::fputc(k < size ? 'a' + (k + i) % 26 : 0, file);
    }
    return i;
}

}  // namespace

int main(int argc, char** argv) {
    int bits = 16, channels = 2;
    char extensible = 0;
    if (argc < 3 || (argc > 4 && std::sscanf(argv[4], "%dx%d%c", &bits, &channels, &extensible) < 2) ||
        (bits != 8 && bits != 16 && bits != 24) || channels < 1 || channels > 2) {
        std::fprintf(stderr, "usage: make_wav FILE SECONDS [SEED [8|16|24xCHANNELS[e] [ID:SIZE|data]...]]\n");
        return 2;
    }
    const std::uint32_t rate = 44100;
    const std::uint32_t sampleBytes = static_cast<std::uint32_t>(bits / 8);
    double seconds = std::atof(argv[2]);
    unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
    std::uint32_t frames = static_cast<std::uint32_t>(seconds * rate);
    std::uint32_t dataBytes = frames * channels * sampleBytes;
    std::uint32_t fmtBytes = extensible == 'e' ? 40 : 16;
    std::uint32_t extra = 0;
    PutChunks(nullptr, argv, PutChunks(nullptr, argv, 5, argc, &extra) + 1, argc, &extra);

    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fwrite("RIFF", 1, 4, file);
    Put(file, 4 + 8 + fmtBytes + extra + 8 + dataBytes + (dataBytes & 1), 4);
    std::fwrite("WAVEfmt ", 1, 8, file);
    Put(file, fmtBytes, 4);
    Put(file, extensible == 'e' ? 0xFFFE : 1, 2);
    Put(file, channels, 2);
    Put(file, rate, 4);
    Put(file, rate * channels * sampleBytes, 4);
    Put(file, channels * sampleBytes, 2);
    Put(file, bits, 2);
    if (extensible == 'e') {
        // The valid bits, the speakers (front left and right, or centre)
        // and the PCM subformat.
        Put(file, 22, 2);
        Put(file, bits, 2);
        Put(file, channels == 2 ? 3 : 4, 4);
        std::fwrite("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 1, 16, file);
    }
    std::uint32_t written = 0;
    int after = PutChunks(file, argv, 5, argc, &written) + 1;
    std::fwrite("data", 1, 4, file);
    Put(file, dataBytes, 4);

    std::uint32_t noise = seed * 2654435761u + 1;
    const double pi = 3.14159265358979323846;
    for (std::uint32_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        for (int channel = 0; channel < channels; ++channel) {
            noise = noise * 1664525u + 1013904223u;
            double value = 6000 * std::sin(2 * pi * (220.0 + 110 * seed + channel) * t) +
                           3000 * std::sin(2 * pi * 1375.0 * t) +
                           static_cast<double>(static_cast<int>(noise >> 20) - 2048);
            // 16-bit values, scaled; 8-bit samples are unsigned.
            auto sample = static_cast<std::int32_t>(static_cast<std::int16_t>(value));
            if (bits == 8) sample = sample / 256 + 128;
            if (bits == 24) sample = sample * 256 + static_cast<std::int32_t>(noise & 0xFF);
            Put(file, static_cast<std::uint32_t>(sample), static_cast<int>(sampleBytes));
        }
    }
    if (dataBytes & 1) std::fputc(0, file);
    PutChunks(file, argv, after, argc, &written);
    return std::fclose(file) == 0 ? 0 : 1;
}
