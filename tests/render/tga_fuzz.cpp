// libFuzzer target for the TGA decoder: a failure leaves no buffer behind, a
// success gives the pixels of a slow, obviously bounded reference decoder,
// and the two-step interface never writes past the buffer it is given.
#include "render/tga.h"

#include <stdlib.h>
#include <string.h>
#include <vector>

static void Require(bool condition)
{
    if (!condition)
    {
        abort();
    }
}

// One pixel at a time, every index checked. Returns false when the packets
// do not describe exactly the image.
static bool DecodeSlowly(const uint8_t* data, size_t size, const TgaImage& header,
                         std::vector<uint8_t>* out)
{
    const size_t bytes = header.bitsPerPixel / 8;
    const size_t count = (size_t)header.width * header.height;
    out->assign(count * bytes, 0);
    size_t at = TGA_HEADER_SIZE, written = 0;
    while (written < count)
    {
        size_t repeat = 1, stored = 1;
        if (header.type == 10)
        {
            if (at >= size)
            {
                return false;
            }
            const uint8_t h = data[at++];
            repeat = h & 0x80 ? (h & 0x7F) + 1u : 1u;
            stored = h & 0x80 ? 1u : h + 1u;
        }
        for (size_t s = 0; s < stored; ++s, at += bytes)
        {
            if (at + bytes > size)
            {
                return false;
            }
            for (size_t r = 0; r < repeat; ++r, ++written)
            {
                if (written == count)
                {
                    return false;
                }
                uint8_t* o = out->data() + written * bytes;
                const uint8_t pixel[4] = {data[at + 2], data[at + 1], data[at],
                                          bytes == 4 ? data[at + 3] : (uint8_t)0};
                memcpy(o, pixel, bytes);
            }
        }
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TgaImage image = {};
    const TgaResult result = DecodeTgaImage(data, size, &image);
    Require((result == TGA_OK) == (image.pixels != nullptr));
    TgaImage header = {};
    const TgaResult headerResult = ReadTgaHeader(data, size, &header);
    if (headerResult != TGA_OK)
    {
        Require(result == headerResult);
        return 0;
    }
    std::vector<uint8_t> reference;
    Require(DecodeSlowly(data, size, header, &reference) == (result == TGA_OK));
    Require(result != TGA_OK || memcmp(image.pixels, reference.data(), image.pixelBytes) == 0);
    FreeTgaPixels(&image);

    std::vector<uint8_t> buffer(header.pixelBytes + 32, 0xAB);
    Require(UnpackTga(data, size, header, buffer.data()) == result);
    for (size_t i = header.pixelBytes; i < buffer.size(); ++i)
    {
        Require(buffer[i] == 0xAB);
    }
    return 0;
}
