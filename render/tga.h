// TGA decoding without any platform calls: (bytes, size) in, a result code
// and an R,G,B(,A) image out. The textures are resources of the program, but
// the decoder treats them as untrusted bytes, so it also builds natively for
// the sanitizer tests, the fuzzer and the benchmark.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Why a decode failed; DecodeTga (textures.cpp) turns each into its message box.
enum TgaResult
{
    TGA_OK,
    TGA_NO_DATA,         // no bytes at all
    TGA_BAD_TYPE,        // the first 12 bytes are neither the type-10 nor the type-2 pattern
    TGA_BAD_INFO,        // width or height 0, or bits per pixel not 24 or 32
    TGA_NO_MEMORY,       // the pixel buffer could not be allocated
    TGA_TOO_MANY_PIXELS, // a packet runs past width x height pixels
    TGA_INCOMPLETE       // the data end before the header or before the last pixel
};

struct TgaImage
{
    uint8_t* pixels;       // rows in stored order, R,G,B(,A); null unless a decode succeeded
    uint32_t width;        // pixels per row
    uint32_t height;       // rows
    uint32_t bitsPerPixel; // 24 or 32
    uint8_t type;          // 10 run-length encoded, 2 raw
    size_t pixelBytes;     // width x height x bytes per pixel: the size of pixels
};

// Header sizes: the 12 bytes compared as one block, then width, height,
// bits per pixel and the descriptor, then the pixel data.
const size_t kTgaPatternSize = 12;
const size_t kTgaHeaderSize = 18;

// Checks the header and decodes into a new buffer in image->pixels, released
// with FreeTgaPixels. On any failure image->pixels is null.
TgaResult DecodeTgaImage(const uint8_t* data, size_t size, TgaImage* image);

// Checks the header and fills everything of image but pixels. Refuses data
// too short to hold the image it announces, before anything is allocated.
TgaResult ReadTgaHeader(const uint8_t* data, size_t size, TgaImage* image);

// Decodes the pixel data of an image whose header ReadTgaHeader accepted
// into the caller's buffer of image.pixelBytes bytes. Never writes past it,
// never reads past data + size; on failure the buffer is partly written.
TgaResult UnpackTga(const uint8_t* data, size_t size, const TgaImage& image, uint8_t* pixels);

// The type-10 packets and the type-2 pixels: in points at the first byte
// after the header, inEnd at the end of the data.
TgaResult DecodeTgaRle(const uint8_t* in, const uint8_t* inEnd, const TgaImage& image,
                       uint8_t* pixels);
TgaResult DecodeTgaRaw(const uint8_t* in, const uint8_t* inEnd, const TgaImage& image,
                       uint8_t* pixels);

// Releases the pixel buffer of a decoded image; safe on an empty image.
void FreeTgaPixels(TgaImage* image);
