// Writes a 16-bit PCM WAV file of a few mixed tones and some noise, so the
// encoder has something real to compress. Usage: make_wav FILE SECONDS [SEED]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Put32(std::FILE* file, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

void Put16(std::FILE* file, std::uint16_t value) {
    std::fputc(value & 0xFF, file);
    std::fputc(value >> 8, file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_wav FILE SECONDS [SEED]\n");
        return 2;
    }
    const std::uint32_t rate = 44100;
    const std::uint16_t channels = 2;
    double seconds = std::atof(argv[2]);
    unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
    std::uint32_t frames = static_cast<std::uint32_t>(seconds * rate);
    std::uint32_t dataBytes = frames * channels * 2;

    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fwrite("RIFF", 1, 4, file);
    Put32(file, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    Put32(file, 16);
    Put16(file, 1);  // PCM
    Put16(file, channels);
    Put32(file, rate);
    Put32(file, rate * channels * 2);
    Put16(file, channels * 2);
    Put16(file, 16);
    std::fwrite("data", 1, 4, file);
    Put32(file, dataBytes);

    std::uint32_t noise = seed * 2654435761u + 1;
    const double pi = 3.14159265358979323846;
    for (std::uint32_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        for (int channel = 0; channel < channels; ++channel) {
            noise = noise * 1664525u + 1013904223u;
            double value = 6000 * std::sin(2 * pi * (220.0 + 110 * seed + channel) * t) +
                           3000 * std::sin(2 * pi * 1375.0 * t) +
                           static_cast<double>(static_cast<int>(noise >> 20) - 2048);
            Put16(file, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
        }
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
