// The progress of a firmware load as the console shows it.
#include "cli/LoadProgress.h"

#include <algorithm>

#include "model/Format.h"
#include "model/StringTable.h"

CLoadProgress::CLoadProgress(uint32_t imageBytes, uint32_t unitBytes, uint32_t blockBytes)
    : imageBytes_(imageBytes), unitBytes_(unitBytes), blockBytes_(std::max<uint32_t>(blockBytes, 1))
{
}

void CLoadProgress::SetPosition(uint32_t position, uint32_t nowMs)
{
    if (position == 0)
        startMs_ = nowMs;
    position_ = position;
}

uint32_t CLoadProgress::Percent() const
{
    if (maximum_ == 0)
        return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(100, uint64_t{position_} * 100 / maximum_));
}

uint32_t CLoadProgress::BytesDone() const
{
    return static_cast<uint32_t>(std::min<uint64_t>(imageBytes_, uint64_t{position_} * unitBytes_));
}

uint32_t CLoadProgress::BytesPerSecond(uint32_t nowMs) const
{
    const uint32_t elapsed = nowMs - startMs_; // tick counts wrap
    if (elapsed == 0 || BytesDone() == 0)
        return 0;
    return static_cast<uint32_t>(uint64_t{BytesDone()} * 1000 / elapsed);
}

std::wstring CLoadProgress::TimeLeft(uint32_t nowMs) const
{
    const uint32_t rate = BytesPerSecond(nowMs);
    if (rate == 0)
        return L"--:--";
    const uint32_t seconds = (imageBytes_ - BytesDone() + rate - 1) / rate;
    return Format(L"%u:%02u", seconds / 60, seconds % 60);
}

std::wstring CLoadProgress::BarLine(uint32_t nowMs, uint32_t barWidth) const
{
    const uint32_t marks = barWidth * Percent() / 100;
    std::wstring bar = L"[";
    bar.append(marks, L'#');
    bar.append(barWidth - marks, L'.');
    bar += L']';
    return Format(StringId{IDS_CLI_LOAD_PROGRESS}, bar, Percent(), BlocksDone(), TotalBlocks(),
                  BytesPerSecond(nowMs), TimeLeft(nowMs));
}

bool CLoadProgress::TakePlainLine(uint32_t nowMs, std::wstring& line)
{
    const uint32_t tenth = Percent() / 10;
    if (tenth <= lastTenth_)
        return false;
    lastTenth_ = tenth;
    line = Format(StringId{IDS_CLI_LOAD_PROGRESS_LINE}, tenth * 10, BlocksDone(), TotalBlocks(),
                  BytesPerSecond(nowMs), TimeLeft(nowMs));
    return true;
}
