// Writes a generated Intel HEX file for the benchmark scripts: bench_make_hex FILE [BYTES].
#include "HexGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: bench_make_hex FILE [BYTES]\n");
        return 2;
    }
    const size_t bytes = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : size_t{50} << 20;
    const std::string text = GenerateHex(bytes);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%zu\n", text.size());
    return 0;
}
