// libFuzzer target for the TGA decoder. Besides the sanitizers' checks it
// holds the decoder to its contract: a failure leaves no buffer behind, a
// success fills exactly width x height pixels (checked against a slow,
// obviously bounded reference decoder) and the two-step interface never
// writes past the buffer it is given.
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
    size_t at = TGA_HEADER_SIZE;
    size_t written = 0;
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
            if (h & 0x80)
            {
                repeat = (h & 0x7F) + 1;
            }
            else
            {
                stored = h + 1u;
            }
        }
        for (size_t s = 0; s < stored; ++s)
        {
            if (at + bytes > size)
            {
                return false;
            }
            const uint8_t* p = data + at;
            at += bytes;
            for (size_t r = 0; r < repeat; ++r)
            {
                if (written == count)
                {
                    return false;
                }
                uint8_t* o = out->data() + written * bytes;
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
                if (bytes == 4)
                {
                    o[3] = p[3];
                }
                ++written;
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
    const bool referenceOk = DecodeSlowly(data, size, header, &reference);
    Require(referenceOk == (result == TGA_OK));
    if (result == TGA_OK)
    {
        Require(memcmp(image.pixels, reference.data(), image.pixelBytes) == 0);
    }
    FreeTgaPixels(&image);

    // Into a caller's buffer with a guard after it.
    const size_t guard = 32;
    std::vector<uint8_t> buffer(header.pixelBytes + guard, 0xAB);
    Require(UnpackTga(data, size, header, buffer.data()) == result);
    for (size_t i = header.pixelBytes; i < buffer.size(); ++i)
    {
        Require(buffer[i] == 0xAB);
    }
    return 0;
}
