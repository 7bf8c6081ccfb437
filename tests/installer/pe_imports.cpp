#include "pe_imports.h"

#include <stdint.h>

namespace
{

const size_t kDosLfanewOffset = 0x3C;
const size_t kCoffHeaderSize = 20;
const size_t kSectionHeaderSize = 40;
const size_t kImportDescriptorSize = 20;
const size_t kDelayDescriptorSize = 32;
const uint32_t kImportDirectory = 1;
const uint32_t kDelayImportDirectory = 13;
const uint16_t kMagicPe32 = 0x10B;
const uint16_t kMagicPe32Plus = 0x20B;

struct PeImage
{
    const unsigned char* data;
    size_t size;
    size_t sectionTable;
    uint32_t sectionCount;
    uint64_t imageBase;
};

bool ReadU16(const unsigned char* data, size_t size, size_t offset, uint16_t* pValue)
{
    if (offset > size || size - offset < 2)
    {
        return false;
    }
    *pValue = static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
    return true;
}

bool ReadU32(const unsigned char* data, size_t size, size_t offset, uint32_t* pValue)
{
    if (offset > size || size - offset < 4)
    {
        return false;
    }
    *pValue = static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
              (static_cast<uint32_t>(data[offset + 2]) << 16) |
              (static_cast<uint32_t>(data[offset + 3]) << 24);
    return true;
}

bool ReadU64(const unsigned char* data, size_t size, size_t offset, uint64_t* pValue)
{
    uint32_t low = 0;
    uint32_t high = 0;
    if (!ReadU32(data, size, offset, &low) || !ReadU32(data, size, offset + 4, &high))
    {
        return false;
    }
    *pValue = (static_cast<uint64_t>(high) << 32) | low;
    return true;
}

// File offset of an address relative to the image base, inside a section's raw data.
bool RvaToOffset(const PeImage& image, uint32_t rva, size_t* pOffset)
{
    for (uint32_t i = 0; i < image.sectionCount; ++i)
    {
        size_t header = image.sectionTable + i * kSectionHeaderSize;
        uint32_t address = 0;
        uint32_t rawSize = 0;
        uint32_t rawOffset = 0;
        if (!ReadU32(image.data, image.size, header + 12, &address) ||
            !ReadU32(image.data, image.size, header + 16, &rawSize) ||
            !ReadU32(image.data, image.size, header + 20, &rawOffset))
        {
            return false;
        }
        if (rva >= address && rva - address < rawSize)
        {
            uint64_t offset = static_cast<uint64_t>(rawOffset) + (rva - address);
            if (offset >= image.size)
            {
                return false;
            }
            *pOffset = static_cast<size_t>(offset);
            return true;
        }
    }
    return false;
}

// A terminated name at an address; false when it runs off the file.
bool ReadNameAt(const PeImage& image, uint32_t rva, std::string* pName)
{
    size_t offset = 0;
    if (!RvaToOffset(image, rva, &offset))
    {
        return false;
    }
    for (size_t end = offset; end < image.size; ++end)
    {
        if (image.data[end] == 0)
        {
            pName->assign(reinterpret_cast<const char*>(image.data + offset), end - offset);
            return true;
        }
    }
    return false;
}

bool IsZero(const unsigned char* data, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        if (data[i] != 0)
        {
            return false;
        }
    }
    return true;
}

// Walks a table of fixed-size descriptors ending in an all-zero one; `nameField` is the
// offset of the name's address in a descriptor.
bool ReadDescriptorNames(const PeImage& image, uint32_t tableRva, size_t descriptorSize,
                         size_t nameField, bool delayLoad, std::vector<std::string>* pNames)
{
    size_t offset = 0;
    if (!RvaToOffset(image, tableRva, &offset))
    {
        return false;
    }
    for (;;)
    {
        if (offset > image.size || image.size - offset < descriptorSize)
        {
            return false; // no terminating descriptor
        }
        if (IsZero(image.data + offset, descriptorSize))
        {
            return true;
        }
        uint32_t nameAddress = 0;
        ReadU32(image.data, image.size, offset + nameField, &nameAddress);
        uint32_t attributes = 0;
        ReadU32(image.data, image.size, offset, &attributes);
        if (delayLoad && (attributes & 1) == 0)
        {
            // Old-style delay descriptors hold virtual addresses, not relative ones.
            if (nameAddress < image.imageBase)
            {
                return false;
            }
            nameAddress = static_cast<uint32_t>(nameAddress - image.imageBase);
        }
        std::string name;
        if (!ReadNameAt(image, nameAddress, &name))
        {
            return false;
        }
        pNames->push_back(name);
        offset += descriptorSize;
    }
}

} // namespace

PeImports ReadPeImports(const unsigned char* data, size_t size)
{
    PeImports result = {};
    result.ok = false;

    uint32_t peOffset = 0;
    if (size < 2 || data[0] != 'M' || data[1] != 'Z' ||
        !ReadU32(data, size, kDosLfanewOffset, &peOffset))
    {
        return result;
    }
    uint32_t signature = 0;
    if (!ReadU32(data, size, peOffset, &signature) || signature != 0x00004550) // "PE\0\0"
    {
        return result;
    }
    size_t coff = static_cast<size_t>(peOffset) + 4;
    uint16_t sectionCount = 0;
    uint16_t optionalSize = 0;
    uint16_t magic = 0;
    if (!ReadU16(data, size, coff + 2, &sectionCount) ||
        !ReadU16(data, size, coff + 16, &optionalSize) ||
        !ReadU16(data, size, coff + kCoffHeaderSize, &magic))
    {
        return result;
    }
    size_t optional = coff + kCoffHeaderSize;
    bool plus = magic == kMagicPe32Plus;
    if (!plus && magic != kMagicPe32)
    {
        return result;
    }

    PeImage image = {};
    image.data = data;
    image.size = size;
    image.sectionTable = optional + optionalSize;
    image.sectionCount = sectionCount;
    uint32_t base32 = 0;
    if (plus ? !ReadU64(data, size, optional + 24, &image.imageBase)
             : !ReadU32(data, size, optional + 28, &base32))
    {
        return result;
    }
    if (!plus)
    {
        image.imageBase = base32;
    }

    uint32_t directoryCount = 0;
    size_t directories = optional + (plus ? 112 : 96);
    if (!ReadU32(data, size, directories - 4, &directoryCount) ||
        directories + static_cast<size_t>(directoryCount) * 8 > image.sectionTable)
    {
        return result;
    }
    uint32_t importRva = 0;
    uint32_t delayRva = 0;
    if (directoryCount > kImportDirectory)
    {
        ReadU32(data, size, directories + kImportDirectory * 8, &importRva);
    }
    if (directoryCount > kDelayImportDirectory)
    {
        ReadU32(data, size, directories + kDelayImportDirectory * 8, &delayRva);
    }
    if (importRva != 0 &&
        !ReadDescriptorNames(image, importRva, kImportDescriptorSize, 12, false, &result.dlls))
    {
        return result;
    }
    if (delayRva != 0 &&
        !ReadDescriptorNames(image, delayRva, kDelayDescriptorSize, 4, true, &result.delayDlls))
    {
        return result;
    }
    result.ok = true;
    return result;
}
