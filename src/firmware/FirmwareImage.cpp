// Filling the firmware image from a HEX file and settling its checksum reconciliation word.
#include "firmware/FirmwareImage.h"

#include "firmware/IntelHexReader.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"

#include <algorithm>
#include <new>

void CFirmwareImage::Reset()
{
    words_.reset();
    size_ = 0;
    capacity_ = 0;
    parseResult_ = 0;
    fileName_.clear();
}

bool CFirmwareImage::LoadHexFile(const std::wstring& path)
{
    Reset();
    fileName_ = path;
    low_ = kLowAddress;
    high_ = kHighAddress;
    minimumAllocation_ = kMinimumAllocation;
    fillPattern_ = kFillPattern;

    CIntelHexReader reader;
    if (!reader.OpenAndMap(path))
        return false;
    if (high_ > low_) {
        size_ = high_ - low_;
        capacity_ = (std::max(size_, minimumAllocation_) + 3) & ~3u;
        words_.reset(new (std::nothrow) uint32_t[capacity_ / 4]);
        if (!words_) {
            size_ = capacity_ = 0;
            SetLastErrorCode(ERROR_CODE_NOT_ENOUGH_MEMORY);
            return false;
        }
        std::fill_n(words_.get(), capacity_ / 4, fillPattern_);
    }
    reader.SetWindow(low_, high_);
    reader.SetDestination(Bytes(), Bytes() + size_);
    bool ok = reader.ReadAll();
    uint32_t code = GetLastErrorCode();
    reader.Unmap();
    parseResult_ = ok ? 1 : 0;
    SetLastErrorCode(code);
    return ok;
}

uint16_t CFirmwareImage::WordSum() const
{
    const uint8_t* image = GetData();
    if (!image)
        return 0;
    // The allocation is a whole number of 32-bit words filled with the pattern, so an odd size
    // still reads its last low byte from inside the buffer.
    unsigned sum = 0;
    for (uint32_t k = 0; 2 * k < size_; ++k)
        sum += unsigned{image[2 * k]} << 8 | image[2 * k + 1];
    return static_cast<uint16_t>(sum);
}

uint32_t CFirmwareImage::CheckReconciliationWord()
{
    // A partly read image has no trustworthy sum: it is never reported as usable.
    if (!IsLoaded() || size_ < 2)
        return MSG_IMAGE_CHECKSUM;
    uint16_t sum = WordSum();
    uint8_t* image = Bytes();
    uint16_t word = static_cast<uint16_t>(image[0] << 8 | image[1]);
    if (word != 0)
        return sum == 0 ? STATUS_OK : MSG_IMAGE_CHECKSUM;
    if (sum == 0)
        return MSG_RECONCILIATION_WORD_ZERO;
    uint16_t fill = static_cast<uint16_t>(0x10000u - sum);
    image[0] = static_cast<uint8_t>(fill >> 8);
    image[1] = static_cast<uint8_t>(fill);
    return STATUS_OK;
}
