// TGA decoding: header check, then one pass over the packets straight into
// the pixel buffer. Every read is checked against the end of the data and
// every write against the end of the image, so a damaged resource fails with
// a result code instead of reading or writing past either buffer.
#include "render/tga.h"

#include <stdlib.h>
#include <string.h>

namespace
{

const uint8_t kTgaRlePattern[kTgaPatternSize] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kTgaRawPattern[kTgaPatternSize] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

} // namespace

TgaResult ReadTgaHeader(const uint8_t* data, size_t size, TgaImage* image)
{
    *image = {};
    if (data == nullptr || size == 0)
    {
        return TGA_NO_DATA;
    }
    // A short resource is judged on the bytes it has: a foreign file is the
    // wrong type, a cut-off TGA is incomplete.
    const size_t patternBytes = size < kTgaPatternSize ? size : kTgaPatternSize;
    if (memcmp(data, kTgaRlePattern, patternBytes) == 0)
    {
        image->type = 10;
    }
    else if (memcmp(data, kTgaRawPattern, patternBytes) == 0)
    {
        image->type = 2;
    }
    else
    {
        return TGA_BAD_TYPE;
    }
    if (size < kTgaHeaderSize)
    {
        return TGA_INCOMPLETE;
    }

    const uint8_t* p = data + kTgaPatternSize;
    image->width = p[0] + 256u * p[1];
    image->height = p[2] + 256u * p[3];
    image->bitsPerPixel = p[4];
    if (image->width == 0 || image->height == 0 ||
        (image->bitsPerPixel != 24 && image->bitsPerPixel != 32))
    {
        return TGA_BAD_INFO;
    }

    // Both sides are at most 65535, so the counts fit 64 bits whatever size_t is.
    const uint64_t pixelCount = static_cast<uint64_t>(image->width) * image->height;
    const uint64_t bytesPerPixel = image->bitsPerPixel / 8;
    // Type 2 stores every pixel. A type-10 packet stands for at most 128
    // pixels, so data shorter than the fewest packets that could describe the
    // image cannot be complete; this also keeps a forged header from
    // allocating more than about a hundred times the size of the data.
    const uint64_t fewestBytes = image->type == 2 ? pixelCount * bytesPerPixel
                                                  : (pixelCount + 127) / 128 * (1 + bytesPerPixel);
    if (size - kTgaHeaderSize < fewestBytes)
    {
        return TGA_INCOMPLETE;
    }
    const uint64_t pixelBytes = pixelCount * bytesPerPixel;
    if (pixelBytes > static_cast<uint64_t>(SIZE_MAX))
    {
        return TGA_NO_MEMORY;
    }
    image->pixelBytes = static_cast<size_t>(pixelBytes);
    return TGA_OK;
}

namespace
{

// Stored pixels are B,G,R(,A); the output is R,G,B(,A).
template <size_t BYTES> void SwapTgaPixels(const uint8_t* in, uint8_t* out, size_t bytes)
{
    for (size_t i = 0; i < bytes; i += BYTES)
    {
        out[i] = in[i + 2];
        out[i + 1] = in[i + 1];
        out[i + 2] = in[i];
        if (BYTES == 4)
        {
            out[i + BYTES - 1] = in[i + BYTES - 1];
        }
    }
}

// The packet loop, one copy per pixel size so that the inner loops have a
// constant stride and no per-pixel branches or calls.
template <size_t BYTES>
TgaResult UnpackTgaPackets(const uint8_t* in, const uint8_t* inEnd, uint8_t* out, uint8_t* outEnd)
{
    while (out != outEnd)
    {
        if (in == inEnd)
        {
            return TGA_INCOMPLETE;
        }
        const unsigned header = *in++;
        const size_t count = (header & 0x7Fu) + 1;
        const size_t bytes = count * BYTES;
        if (bytes > static_cast<size_t>(outEnd - out))
        {
            return TGA_TOO_MANY_PIXELS;
        }
        if (header & 0x80u)
        {
            // Run packet: one stored pixel stands for count pixels.
            if (static_cast<size_t>(inEnd - in) < BYTES)
            {
                return TGA_INCOMPLETE;
            }
            uint8_t pixel[4] = {in[2], in[1], in[0], in[BYTES - 1]};
            in += BYTES;
            for (size_t i = 0; i < bytes; i += BYTES)
            {
                memcpy(out + i, pixel, BYTES);
            }
        }
        else
        {
            // Raw packet: count stored pixels follow.
            if (static_cast<size_t>(inEnd - in) < bytes)
            {
                return TGA_INCOMPLETE;
            }
            SwapTgaPixels<BYTES>(in, out, bytes);
            in += bytes;
        }
        out += bytes;
    }
    return TGA_OK;
}

} // namespace

TgaResult DecodeTgaRle(const uint8_t* in, const uint8_t* inEnd, const TgaImage& image,
                       uint8_t* pixels)
{
    if (image.bitsPerPixel == 32)
    {
        return UnpackTgaPackets<4>(in, inEnd, pixels, pixels + image.pixelBytes);
    }
    return UnpackTgaPackets<3>(in, inEnd, pixels, pixels + image.pixelBytes);
}

TgaResult DecodeTgaRaw(const uint8_t* in, const uint8_t* inEnd, const TgaImage& image,
                       uint8_t* pixels)
{
    if (static_cast<size_t>(inEnd - in) < image.pixelBytes)
    {
        return TGA_INCOMPLETE;
    }
    if (image.bitsPerPixel == 32)
    {
        SwapTgaPixels<4>(in, pixels, image.pixelBytes);
    }
    else
    {
        SwapTgaPixels<3>(in, pixels, image.pixelBytes);
    }
    return TGA_OK;
}

TgaResult UnpackTga(const uint8_t* data, size_t size, const TgaImage& image, uint8_t* pixels)
{
    const uint8_t* in = data + kTgaHeaderSize;
    const uint8_t* inEnd = data + size;
    if (image.type == 2)
    {
        return DecodeTgaRaw(in, inEnd, image, pixels);
    }
    return DecodeTgaRle(in, inEnd, image, pixels);
}

TgaResult DecodeTgaImage(const uint8_t* data, size_t size, TgaImage* image)
{
    TgaResult result = ReadTgaHeader(data, size, image);
    if (result != TGA_OK)
    {
        return result;
    }
    image->pixels = static_cast<uint8_t*>(malloc(image->pixelBytes));
    if (image->pixels == nullptr)
    {
        return TGA_NO_MEMORY;
    }
    result = UnpackTga(data, size, *image, image->pixels);
    if (result != TGA_OK)
    {
        FreeTgaPixels(image);
    }
    return result;
}

void FreeTgaPixels(TgaImage* image)
{
    free(image->pixels);
    image->pixels = nullptr;
}
