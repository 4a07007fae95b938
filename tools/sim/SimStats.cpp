// What the simulator measured during a session.
#include "SimStats.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

void SimStats::NoteReceived(uint64_t count, uint64_t nowNs)
{
    if (receivedBytes == 0 && count > 0)
        firstReceivedNs = nowNs;
    receivedBytes += count;
}

void SimStats::NoteSent(uint64_t count, uint64_t nowNs)
{
    sentBytes += count;
    if (count > 0)
        lastSentNs = nowNs;
}

double MedianOf(std::vector<uint64_t> samples)
{
    if (samples.empty())
        return 0;
    const size_t middle = samples.size() / 2;
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(middle), samples.end());
    const double upper = static_cast<double>(samples[middle]);
    if (samples.size() % 2 != 0)
        return upper;
    const double lower = static_cast<double>(*std::max_element(samples.begin(), samples.begin() + static_cast<long>(middle)));
    return (lower + upper) / 2;
}

bool SimStats::WriteTo(const std::string& path, long bitsPerSecond, std::string& error) const
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const uint64_t longest = turnaroundNs.empty() ? 0 : *std::max_element(turnaroundNs.begin(), turnaroundNs.end());
    std::fprintf(file, "baud %ld\n", bitsPerSecond);
    std::fprintf(file, "received_bytes %llu\n", static_cast<unsigned long long>(receivedBytes));
    std::fprintf(file, "sent_bytes %llu\n", static_cast<unsigned long long>(sentBytes));
    std::fprintf(file, "first_received_ns %llu\n", static_cast<unsigned long long>(firstReceivedNs));
    std::fprintf(file, "last_sent_ns %llu\n", static_cast<unsigned long long>(lastSentNs));
    std::fprintf(file, "download_echo_read_ns %llu\n", static_cast<unsigned long long>(echoReadNs));
    std::fprintf(file, "final_block_read_ns %llu\n", static_cast<unsigned long long>(finalBlockReadNs));
    std::fprintf(file, "blocks_accepted %llu\n", static_cast<unsigned long long>(blocksAccepted));
    std::fprintf(file, "blocks_rejected %llu\n", static_cast<unsigned long long>(blocksRejected));
    std::fprintf(file, "turnaround_count %zu\n", turnaroundNs.size());
    std::fprintf(file, "turnaround_median_us %.3f\n", MedianOf(turnaroundNs) / 1000.0);
    uint64_t total = 0;
    for (uint64_t t : turnaroundNs)
        total += t;
    std::fprintf(file, "turnaround_mean_us %.3f\n",
                 turnaroundNs.empty() ? 0.0 : static_cast<double>(total) / 1000.0 / static_cast<double>(turnaroundNs.size()));
    std::fprintf(file, "turnaround_max_us %.3f\n", static_cast<double>(longest) / 1000.0);
    // Where the slow blocks are: the 90th percentile, and how many took longer than 2 ms.
    std::vector<uint64_t> sorted = turnaroundNs;
    std::sort(sorted.begin(), sorted.end());
    const double p90 = sorted.empty() ? 0.0 : static_cast<double>(sorted[(sorted.size() * 9) / 10]) / 1000.0;
    std::fprintf(file, "turnaround_p90_us %.3f\n", p90);
    std::fprintf(file, "turnaround_over_2ms %zu\n",
                 static_cast<size_t>(std::count_if(sorted.begin(), sorted.end(), [](uint64_t t) { return t > 2'000'000; })));
    const uint64_t latest = sendLatenessNs.empty() ? 0 : *std::max_element(sendLatenessNs.begin(), sendLatenessNs.end());
    std::fprintf(file, "send_lateness_median_us %.3f\n", MedianOf(sendLatenessNs) / 1000.0);
    std::fprintf(file, "send_lateness_max_us %.3f\n", static_cast<double>(latest) / 1000.0);
    uint64_t lateness = 0;
    for (uint64_t t : sendLatenessNs)
        lateness += t;
    std::fprintf(file, "send_lateness_total_us %.3f\n", static_cast<double>(lateness) / 1000.0);
    bool written = !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    if (!written)
        error = path + ": " + std::strerror(errno);
    return written;
}
