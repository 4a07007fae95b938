// The progress of a firmware load as the console shows it: the figures, the bar line and the 10 % lines.
#pragma once
#include <cstdint>
#include <string>

// Fed with the model's ProgressMaximum and ProgressPosition (units of `unitBytes`, published as
// each block is built) and a millisecond tick. The rate counts from the last time the position
// was 0, which is when the first blocks go out (the load publishes 0 once more at its start).
class CLoadProgress {
public:
    // `imageBytes`: what the load sends; `blockBytes`: the image bytes of one block.
    CLoadProgress(uint32_t imageBytes, uint32_t unitBytes, uint32_t blockBytes);

    void SetMaximum(uint32_t maximum) { maximum_ = maximum; }
    void SetPosition(uint32_t position, uint32_t nowMs);

    // 0 to 100, as the dialog's bar: position against maximum.
    uint32_t Percent() const;
    uint32_t BytesDone() const;
    uint32_t BlocksDone() const { return BytesDone() / blockBytes_; }
    uint32_t TotalBlocks() const { return (imageBytes_ + blockBytes_ - 1) / blockBytes_; }
    // Bytes per second since the position was last 0; 0 while nothing can be said.
    uint32_t BytesPerSecond(uint32_t nowMs) const;
    // "m:ss" of the time the rest needs at the present rate, "--:--" while the rate is unknown.
    std::wstring TimeLeft(uint32_t nowMs) const;

    // "[####......]  40% 188/471 blocks 958 bytes/s 0:18 left" with a bar of `barWidth` marks.
    std::wstring BarLine(uint32_t nowMs, uint32_t barWidth) const;
    // True once for every tenth reached (10 % ... 100 %), with the plain line for it.
    bool TakePlainLine(uint32_t nowMs, std::wstring& line);

private:
    uint32_t imageBytes_;
    uint32_t unitBytes_;
    uint32_t blockBytes_;
    uint32_t maximum_ = 0;
    uint32_t position_ = 0;
    uint32_t startMs_ = 0;
    uint32_t lastTenth_ = 0;
};
