// A whole firmware load against the simulator at 9600 bit/s: time against the wire-time bound, turnaround, CPU, memory.
//
//   bench_load TOOL SIMULATOR [--baud N] [--reset-ms N] [--wine WINE_RUN PREFIX [--window]]
//
// Runs `TOOL load` (with private settings) against SIMULATOR --baud N, which takes the wire time of
// every byte in both directions and measures the tool's turnaround per block: from the moment its
// "A" left the pseudo-terminal to the moment the first byte of the next block was read. Prints:
//   - the tool's wall time and its ratio to the lower bound: the wire time of every byte exchanged
//     (10 bits a byte) plus the load's fixed waits, 2 s after "D" and 3 s for the reset (the
//     simulator's reset time runs inside the 3 s unless it is longer);
//   - the turnaround's median and maximum;
//   - the tool's CPU time (user + system, from wait4) as a share of its wall time, and its peak RSS.
// With --wine, TOOL is mt6402util.exe, run through WINE_RUN on COM59, a link in PREFIX's dosdevices;
// with --window as well, TOOL is bench_window_load.exe, which loads through the Windows program's
// frame, Firmware page and loader dialog (it needs a display), and the figures are that program's.
// Figures, not pass/fail; the exit status is 0 when the load itself succeeded.
#include "HexGenerator.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kLow = 0x0800;
constexpr uint32_t kHigh = 0x7DC0;
constexpr double kAfterDSeconds = 2.0;
constexpr double kResetWaitSeconds = 3.0;

// A firmware file over the loader's window, its reconciliation word left for the load to fill in.
std::string FirmwareText()
{
    std::string text;
    uint8_t data[16];
    for (uint32_t address = kLow; address < kHigh; address += 16) {
        for (int i = 0; i < 16; ++i)
            data[i] = static_cast<uint8_t>(address * 7 + i * 13 + (address >> 8));
        if (address == kLow)
            data[0] = data[1] = 0;
        AppendHexRecord(text, 0x00, static_cast<uint16_t>(address), data, 16);
    }
    return text + ":00000001FF\r\n";
}

std::vector<char*> Pointers(std::vector<std::string>& words)
{
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The simulator: started with its output in files, its slave path read from the first line.
struct Simulator {
    pid_t pid = -1;
    std::string slave;

    bool Start(const std::string& program, std::vector<std::string> arguments, const fs::path& folder)
    {
        const fs::path out = folder / "sim.out";
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv = Pointers(arguments);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (folder / "sim.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            return false;
        // The first line names the pseudo-terminal; it is there within moments of the start.
        for (int tries = 0; tries < 500 && slave.empty(); ++tries) {
            std::ifstream in(out);
            std::getline(in, slave);
            if (slave.empty())
                usleep(10000);
        }
        return !slave.empty();
    }
    // Waits for it to end by itself (it lingers briefly once the tool has let go of the port).
    bool Wait()
    {
        int status = 0;
        const bool ended = pid > 0 && waitpid(pid, &status, 0) == pid;
        pid = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ~Simulator()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::map<std::string, double> ReadStats(const fs::path& path)
{
    std::map<std::string, double> stats;
    std::ifstream in(path);
    std::string name;
    double value = 0;
    while (in >> name >> value)
        stats[name] = value;
    return stats;
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_load TOOL SIMULATOR [--baud N] [--reset-ms N] [--wine WINE_RUN PREFIX [--window]]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string tool = argv[1];
    const std::string simulatorProgram = argv[2];
    long baud = 9600;
    long resetMs = 1000;
    std::string wineRun, prefix;
    bool window = false;
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--baud" && i + 1 < argc)
            baud = std::strtol(argv[++i], nullptr, 10);
        else if (option == "--reset-ms" && i + 1 < argc)
            resetMs = std::strtol(argv[++i], nullptr, 10);
        else if (option == "--wine" && i + 2 < argc) {
            wineRun = argv[++i];
            prefix = argv[++i];
        } else if (option == "--window")
            window = true;
        else
            return Usage();
    }
    if (baud <= 0 || resetMs < 0 || (window && wineRun.empty()))
        return Usage();

    std::error_code error;
    const fs::path folder = fs::temp_directory_path() / ("mt6402-bench-load-" + std::to_string(getpid()));
    fs::create_directories(folder / "firmware", error);
    const fs::path firmware = folder / "firmware" / "qmcu0113.hex";
    std::ofstream(firmware, std::ios::binary) << FirmwareText();
    const fs::path statsFile = folder / "stats.txt";

    Simulator simulator;
    std::vector<std::string> simulatorArguments = {"--baud", std::to_string(baud), "--reset-ms", std::to_string(resetMs),
                                                   "--stats", statsFile.string(), "--linger-ms", "200"};
    const fs::path link = folder / "port";
    if (!wineRun.empty())
        simulatorArguments.insert(simulatorArguments.end(), {"--link", link.string()});
    if (!simulator.Start(simulatorProgram, simulatorArguments, folder)) {
        std::fprintf(stderr, "bench_load: the simulator did not start\n");
        return 1;
    }

    std::vector<std::string> arguments;
    if (wineRun.empty()) {
        arguments = {tool, "--settings", (folder / "settings.conf").string(), "load", "--port", simulator.slave,
                     "--file", firmware.string()};
    } else {
        const fs::path com = fs::path(prefix) / "dosdevices" / "com59";
        fs::remove(com, error);
        fs::create_symlink(simulator.slave, com, error);
        const auto windowsPath = [](const fs::path& path) {
            std::string text = "Z:" + path.string();
            std::replace(text.begin(), text.end(), '/', '\\');
            return text;
        };
        if (window)
            arguments = {wineRun, tool, "COM59", windowsPath(firmware.parent_path())};
        else
            arguments = {wineRun, tool, "--settings", "Software\\MT6402 Utility Tests\\bench", "load", "--port",
                         "COM59", "--file", windowsPath(firmware)};
    }
    std::vector<char*> toolArgv = Pointers(arguments);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (folder / "tool.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (folder / "tool.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const auto started = Clock::now();
    if (posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, toolArgv.data(), environ) != 0) {
        std::fprintf(stderr, "bench_load: %s does not start\n", arguments[0].c_str());
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto ended = Clock::now();
    const double wall = std::chrono::duration<double>(ended - started).count();
    const bool loaded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    simulator.Wait();
    if (!wineRun.empty())
        fs::remove(fs::path(prefix) / "dosdevices" / "com59", error);

    std::map<std::string, double> stats = ReadStats(statsFile);
    const double bytes = stats["received_bytes"] + stats["sent_bytes"];
    const double wire = bytes * 10.0 / static_cast<double>(baud);
    const double bound = wire + kAfterDSeconds + std::max(kResetWaitSeconds, static_cast<double>(resetMs) / 1000.0);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;

    std::printf("load %s at %ld bit/s (%s)\n", loaded ? "verified" : "FAILED", baud,
                wineRun.empty() ? "native" : window ? "Wine, through the Windows program's window" : "Wine");
    std::printf("  bytes exchanged        %.0f (%.0f to the module, %.0f back)\n", bytes, stats["received_bytes"],
                stats["sent_bytes"]);
    std::printf("  lower bound            %.3f s = wire %.3f s + 2 s after \"D\" + %.3f s reset wait\n", bound, wire,
                bound - wire - kAfterDSeconds);
    std::printf("  total load time        %.3f s, ratio %.4f\n", wall, wall / bound);
    // The simulator's clock is this one (the monotonic clock): where the time outside the line went.
    const double startNs = static_cast<double>(std::chrono::nanoseconds(started.time_since_epoch()).count());
    const double endNs = static_cast<double>(std::chrono::nanoseconds(ended.time_since_epoch()).count());
    std::printf("  of which               %.3f s to the first byte, %.3f s on the line, %.3f s after the last\n",
                (stats["first_received_ns"] - startNs) / 1e9, (stats["last_sent_ns"] - stats["first_received_ns"]) / 1e9,
                (endNs - stats["last_sent_ns"]) / 1e9);
    // The download alone: from the "D" to the final block, 472 blocks of 68 bytes and their answers.
    const double download = (stats["final_block_read_ns"] - stats["download_echo_read_ns"]) / 1e9;
    const double downloadWire = (1 + 471 * 69) * 10.0 / static_cast<double>(baud);
    std::printf("  download               %.3f s, its wire time %.3f s, ratio %.4f\n", download, downloadWire,
                download / downloadWire);
    std::printf("  turnaround per block   median %.3f ms, mean %.3f ms, 90 %% %.3f ms, max %.3f ms (%.0f blocks, %.0f over 2 ms)\n",
                stats["turnaround_median_us"] / 1000.0, stats["turnaround_mean_us"] / 1000.0,
                stats["turnaround_p90_us"] / 1000.0, stats["turnaround_max_us"] / 1000.0, stats["turnaround_count"],
                stats["turnaround_over_2ms"]);
    std::printf("  simulator's own delay  median %.3f ms, max %.3f ms, total %.3f s (a reply's write after its wire time)\n",
                stats["send_lateness_median_us"] / 1000.0, stats["send_lateness_max_us"] / 1000.0,
                stats["send_lateness_total_us"] / 1e6);
    std::printf("  CPU of the tool        %.3f s, %.2f %% of its wall time\n", cpu, 100.0 * cpu / wall);
    std::printf("  peak memory (max RSS)  %ld KiB\n", usage.ru_maxrss);
    if (!loaded) {
        std::ifstream out(folder / "tool.out");
        std::fprintf(stderr, "%s", std::string(std::istreambuf_iterator<char>(out), {}).c_str());
    }
    fs::remove_all(folder, error);
    return loaded ? 0 : 1;
}
