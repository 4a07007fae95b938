// The firmware bytes sent to the bootstrap loader: addresses 0x0800 up to 0x7DC0 read from a HEX file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

// One per loader machine. LoadHexFile fills the window (bytes the file does not give stay 0xFF);
// CheckReconciliationWord then settles the 16-bit word at 0x0800 that makes the image's
// big-endian word sum zero. After a failed load the buffer keeps what was copied before the
// failure and IsLoaded is false: such an image must not be sent.
class CFirmwareImage {
public:
    static constexpr uint32_t kLowAddress = 0x0800;
    static constexpr uint32_t kHighAddress = 0x7DC0;
    static constexpr uint32_t kMinimumAllocation = 64;
    static constexpr uint32_t kFillPattern = 0xFFFFFFFFu;

    CFirmwareImage() = default;
    CFirmwareImage(const CFirmwareImage&) = delete;
    CFirmwareImage& operator=(const CFirmwareImage&) = delete;

    // True when the whole file was read up to its end-of-file record; false with the status code
    // (a reader code, or the system's code of the open or mapping step) in the last-error value.
    bool LoadHexFile(const std::wstring& path);

    // 0 when the image sums to zero (a zero reconciliation word is filled in to make it so);
    // 0xE2000041 when a non-zero word leaves a non-zero sum, or when no file was loaded;
    // 0xA2000047 when the word is zero and the sum already is too (the image is left unchanged).
    uint32_t CheckReconciliationWord();

    // The image summed as big-endian 16-bit words modulo 65536, the reconciliation word included.
    uint16_t WordSum() const;

    bool IsLoaded() const { return parseResult_ != 0; }
    uint32_t GetSize() const { return size_; }
    const uint8_t* GetData() const { return reinterpret_cast<const uint8_t*>(words_.get()); }
    uint32_t GetLowAddress() const { return low_; }
    uint32_t GetHighAddress() const { return high_; }
    const std::wstring& GetFileName() const { return fileName_; }

private:
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(words_.get()); }
    void Reset();

    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
    uint32_t minimumAllocation_ = kMinimumAllocation;
    uint32_t fillPattern_ = kFillPattern;
    uint32_t parseResult_ = 0;
    std::unique_ptr<uint32_t[]> words_; // filled by 32-bit words, read as bytes
    uint32_t high_ = 0;
    uint32_t low_ = 0;
    std::wstring fileName_;
};
