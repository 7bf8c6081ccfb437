// libFuzzer target for the TGA decoder, built with ASan and UBSan: any bytes.
// A failure leaves no buffer behind, the one-step and the two-step interfaces
// agree, and the two-step one never writes past the buffer it is given.
#include "render/tga.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TgaImage image = {};
    const TgaResult result = DecodeTgaImage(data, size, &image);
    TgaImage header = {};
    const TgaResult headerResult = ReadTgaHeader(data, size, &header);
    if ((result == TGA_OK) != (image.pixels != nullptr) ||
        (headerResult != TGA_OK && result != headerResult))
    {
        abort();
    }
    if (headerResult == TGA_OK)
    {
        std::vector<uint8_t> buffer(header.pixelBytes + 32, 0xAB);
        if (UnpackTga(data, size, header, buffer.data()) != result ||
            (result == TGA_OK && memcmp(image.pixels, buffer.data(), image.pixelBytes) != 0) ||
            std::count(buffer.begin() + header.pixelBytes, buffer.end(), 0xAB) != 32)
        {
            abort();
        }
    }
    FreeTgaPixels(&image);
    return 0;
}
