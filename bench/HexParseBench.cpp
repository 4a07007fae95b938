// HEX parse throughput: ValidateHexFile and LoadHexFile over a generated ~50 MB file of 16-byte records.
#include "HexGenerator.h"
#include "firmware/FirmwareImage.h"
#include "firmware/IntelHexReader.h"
#include "platform/FileMapping.h"
#include "platform/TextConversion.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::wstring gPath;
size_t gSize = 0;

void ValidateHexFileThroughput(benchmark::State& state)
{
    for (auto _ : state) {
        bool ok = ValidateHexFile(gPath);
        if (!ok)
            state.SkipWithError("ValidateHexFile failed");
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gSize));
}

void LoadHexFileThroughput(benchmark::State& state)
{
    CFirmwareImage image;
    for (auto _ : state) {
        bool ok = image.LoadHexFile(gPath);
        if (!ok)
            state.SkipWithError("LoadHexFile failed");
        benchmark::DoNotOptimize(image.GetData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gSize));
}

// The parser alone over the mapped text, without opening and mapping the file each time.
void ParseMappedTextThroughput(benchmark::State& state)
{
    CFileMapping mapping;
    if (!mapping.Open(gPath)) {
        state.SkipWithError("mapping failed");
        return;
    }
    for (auto _ : state) {
        CIntelHexReader reader;
        reader.AttachText(mapping.Data(), mapping.Size());
        reader.SetWindow(0, 0xFFFFFFFFu);
        bool ok = reader.ReadAll();
        if (!ok)
            state.SkipWithError("ReadAll failed");
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gSize));
}

BENCHMARK(ValidateHexFileThroughput)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LoadHexFileThroughput)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ParseMappedTextThroughput)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("mt6402-bench-" + std::to_string(::getpid()) + ".hex");
    {
        const std::string text = GenerateHex(50u << 20);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
        gSize = text.size();
    }
    gPath = FromUtf8(file.string());
    benchmark::AddCustomContext("hex_file_bytes", std::to_string(gSize));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(file);
    return 0;
}
