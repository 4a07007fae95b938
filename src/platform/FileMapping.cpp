// The platform-independent part of CFileMapping: moving ownership.
#include "platform/FileMapping.h"

#include <utility>

CFileMapping::CFileMapping(CFileMapping&& other) noexcept { Swap(other); }

CFileMapping& CFileMapping::operator=(CFileMapping&& other) noexcept
{
    if (this != &other) {
        Close();
        Swap(other);
    }
    return *this;
}

void CFileMapping::Swap(CFileMapping& other) noexcept
{
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(file_, other.file_);
    std::swap(mapping_, other.mapping_);
}
