// The TGA decoder on its own, built natively under ASan and UBSan: header
// checks, packet limits, damaged data, the shipped textures, and images
// written by ImageMagick compared with the pixels ImageMagick reads back.
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

static const uint8_t FILL = 0xAB; // pre-fill of every output buffer
static const size_t GUARD = 64;   // bytes after the image that must stay FILL

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

static Bytes TgaHeader(uint8_t type, uint32_t width, uint32_t height, uint8_t bits)
{
    Bytes h(TGA_HEADER_SIZE, 0);
    h[2] = type;
    h[12] = (uint8_t)(width & 0xFF);
    h[13] = (uint8_t)(width >> 8);
    h[14] = (uint8_t)(height & 0xFF);
    h[15] = (uint8_t)(height >> 8);
    h[16] = bits;
    h[17] = 0x08;
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
        out = Join(out, unit);
    }
    return out;
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

// Decodes through the two-step interface into a pre-filled buffer with a
// guard after it, so both unwritten pixels and overruns show.
struct Decoded
{
    TgaResult result;
    TgaImage image;
    Bytes pixels;     // the image.pixelBytes written
    bool guardIntact; // nothing written past them
};

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
    d.result = ReadTgaHeader(data.get(), file.size(), &d.image);
    if (d.result != TGA_OK)
    {
        return d;
    }
    Bytes buffer(d.image.pixelBytes + GUARD, FILL);
    d.result = UnpackTga(data.get(), file.size(), d.image, buffer.data());
    d.pixels.assign(buffer.begin(), buffer.begin() + d.image.pixelBytes);
    d.guardIntact = Bytes(buffer.begin() + d.image.pixelBytes, buffer.end()) == Bytes(GUARD, FILL);
    return d;
}

TEST(TgaHeader, AcceptsOnlyTheTwoPatternsAndSaneInfo)
{
    struct Case
    {
        const char* what;
        Bytes file;
        TgaResult expected;
    };
    const Bytes rle = Join(TgaHeader(10, 1, 1, 32), {0x80, 1, 2, 3, 4});
    const Bytes raw = Join(TgaHeader(2, 1, 1, 24), {1, 2, 3});
    const Case cases[] = {
        {"valid type 10", rle, TGA_OK},
        {"valid type 2", raw, TGA_OK},
        {"descriptor byte is not read", WithByte(rle, 17, 0xFF), TGA_OK},
        {"no bytes", {}, TGA_NO_DATA},
        {"image ID length 1", WithByte(rle, 0, 1), TGA_BAD_TYPE},
        {"colour-map type 1", WithByte(rle, 1, 1), TGA_BAD_TYPE},
        {"type 1 (colour mapped)", WithByte(rle, 2, 1), TGA_BAD_TYPE},
        {"type 3 (grey)", WithByte(rle, 2, 3), TGA_BAD_TYPE},
        {"type 11 (run-length grey)", WithByte(rle, 2, 11), TGA_BAD_TYPE},
        {"colour-map entry size", WithByte(rle, 7, 24), TGA_BAD_TYPE},
        {"y origin high byte", WithByte(rle, 11, 1), TGA_BAD_TYPE},
        {"width 0", Join(TgaHeader(10, 0, 1, 32), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"height 0", Join(TgaHeader(10, 1, 0, 32), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"16 bits per pixel", Join(TgaHeader(10, 1, 1, 16), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"33 bits per pixel", Join(TgaHeader(10, 1, 1, 33), {0x80, 1, 2, 3, 4}), TGA_BAD_INFO},
        {"type 2 with width 0", Join(TgaHeader(2, 0, 1, 24), {1, 2, 3}), TGA_BAD_INFO},
        {"foreign 5 bytes", {'h', 'e', 'l', 'l', 'o'}, TGA_BAD_TYPE},
        {"type 10 cut to 17 bytes", Bytes(rle.begin(), rle.begin() + 17), TGA_INCOMPLETE},
        {"header only", TgaHeader(10, 1, 1, 32), TGA_INCOMPLETE},
        {"largest size, no pixels", TgaHeader(10, 65535, 65535, 32), TGA_INCOMPLETE},
        {"largest size, too few packets for it",
         Join(TgaHeader(10, 65535, 65535, 32), Repeat({0xFF, 1, 2, 3, 4}, 1000)), TGA_INCOMPLETE},
        {"type 2 one byte short", Join(TgaHeader(2, 2, 1, 24), {1, 2, 3, 4, 5}), TGA_INCOMPLETE},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        TgaImage image = {};
        image.pixels = &image.type; // must come back null
        const uint8_t* data = c.file.empty() ? nullptr : c.file.data();
        EXPECT_EQ(c.expected, DecodeTgaImage(data, c.file.size(), &image));
        EXPECT_EQ(c.expected == TGA_OK, image.pixels != nullptr);
        FreeTgaPixels(&image);
        EXPECT_EQ(c.expected, DecodeIntoFilled(c.file).result) << "two-step interface";
    }
    TgaImage image = {};
    EXPECT_EQ(TGA_NO_DATA, DecodeTgaImage(nullptr, 100, &image)) << "null data with a size";
}

TEST(TgaPackets, DecodeAtTheirLimitsAndFailPastThem)
{
    struct Case
    {
        const char* what;
        uint8_t type;
        uint32_t width, height;
        uint8_t bits;
        const char* packets; // hex
        TgaResult expected;
        const char* pixels; // hex, when TGA_OK
    };
    // Stored B,G,R,A comes out R,G,B,A; B,G,R comes out R,G,B.
    const Case cases[] = {
        {"32-bit run of 1", 10, 1, 1, 32, "80 10 20 30 40", TGA_OK, "30 20 10 40"},
        {"24-bit run of 1", 10, 1, 1, 24, "80 10 20 30", TGA_OK, "30 20 10"},
        {"32-bit raw of 1", 10, 1, 1, 32, "0 10 20 30 40", TGA_OK, "30 20 10 40"},
        {"24-bit raw of 2", 10, 2, 1, 24, "1 1 2 3 4 5 6", TGA_OK, "3 2 1 6 5 4"},
        {"32-bit alpha 0 is kept", 10, 1, 1, 32, "80 9 8 7 0", TGA_OK, "7 8 9 0"},
        {"run crossing rows", 10, 3, 2, 32, "84 1 2 3 4 0 5 6 7 8", TGA_OK,
         "3 2 1 4 3 2 1 4 3 2 1 4 3 2 1 4 3 2 1 4 7 6 5 8"},
        {"raw crossing rows", 10, 2, 2, 24, "2 1 2 3 4 5 6 7 8 9 80 a b c", TGA_OK,
         "3 2 1 6 5 4 9 8 7 c b a"},
        {"bytes after the last packet are not read", 10, 1, 1, 24, "80 1 2 3 ff ff", TGA_OK,
         "3 2 1"},
        {"type 2, 24-bit", 2, 2, 1, 24, "1 2 3 4 5 6", TGA_OK, "3 2 1 6 5 4"},
        {"type 2, 32-bit over two rows", 2, 1, 2, 32, "1 2 3 4 5 6 7 8", TGA_OK, "3 2 1 4 7 6 5 8"},
        {"run one pixel too many", 10, 2, 2, 32, "84 1 2 3 4", TGA_TOO_MANY_PIXELS, ""},
        {"raw one pixel too many", 10, 1, 1, 24, "1 1 2 3 4 5 6", TGA_TOO_MANY_PIXELS, ""},
        {"second packet too many", 10, 2, 1, 32, "80 1 2 3 4 81 1 2 3 4", TGA_TOO_MANY_PIXELS, ""},
        {"packets end early", 10, 2, 1, 32, "80 1 2 3 4", TGA_INCOMPLETE, ""},
        {"run pixel cut short", 10, 2, 1, 32, "80 1 2 3 4 80 1 2", TGA_INCOMPLETE, ""},
        {"raw pixels cut short", 10, 3, 1, 24, "2 1 2 3 4 5 6 7 8", TGA_INCOMPLETE, ""},
        {"too short for the fewest packets", 10, 300, 1, 24, "80 1 2 3 80 1 2 3", TGA_INCOMPLETE,
         ""},
        {"packets end early after several", 10, 300, 1, 24, "80 1 2 3 80 1 2 3 80 1 2 3",
         TGA_INCOMPLETE, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Decoded d =
            DecodeIntoFilled(Join(TgaHeader(c.type, c.width, c.height, c.bits), Hex(c.packets)));
        EXPECT_EQ(c.expected, d.result);
        if (d.result == TGA_OK && c.expected == TGA_OK)
        {
            EXPECT_EQ(Hex(c.pixels), d.pixels);
        }
        EXPECT_TRUE(d.guardIntact);
    }
}

TEST(TgaPackets, RunAndRawHold128PixelsAtMost)
{
    for (const uint8_t bits : {24, 32})
    {
        for (const bool run : {true, false})
        {
            SCOPED_TRACE(std::to_string(bits) + (run ? "-bit run 0xFF" : "-bit raw 0x7F"));
            const Bytes pixel = bits == 32 ? Bytes{1, 2, 3, 4} : Bytes{1, 2, 3};
            const Bytes packets = run ? Join({0xFF}, pixel) : Join({0x7F}, Repeat(pixel, 128));
            // Exactly fills 128 pixels; 129 are one packet short; 127 one pixel too few.
            Decoded d = DecodeIntoFilled(Join(TgaHeader(10, 128, 1, bits), packets));
            EXPECT_EQ(TGA_OK, d.result);
            EXPECT_EQ(Repeat(bits == 32 ? Bytes{3, 2, 1, 4} : Bytes{3, 2, 1}, 128), d.pixels);
            EXPECT_TRUE(d.guardIntact);
            d = DecodeIntoFilled(Join(TgaHeader(10, 129, 1, bits), Join(packets, packets)));
            EXPECT_EQ(TGA_TOO_MANY_PIXELS, d.result);
            EXPECT_TRUE(d.guardIntact);
            d = DecodeIntoFilled(Join(TgaHeader(10, 127, 1, bits), packets));
            EXPECT_EQ(TGA_TOO_MANY_PIXELS, d.result);
            EXPECT_TRUE(d.guardIntact);
        }
    }
}

TEST(TgaDamage, EveryTruncationFailsCleanly)
{
    const Bytes files[] = {
        ReadFileBytes(SOLMIR_TGA_VECTORS "/rle32_plasma.tga"),
        Join(TgaHeader(10, 5, 3, 24), Hex("83 1 2 3 2 4 5 6 7 8 9 1 2 3 87 9 9 9")),
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
            EXPECT_TRUE(d.guardIntact);
            TgaImage image = {};
            EXPECT_EQ(d.result, DecodeTgaImage(cut.empty() ? nullptr : cut.data(), size, &image));
            EXPECT_EQ(nullptr, image.pixels);
        }
    }
}

TEST(TgaDamage, CorruptPacketHeadersNeverOverrun)
{
    // Every byte of a small image replaced by each packet header value.
    const Bytes file = Join(TgaHeader(10, 4, 3, 32),
                            Hex("82 1 2 3 4 1 5 6 7 8 9 a b c 86 d e f 10 0 11 12 13 14"));
    ASSERT_EQ(TGA_OK, DecodeIntoFilled(file).result);
    for (size_t at = TGA_HEADER_SIZE; at < file.size(); ++at)
    {
        for (unsigned value = 0; value < 256; ++value)
        {
            const Bytes changed = WithByte(file, at, (uint8_t)value);
            const Decoded d = DecodeIntoFilled(changed);
            ASSERT_TRUE(d.guardIntact) << "byte " << at << " = " << value;
            TgaImage image = {};
            ASSERT_EQ(d.result, DecodeTgaImage(changed.data(), changed.size(), &image));
            ASSERT_EQ(d.result == TGA_OK, image.pixels != nullptr);
            FreeTgaPixels(&image);
        }
    }
}

TEST(TgaShipped, TexturesDecodeToTheirSizes)
{
    struct Shipped
    {
        const char* file;
        uint32_t width, height;
    };
    for (const Shipped& t : {Shipped{"ring.tga", 984, 525}, Shipped{"cylinder.tga", 2048, 128}})
    {
        SCOPED_TRACE(t.file);
        const Decoded d =
            DecodeIntoFilled(ReadFileBytes(std::string(SOLMIR_SOURCE_DIR "/resources/") + t.file));
        EXPECT_EQ(TGA_OK, d.result);
        EXPECT_EQ(t.width, d.image.width);
        EXPECT_EQ(t.height, d.image.height);
        EXPECT_EQ(32u, d.image.bitsPerPixel);
        EXPECT_EQ((size_t)t.width * t.height * 4, d.image.pixelBytes);
        EXPECT_TRUE(d.guardIntact);
    }
}

// Made by vectors/make_vectors.sh. The ImageMagick that wrote them reads TGA
// rows in stored order whatever the descriptor says (the script checks
// this), as the decoder does, so the read-back is compared as it is.
TEST(TgaImageMagick, DecodesTheSamePixelsImageMagickReads)
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
        ASSERT_EQ(d.image.pixelBytes, reference.size());
        EXPECT_EQ(name[1] == 'l' ? 10 : 2, d.image.type);
        EXPECT_TRUE(d.pixels == reference);
        EXPECT_TRUE(d.guardIntact);
    }
}
