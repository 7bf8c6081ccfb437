// The TGA decoder on its own, built natively under ASan and UBSan: header
// checks, packet limits, damaged data, the shipped textures, and images
// written by ImageMagick compared with the pixels ImageMagick reads back.
#include "render/tga.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <memory>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

static const uint8_t FILL = 0xAB; // pre-fill of every output buffer
static const size_t GUARD = 64;   // bytes after the image that must stay FILL

static Bytes TgaHeader(uint8_t type, uint32_t width, uint32_t height, uint8_t bits,
                       uint8_t descriptor = 0x08)
{
    Bytes h(TGA_HEADER_SIZE, 0);
    h[2] = type;
    h[12] = (uint8_t)(width & 0xFF);
    h[13] = (uint8_t)(width >> 8);
    h[14] = (uint8_t)(height & 0xFF);
    h[15] = (uint8_t)(height >> 8);
    h[16] = bits;
    h[17] = descriptor;
    return h;
}

static Bytes Join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

static Bytes Repeat(const Bytes& unit, size_t times)
{
    Bytes out;
    for (size_t i = 0; i < times; ++i)
    {
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

// Decodes through the two-step interface into a pre-filled buffer with a
// guard after it, so both unwritten pixels and overruns show.
struct Decoded
{
    TgaResult result;
    TgaImage image;
    Bytes pixels; // image.pixelBytes + GUARD bytes
};

static Decoded DecodeIntoFilled(const Bytes& file)
{
    Decoded d = {};
    // An exactly sized heap copy: ASan sees any read past the end.
    std::unique_ptr<uint8_t[]> data(new uint8_t[file.size() ? file.size() : 1]);
    if (!file.empty())
    {
        memcpy(data.get(), file.data(), file.size());
    }
    d.result = ReadTgaHeader(data.get(), file.size(), &d.image);
    if (d.result != TGA_OK)
    {
        return d;
    }
    d.pixels.assign(d.image.pixelBytes + GUARD, FILL);
    d.result = UnpackTga(data.get(), file.size(), d.image, d.pixels.data());
    return d;
}

static bool GuardIntact(const Decoded& d)
{
    for (size_t i = d.image.pixelBytes; i < d.pixels.size(); ++i)
    {
        if (d.pixels[i] != FILL)
        {
            return false;
        }
    }
    return true;
}

static Bytes ImageBytes(const Decoded& d)
{
    return Bytes(d.pixels.begin(), d.pixels.begin() + d.image.pixelBytes);
}

static bool ReadFileBytes(const std::string& path, Bytes* out)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
    {
        return false;
    }
    uint8_t buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
    {
        out->insert(out->end(), buffer, buffer + got);
    }
    fclose(f);
    return true;
}

// ---- Header ----------------------------------------------------------------

struct HeaderCase
{
    const char* what;
    Bytes file;
    TgaResult expected;
};

static Bytes WithByte(Bytes b, size_t at, uint8_t value)
{
    b[at] = value;
    return b;
}

TEST(TgaHeader, AcceptsOnlyTheTwoPatternsAndSaneInfo)
{
    const Bytes rle = Join(TgaHeader(10, 1, 1, 32), {0x80, 1, 2, 3, 4});
    const Bytes raw = Join(TgaHeader(2, 1, 1, 24), {1, 2, 3});
    const HeaderCase cases[] = {
        {"valid type 10", rle, TGA_OK},
        {"valid type 2", raw, TGA_OK},
        {"descriptor byte is not read", WithByte(rle, 17, 0xFF), TGA_OK},
        {"no bytes", {}, TGA_NO_DATA},
        {"image ID length 1", WithByte(rle, 0, 1), TGA_BAD_TYPE},
        {"colour-map type 1", WithByte(rle, 1, 1), TGA_BAD_TYPE},
        {"type 1 (colour mapped)", WithByte(rle, 2, 1), TGA_BAD_TYPE},
        {"type 3 (grey)", WithByte(rle, 2, 3), TGA_BAD_TYPE},
        {"type 11 (run-length grey)", WithByte(rle, 2, 11), TGA_BAD_TYPE},
        {"colour-map length", WithByte(rle, 5, 1), TGA_BAD_TYPE},
        {"colour-map entry size", WithByte(rle, 7, 24), TGA_BAD_TYPE},
        {"x origin", WithByte(rle, 8, 1), TGA_BAD_TYPE},
        {"y origin high byte", WithByte(rle, 11, 1), TGA_BAD_TYPE},
        {"width 0", Join(TgaHeader(10, 0, 1, 32), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"height 0", Join(TgaHeader(10, 1, 0, 32), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"16 bits per pixel", Join(TgaHeader(10, 1, 1, 16), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"8 bits per pixel", Join(TgaHeader(10, 1, 1, 8), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"33 bits per pixel", Join(TgaHeader(10, 1, 1, 33), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"type 2 with width 0", Join(TgaHeader(2, 0, 1, 24), {1, 2, 3}), TGA_BAD_INFO},
        {"foreign 5 bytes", {'h', 'e', 'l', 'l', 'o'}, TGA_BAD_TYPE},
        {"type 10 cut to 5 bytes", Bytes(rle.begin(), rle.begin() + 5), TGA_INCOMPLETE},
        {"type 10 cut to 17 bytes", Bytes(rle.begin(), rle.begin() + 17), TGA_INCOMPLETE},
        {"header only", TgaHeader(10, 1, 1, 32), TGA_INCOMPLETE},
        {"largest size, no pixels", TgaHeader(10, 65535, 65535, 32), TGA_INCOMPLETE},
        {"largest size, too few packets for it",
         Join(TgaHeader(10, 65535, 65535, 32), Repeat({0xFF, 1, 2, 3, 4}, 1000)), TGA_INCOMPLETE},
        {"type 2 one byte short", Join(TgaHeader(2, 2, 1, 24), {1, 2, 3, 4, 5}), TGA_INCOMPLETE},
    };
    for (const HeaderCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        TgaImage image = {};
        image.pixels = &image.type; // must come back null
        const uint8_t* data = c.file.empty() ? nullptr : c.file.data();
        EXPECT_EQ(c.expected, DecodeTgaImage(data, c.file.size(), &image));
        EXPECT_EQ(c.expected == TGA_OK, image.pixels != nullptr);
        FreeTgaPixels(&image);
        // The same verdict through the two-step interface.
        EXPECT_EQ(c.expected, DecodeIntoFilled(c.file).result);
    }
}

TEST(TgaHeader, NullDataIsNoData)
{
    TgaImage image = {};
    EXPECT_EQ(TGA_NO_DATA, DecodeTgaImage(nullptr, 100, &image));
    EXPECT_EQ(nullptr, image.pixels);
}

TEST(TgaHeader, ReportsSizeTypeAndBufferSize)
{
    const Bytes file = Join(TgaHeader(10, 300, 2, 24), Repeat({0xFF, 1, 2, 3}, 5));
    TgaImage image = {};
    ASSERT_EQ(TGA_OK, ReadTgaHeader(file.data(), file.size(), &image));
    EXPECT_EQ(300u, image.width);
    EXPECT_EQ(2u, image.height);
    EXPECT_EQ(24u, image.bitsPerPixel);
    EXPECT_EQ(10, image.type);
    EXPECT_EQ(300u * 2 * 3, image.pixelBytes);
    EXPECT_EQ(nullptr, image.pixels);
}

// ---- Packets ---------------------------------------------------------------

struct PacketCase
{
    const char* what;
    uint32_t width, height;
    uint8_t bits;
    Bytes packets;
    TgaResult expected;
    Bytes pixels; // expected output when TGA_OK
};

TEST(TgaPackets, DecodeAtTheirLimitsAndFailPastThem)
{
    const PacketCase cases[] = {
        // Stored B,G,R,A comes out R,G,B,A; B,G,R comes out R,G,B.
        {"32-bit run of 1 (0x80)",
         1,
         1,
         32,
         {0x80, 0x10, 0x20, 0x30, 0x40},
         TGA_OK,
         {0x30, 0x20, 0x10, 0x40}},
        {"24-bit run of 1 (0x80)", 1, 1, 24, {0x80, 0x10, 0x20, 0x30}, TGA_OK, {0x30, 0x20, 0x10}},
        {"32-bit raw of 1 (0x00)",
         1,
         1,
         32,
         {0x00, 0x10, 0x20, 0x30, 0x40},
         TGA_OK,
         {0x30, 0x20, 0x10, 0x40}},
        {"24-bit raw of 2", 2, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}, TGA_OK, {3, 2, 1, 6, 5, 4}},
        {"32-bit alpha 0 is kept", 1, 1, 32, {0x80, 9, 8, 7, 0}, TGA_OK, {7, 8, 9, 0}},
        {"run crossing rows",
         3,
         2,
         32,
         {0x84, 1, 2, 3, 4, 0x00, 5, 6, 7, 8},
         TGA_OK,
         Join(Repeat({3, 2, 1, 4}, 5), {7, 6, 5, 8})},
        {"raw crossing rows",
         2,
         2,
         24,
         {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x80, 10, 11, 12},
         TGA_OK,
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}},
        {"run one pixel too many", 2, 2, 32, {0x84, 1, 2, 3, 4}, TGA_TOO_MANY_PIXELS, {}},
        {"raw one pixel too many", 1, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}, TGA_TOO_MANY_PIXELS, {}},
        {"second packet too many",
         2,
         1,
         32,
         {0x80, 1, 2, 3, 4, 0x81, 1, 2, 3, 4},
         TGA_TOO_MANY_PIXELS,
         {}},
        {"128-run into 127 pixels", 127, 1, 32, {0xFF, 1, 2, 3, 4}, TGA_TOO_MANY_PIXELS, {}},
        {"bytes after the last packet are not read",
         1,
         1,
         24,
         {0x80, 1, 2, 3, 0xFF, 0xFF},
         TGA_OK,
         {3, 2, 1}},
        {"packets end early", 2, 1, 32, {0x80, 1, 2, 3, 4}, TGA_INCOMPLETE, {}},
        {"packets end early after several",
         300,
         1,
         24,
         Repeat({0x80, 1, 2, 3}, 3),
         TGA_INCOMPLETE,
         {}},
        {"run pixel cut short", 2, 1, 32, {0x80, 1, 2, 3, 4, 0x80, 1, 2}, TGA_INCOMPLETE, {}},
        {"raw pixels cut short", 3, 1, 24, {0x02, 1, 2, 3, 4, 5, 6, 7, 8}, TGA_INCOMPLETE, {}},
        {"too short for the fewest packets",
         300,
         1,
         24,
         Repeat({0x80, 1, 2, 3}, 2),
         TGA_INCOMPLETE,
         {}},
    };
    for (const PacketCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Decoded d =
            DecodeIntoFilled(Join(TgaHeader(10, c.width, c.height, c.bits), c.packets));
        EXPECT_EQ(c.expected, d.result);
        if (d.result == TGA_OK && c.expected == TGA_OK)
        {
            EXPECT_EQ(c.pixels, ImageBytes(d));
        }
        EXPECT_TRUE(GuardIntact(d));
    }
}

TEST(TgaPackets, RunAndRawHold128PixelsAtMost)
{
    struct LimitCase
    {
        const char* what;
        uint8_t bits;
        Bytes packets;
    };
    const LimitCase cases[] = {
        {"32-bit run 0xFF", 32, {0xFF, 1, 2, 3, 4}},
        {"24-bit run 0xFF", 24, {0xFF, 1, 2, 3}},
        {"32-bit raw 0x7F", 32, Join({0x7F}, Repeat({1, 2, 3, 4}, 128))},
        {"24-bit raw 0x7F", 24, Join({0x7F}, Repeat({1, 2, 3}, 128))},
    };
    for (const LimitCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Bytes pixel = c.bits == 32 ? Bytes{3, 2, 1, 4} : Bytes{3, 2, 1};
        // Exactly fills 128 pixels; 129 are one packet short; 127 are one pixel too few.
        Decoded d = DecodeIntoFilled(Join(TgaHeader(10, 128, 1, c.bits), c.packets));
        EXPECT_EQ(TGA_OK, d.result);
        EXPECT_EQ(Repeat(pixel, 128), ImageBytes(d));
        EXPECT_TRUE(GuardIntact(d));
        d = DecodeIntoFilled(Join(TgaHeader(10, 129, 1, c.bits), Join(c.packets, c.packets)));
        EXPECT_EQ(TGA_TOO_MANY_PIXELS, d.result);
        EXPECT_TRUE(GuardIntact(d));
        d = DecodeIntoFilled(Join(TgaHeader(10, 127, 1, c.bits), c.packets));
        EXPECT_EQ(TGA_TOO_MANY_PIXELS, d.result);
        EXPECT_TRUE(GuardIntact(d));
    }
}

TEST(TgaPackets, Type2IsDecodedLikeType10)
{
    const Decoded raw24 = DecodeIntoFilled(Join(TgaHeader(2, 2, 1, 24), {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(TGA_OK, raw24.result);
    EXPECT_EQ((Bytes{3, 2, 1, 6, 5, 4}), ImageBytes(raw24));
    EXPECT_TRUE(GuardIntact(raw24));
    const Decoded rle24 = DecodeIntoFilled(Join(TgaHeader(10, 2, 1, 24), {1, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ImageBytes(raw24), ImageBytes(rle24));
    const Decoded raw32 = DecodeIntoFilled(Join(TgaHeader(2, 1, 2, 32), {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(TGA_OK, raw32.result);
    EXPECT_EQ((Bytes{3, 2, 1, 4, 7, 6, 5, 8}), ImageBytes(raw32));
    EXPECT_TRUE(GuardIntact(raw32));
}

// ---- Damaged files ----------------------------------------------------------

TEST(TgaDamage, EveryTruncationFailsCleanly)
{
    Bytes small;
    ASSERT_TRUE(ReadFileBytes(SOLMIR_TGA_VECTORS "/rle32_plasma.tga", &small));
    const Bytes files[] = {
        small,
        Join(TgaHeader(10, 5, 3, 24),
             {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 1, 2, 3, 0x87, 9, 9, 9}),
        Join(TgaHeader(2, 3, 2, 32), Repeat({1, 2, 3, 4}, 6)),
    };
    for (const Bytes& file : files)
    {
        ASSERT_EQ(TGA_OK, DecodeIntoFilled(file).result);
        for (size_t size = 0; size < file.size(); ++size)
        {
            SCOPED_TRACE("cut to " + std::to_string(size) + " of " + std::to_string(file.size()));
            const Bytes cut(file.begin(), file.begin() + size);
            const Decoded d = DecodeIntoFilled(cut);
            EXPECT_EQ(size == 0 ? TGA_NO_DATA : TGA_INCOMPLETE, d.result);
            EXPECT_TRUE(GuardIntact(d));
            TgaImage image = {};
            EXPECT_EQ(d.result, DecodeTgaImage(cut.empty() ? nullptr : cut.data(), size, &image));
            EXPECT_EQ(nullptr, image.pixels);
        }
    }
}

TEST(TgaDamage, CorruptPacketHeadersNeverOverrun)
{
    // Every byte of a small image replaced by each packet header value.
    const Bytes file =
        Join(TgaHeader(10, 4, 3, 32), {0x82, 1,  2,    3,  4,  0x01, 5,  6,    7,  8,  9,  10,
                                       11,   12, 0x86, 13, 14, 15,   16, 0x00, 17, 18, 19, 20});
    ASSERT_EQ(TGA_OK, DecodeIntoFilled(file).result);
    for (size_t at = TGA_HEADER_SIZE; at < file.size(); ++at)
    {
        for (unsigned value = 0; value < 256; ++value)
        {
            const Decoded d = DecodeIntoFilled(WithByte(file, at, (uint8_t)value));
            ASSERT_TRUE(GuardIntact(d)) << "byte " << at << " = " << value;
            TgaImage image = {};
            const Bytes changed = WithByte(file, at, (uint8_t)value);
            ASSERT_EQ(d.result, DecodeTgaImage(changed.data(), changed.size(), &image));
            ASSERT_EQ(d.result == TGA_OK, image.pixels != nullptr);
            FreeTgaPixels(&image);
        }
    }
}

// ---- The program's textures -------------------------------------------------

TEST(TgaShipped, TexturesDecodeToTheirSizes)
{
    struct Shipped
    {
        const char* file;
        uint32_t width, height;
    };
    const Shipped textures[] = {
        {"ring.tga", 984, 525},
        {"cylinder.tga", 2048, 128},
    };
    for (const Shipped& t : textures)
    {
        SCOPED_TRACE(t.file);
        Bytes file;
        ASSERT_TRUE(ReadFileBytes(std::string(SOLMIR_SOURCE_DIR "/resources/") + t.file, &file));
        const Decoded d = DecodeIntoFilled(file);
        EXPECT_EQ(TGA_OK, d.result);
        EXPECT_EQ(10, d.image.type);
        EXPECT_EQ(t.width, d.image.width);
        EXPECT_EQ(t.height, d.image.height);
        EXPECT_EQ(32u, d.image.bitsPerPixel);
        EXPECT_EQ((size_t)t.width * t.height * 4, d.image.pixelBytes);
        EXPECT_TRUE(GuardIntact(d));
    }
}

// ---- ImageMagick's images ----------------------------------------------------
// Made by vectors/make_vectors.sh. The ImageMagick that wrote them reads TGA
// rows in stored order whatever the descriptor says (the script checks
// this), as the decoder does, so the read-back is compared as it is.

TEST(TgaImageMagick, DecodesTheSamePixelsImageMagickReads)
{
    const char* names[] = {"rle24_plasma",  "rle32_plasma", "rle32_shapes", "rle24_bands",
                           "rle32_topleft", "raw24_plasma", "raw32_plasma"};
    for (const char* name : names)
    {
        SCOPED_TRACE(name);
        const std::string base = std::string(SOLMIR_TGA_VECTORS "/") + name;
        Bytes file, reference;
        ASSERT_TRUE(ReadFileBytes(base + ".tga", &file));
        const Decoded d = DecodeIntoFilled(file);
        ASSERT_EQ(TGA_OK, d.result);
        const size_t bytes = d.image.bitsPerPixel / 8;
        ASSERT_TRUE(ReadFileBytes(base + (bytes == 4 ? ".rgba" : ".rgb"), &reference));
        ASSERT_EQ(d.image.pixelBytes, reference.size());
        EXPECT_EQ(name[1] == 'l' ? 10 : 2, d.image.type);
        EXPECT_TRUE(ImageBytes(d) == reference);
        EXPECT_TRUE(GuardIntact(d));
    }
}
