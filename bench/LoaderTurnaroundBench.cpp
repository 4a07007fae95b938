// Per-block host turnaround of the loader machine: from the module's "A" handed to the machine to the next block's write.
//
// In process, without a serial line: a port that answers at once and notes when each write
// begins, a timer host that only accepts timers. Each measured sample is one acknowledgement:
// the received-data event is handed to the machine and the clock stops when the 68-byte block
// reaches the port's Write. Reported: the median and the 99th percentile in microseconds and the
// heap allocations per block, with Trace off (the normal case) and on.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "machines/McuLoaderStateMachine.h"
#include "model/Model.h"
#include "platform/MessageTarget.h"
#include "platform/TimerHost.h"
#include "serial/SerialPortInterface.h"

// Every allocation of the program is counted, so the figures show whether a block allocates. GCC
// sees the replaced operators pair malloc with free and takes it for a new/free mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
uint64_t allocations = 0;
} // namespace

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

class CInstantPort : public ISerialPort {
public:
    void SetMessageWindow(IMessageTarget*) override {}
    bool Open(const std::wstring& name) override
    {
        name_ = name;
        return true;
    }
    void Close() override {}
    bool IsOpen() const override { return true; }
    const std::wstring& Name() const override { return name_; }
    bool Read(uint8_t* buffer, uint32_t count, uint32_t& received) override
    {
        received = 0;
        if (count == 0 || next_ >= pending_.size())
            return true;
        buffer[0] = static_cast<uint8_t>(pending_[next_++]);
        received = 1;
        return true;
    }
    bool Write(const uint8_t*, uint32_t count, uint32_t& written) override
    {
        if (count == 68)
            lastBlockWrite = Clock::now();
        ++writes;
        written = count;
        return true;
    }
    uint32_t SetSpeed(uint32_t) override { return 1; }
    uint32_t Speed() const override { return 9600; }
    bool Purge() override
    {
        pending_.clear();
        next_ = 0;
        return true;
    }
    bool CancelIo() override { return true; }
    void ReportError(const wchar_t*, uint32_t) override {}

    void Deliver(const char* bytes)
    {
        pending_ = bytes;
        next_ = 0;
    }

    Clock::time_point lastBlockWrite;
    uint64_t writes = 0;

private:
    std::wstring name_;
    std::string pending_;
    size_t next_ = 0;
};

class CIdleTimers : public ITimerHost {
public:
    bool SetTimer(IMessageTarget&, uintptr_t, uint32_t) override { return true; }
    void KillTimer(IMessageTarget&, uintptr_t) override {}
    uint32_t TickCount() override { return 0; }
};

class CQuietWindow : public IMessageTarget {
public:
    intptr_t Send(uint32_t, uintptr_t, intptr_t) override { return 0; }
    bool Post(uint32_t, uintptr_t, intptr_t) override { return true; }
};

// A full image (0x0800 to 0x7DC0) whose reconciliation word the loader fills in.
std::filesystem::path WriteImageFile()
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "mt6402-bench-qmcu0124.hex";
    std::ofstream out(path, std::ios::binary);
    for (uint32_t address = 0x0800; address < 0x7DC0; address += 16) {
        char line[64];
        unsigned sum = 16 + (address >> 8) + (address & 0xFF);
        int n = std::snprintf(line, sizeof line, ":10%04X00", address);
        for (unsigned i = 0; i < 16; ++i) {
            const unsigned byte = address + i < 0x0802 ? 0 : ((address + i) * 7 + (address >> 5)) & 0xFF;
            sum += byte;
            n += std::snprintf(line + n, sizeof line - n, "%02X", byte);
        }
        std::snprintf(line + n, sizeof line - n, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        out << line;
    }
    out << ":00000001FF\r\n";
    return path;
}

void Turnaround(benchmark::State& state)
{
    static const std::filesystem::path file = WriteImageFile();
    CIdleTimers timers;
    CQuietWindow frame;
    auto* port = new CInstantPort;
    CModel model(timers, std::unique_ptr<ISerialPort>(port), nullptr);
    model.SetNotifyWindow(&frame);
    model.SetLoaderMachineFactory(CreateMcuLoaderStateMachine);
    model.Trace.Set(static_cast<int>(state.range(0)));
    model.OpenPort(L"BENCH");
    model.FirmwareFile.Set(CRevisionedFileName(file.wstring()));

    CMcuLoaderStateMachine* machine = nullptr;
    bool handled = false;
    uint32_t blocksLeft = 0;
    uint64_t blockAllocations = 0;
    std::vector<double> samples;
    samples.reserve(1 << 20);

    for (auto _ : state) {
        if (blocksLeft == 0) {
            // A new load up to its first block, not timed: poll answered, "D" echoed.
            state.PauseTiming();
            model.FirmwareStatus.Set(FirmwareStatusLoaderWaiting); // a single "D", no 2 s wait
            machine = static_cast<CMcuLoaderStateMachine*>(model.CreateLoaderMachine());
            if (!machine || !machine->StartLoad(&frame)) {
                state.SkipWithError("the load did not start");
                break;
            }
            port->Deliver(";");
            machine->OnReceive(WM_COMM_EVENT, 1, 0, handled);
            port->Deliver("D");
            machine->OnReceive(WM_COMM_EVENT, 1, 0, handled);
            blocksLeft = 470; // the acknowledgements that each bring another image block
            state.ResumeTiming();
        }
        port->Deliver("A");
        const uint64_t allocationsBefore = allocations;
        const Clock::time_point in = Clock::now();
        machine->OnReceive(WM_COMM_EVENT, 1, 0, handled);
        blockAllocations += allocations - allocationsBefore;
        samples.push_back(std::chrono::duration<double, std::micro>(port->lastBlockWrite - in).count());
        --blocksLeft;
        if (blocksLeft == 0) {
            state.PauseTiming();
            machine->Release();
            state.ResumeTiming();
        }
    }
    if (!samples.empty()) {
        std::sort(samples.begin(), samples.end());
        state.counters["median_us"] = samples[samples.size() / 2];
        state.counters["p99_us"] = samples[samples.size() * 99 / 100];
        state.counters["allocs_per_block"] = static_cast<double>(blockAllocations) / samples.size();
    }
}

BENCHMARK(Turnaround)->Arg(0)->ArgName("trace")->MinTime(1.0);
BENCHMARK(Turnaround)->Arg(1)->ArgName("trace")->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
