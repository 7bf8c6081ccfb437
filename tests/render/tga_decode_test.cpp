// The TGA decoder built natively under ASan and UBSan: each refusal, damaged data, and each pixel
// format in images ImageMagick wrote and read back. Truncated and corrupted bytes of every kind
// are the fuzz target's.
#include "render/tga.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

static const size_t GUARD = 64; // bytes after the image that must keep their pre-fill

// "80 1f 2" gives {0x80, 0x1F, 0x02}: keeps a table row on one line.
static Bytes Hex(const char* text)
{
    Bytes out;
    for (char* end = nullptr;; text = end)
    {
        const unsigned long value = strtoul(text, &end, 16);
        if (end == text)
        {
            return out;
        }
        out.push_back((uint8_t)value);
    }
}

static Bytes Tga(uint8_t type, uint32_t width, uint32_t height, uint8_t bits, const char* data)
{
    Bytes h(kTgaHeaderSize, 0);
    h[2] = type;
    h[12] = (uint8_t)(width & 0xFF);
    h[13] = (uint8_t)(width >> 8);
    h[14] = (uint8_t)(height & 0xFF);
    h[15] = (uint8_t)(height >> 8);
    h[16] = bits;
    h[17] = 0x08;
    const Bytes tail = Hex(data);
    h.insert(h.end(), tail.begin(), tail.end());
    return h;
}

static Bytes WithByte(Bytes b, size_t at, uint8_t value)
{
    b[at] = value;
    return b;
}

static Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Decoded
{
    TgaResult result;
    TgaImage image;
    Bytes pixels;     // the image.pixelBytes written
    bool guardIntact; // nothing written past them
};

// Decodes through both interfaces; the two-step one into a pre-filled buffer
// with a guard after it, so both unwritten pixels and overruns show.
static Decoded DecodeIntoFilled(const Bytes& file)
{
    Decoded d = {};
    d.guardIntact = true;
    // An exactly sized heap copy: ASan sees any read past the end.
    std::unique_ptr<uint8_t[]> data(new uint8_t[file.size() ? file.size() : 1]);
    if (!file.empty())
    {
        memcpy(data.get(), file.data(), file.size());
    }
    const uint8_t* bytes = file.empty() ? nullptr : data.get();
    TgaImage whole = {};
    const TgaResult wholeResult = DecodeTgaImage(bytes, file.size(), &whole);
    EXPECT_EQ(wholeResult == TGA_OK, whole.pixels != nullptr);
    FreeTgaPixels(&whole);
    d.result = ReadTgaHeader(bytes, file.size(), &d.image);
    if (d.result == TGA_OK)
    {
        Bytes buffer(d.image.pixelBytes + GUARD, 0xAB);
        d.result = UnpackTga(bytes, file.size(), d.image, buffer.data());
        d.pixels.assign(buffer.begin(), buffer.begin() + d.image.pixelBytes);
        d.guardIntact =
            Bytes(buffer.begin() + d.image.pixelBytes, buffer.end()) == Bytes(GUARD, 0xAB);
    }
    EXPECT_EQ(wholeResult, d.result) << "the two interfaces disagree";
    return d;
}

TEST(TgaDecode, EachRefusalAndDamage)
{
    struct Case
    {
        const char* what;
        Bytes file;
        TgaResult expected;
        const char* pixels; // hex, compared when given
    };
    const Bytes rle = Tga(10, 1, 1, 32, "80 10 20 30 40");
    // Stored B,G,R,A comes out R,G,B,A; the other formats are the ImageMagick images'.
    const Case cases[] = {
        {"32-bit run, descriptor not read", WithByte(rle, 17, 0xFF), TGA_OK, "30 20 10 40"},
        {"a run holds 128", Tga(10, 128, 1, 24, "ff 1 2 3"), TGA_OK, nullptr},
        {"no bytes", {}, TGA_NO_DATA, nullptr},
        {"image ID present", WithByte(rle, 0, 1), TGA_BAD_TYPE, nullptr},
        {"type 3 (grey)", WithByte(rle, 2, 3), TGA_BAD_TYPE, nullptr},
        {"width 0", Tga(10, 0, 1, 32, "80 1 2 3 4"), TGA_BAD_INFO, nullptr},
        {"16 bits per pixel", Tga(10, 1, 1, 16, "80 1 2"), TGA_BAD_INFO, nullptr},
        {"header only", Tga(10, 1, 1, 32, ""), TGA_INCOMPLETE, nullptr},
        {"largest size, no pixels", Tga(10, 65535, 65535, 32, ""), TGA_INCOMPLETE, nullptr},
        {"packets end early", Tga(10, 2, 1, 32, "80 1 2 3 4"), TGA_INCOMPLETE, nullptr},
        {"type 2 one byte short", Tga(2, 2, 1, 24, "1 2 3 4 5"), TGA_INCOMPLETE, nullptr},
        {"run past the image", Tga(10, 127, 1, 24, "ff 1 2 3"), TGA_TOO_MANY_PIXELS, nullptr},
        {"raw past the image", Tga(10, 1, 1, 24, "1 1 2 3 4 5 6"), TGA_TOO_MANY_PIXELS, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Decoded d = DecodeIntoFilled(c.file);
        EXPECT_EQ(c.expected, d.result);
        if (c.pixels)
        {
            EXPECT_EQ(Hex(c.pixels), d.pixels);
        }
        EXPECT_TRUE(d.guardIntact);
    }
    TgaImage image = {};
    EXPECT_EQ(TGA_NO_DATA, DecodeTgaImage(nullptr, 100, &image)) << "null data with a size";
}

// Made by vectors/make_vectors.sh; that ImageMagick, like the decoder, reads
// rows in stored order whatever the descriptor says (the script checks it).
TEST(TgaDecode, SamePixelsImageMagickReads)
{
    for (const char* name : {"rle24_plasma", "rle32_plasma", "rle32_shapes", "rle24_bands",
                             "rle32_topleft", "raw24_plasma", "raw32_plasma"})
    {
        SCOPED_TRACE(name);
        const std::string base = std::string(SOLMIR_TGA_VECTORS "/") + name;
        const Decoded d = DecodeIntoFilled(ReadFileBytes(base + ".tga"));
        ASSERT_EQ(TGA_OK, d.result);
        const Bytes reference =
            ReadFileBytes(base + (d.image.bitsPerPixel == 32 ? ".rgba" : ".rgb"));
        EXPECT_EQ(name[1] == 'l' ? 10 : 2, d.image.type);
        EXPECT_TRUE(d.pixels == reference);
    }
}
