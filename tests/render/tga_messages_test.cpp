// What the user sees when a texture will not load: the message box of each
// failure, with its exact text and caption, through DecodeTga on bytes and
// through LoadTexFromResource on damaged resources of this test program.
#include "render/render.h"
#include "box_capture.h"
#include "tga_test_ids.h"

#include <gtest/gtest.h>

#include <string.h>
#include <vector>

typedef std::vector<uint8_t> Bytes;

static const char INCOMPLETE_TEXT[] = "Image data is incomplete";

static Bytes TgaFile(uint8_t type, uint8_t width, uint8_t height, uint8_t bits, Bytes pixels)
{
    Bytes file(18 + pixels.size(), 0);
    file[2] = type;
    file[12] = width;
    file[14] = height;
    file[16] = bits;
    file[17] = 0x08;
    for (size_t i = 0; i < pixels.size(); ++i)
    {
        file[18 + i] = pixels[i];
    }
    return file;
}

// A slot full of a known byte, so a field left unset shows.
static TextureSlot FilledSlot()
{
    TextureSlot slot;
    memset(&slot, 0xAB, sizeof slot);
    return slot;
}

// One box, no owner, only an OK button, no icon (MB_OK).
static void ExpectOneBox(const BoxCapture& capture, const char* text, const char* caption)
{
    ASSERT_EQ(1u, capture.boxes.size());
    const CapturedBox& box = capture.boxes[0];
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(caption, box.caption);
    EXPECT_FALSE(box.hasOwner);
    EXPECT_EQ(1, box.buttons);
    EXPECT_TRUE(box.okButton);
    EXPECT_EQ(NULL, box.icon);
}

struct DecodeFailure
{
    const char* what;
    Bytes file;
    const char* text;
    const char* caption;
};

TEST(DecodeTga, EachFailureShowsItsBoxAndLeavesNoPixels)
{
    const DecodeFailure cases[] = {
        {"no bytes", {}, "Could not load image resource", "ERROR"},
        {"image ID present",
         {1, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8, 'x'},
         "TGA file be type 2 or type 10 ",
         "Invalid Image"},
        {"colour map",
         {0, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8},
         "TGA file be type 2 or type 10 ",
         "Invalid Image"},
        {"grey type 3", TgaFile(3, 1, 1, 8, {0}), "TGA file be type 2 or type 10 ",
         "Invalid Image"},
        {"16 bits per pixel", TgaFile(10, 1, 1, 16, {0x80, 1, 2}), "Invalid texture information",
         "ERROR"},
        {"width 0", TgaFile(10, 0, 1, 32, {0x80, 1, 2, 3, 4}), "Invalid texture information",
         "ERROR"},
        {"height 0 in type 2", TgaFile(2, 1, 0, 24, {1, 2, 3}), "Invalid texture information",
         "ERROR"},
        {"run past the image", TgaFile(10, 2, 1, 32, {0x82, 1, 2, 3, 4}), "Too many pixels read",
         "ERROR"},
        {"raw past the image", TgaFile(10, 1, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}),
         "Too many pixels read", "ERROR"},
        {"header cut short", {0, 0, 10, 0, 0, 0, 0, 0}, INCOMPLETE_TEXT, "ERROR"},
        {"packets run out", TgaFile(10, 3, 1, 24, {0x80, 1, 2, 3}), INCOMPLETE_TEXT, "ERROR"},
        {"type 2 pixels run out", TgaFile(2, 2, 1, 24, {1, 2, 3}), INCOMPLETE_TEXT, "ERROR"},
    };
    for (const DecodeFailure& c : cases)
    {
        SCOPED_TRACE(c.what);
        TextureSlot slot = FilledSlot();
        BoxCapture capture;
        EXPECT_FALSE(
            DecodeTga(&slot, c.file.empty() ? nullptr : c.file.data(), (uint32_t)c.file.size()));
        ExpectOneBox(capture, c.text, c.caption);
        EXPECT_EQ(nullptr, slot.pixels);
    }
}

TEST(DecodeTga, NullDataWithASizeIsNoData)
{
    TextureSlot slot = FilledSlot();
    BoxCapture capture;
    EXPECT_FALSE(DecodeTga(&slot, nullptr, 100));
    ExpectOneBox(capture, "Could not load image resource", "ERROR");
}

struct DecodeSuccess
{
    const char* what;
    Bytes file;
    uint32_t width, height, bits;
    GLenum format;
    Bytes pixels;
};

TEST(DecodeTga, FillsTheSlotSilently)
{
    const DecodeSuccess cases[] = {
        {"24-bit run-length",
         TgaFile(10, 2, 1, 24, {0x81, 0x10, 0x20, 0x30}),
         2,
         1,
         24,
         GL_RGB,
         {0x30, 0x20, 0x10, 0x30, 0x20, 0x10}},
        {"32-bit run-length keeps alpha",
         TgaFile(10, 1, 2, 32, {0x01, 1, 2, 3, 0, 4, 5, 6, 255}),
         1,
         2,
         32,
         GL_RGBA,
         {3, 2, 1, 0, 6, 5, 4, 255}},
        {"24-bit raw (type 2)", TgaFile(2, 1, 1, 24, {7, 8, 9}), 1, 1, 24, GL_RGB, {9, 8, 7}},
        {"32-bit raw (type 2)",
         TgaFile(2, 1, 1, 32, {7, 8, 9, 10}),
         1,
         1,
         32,
         GL_RGBA,
         {9, 8, 7, 10}},
    };
    for (const DecodeSuccess& c : cases)
    {
        SCOPED_TRACE(c.what);
        TextureSlot slot = FilledSlot();
        BoxCapture capture;
        ASSERT_TRUE(DecodeTga(&slot, c.file.data(), (uint32_t)c.file.size()));
        EXPECT_TRUE(capture.boxes.empty());
        EXPECT_EQ(c.width, slot.width);
        EXPECT_EQ(c.height, slot.height);
        EXPECT_EQ(c.bits, slot.bitsPerPixel);
        EXPECT_EQ(c.format, slot.glFormat);
        ASSERT_NE(nullptr, slot.pixels);
        EXPECT_EQ(c.pixels, Bytes(slot.pixels, slot.pixels + c.pixels.size()));
        ReleaseTexPixels(&slot);
        EXPECT_EQ(nullptr, slot.pixels);
    }
}

struct ResourceFailure
{
    int id;
    const char* what;
    const char* text;
    const char* caption;
};

TEST(LoadTexFromResource, EachBadResourceShowsItsBoxAndMakesNoTexture)
{
    const ResourceFailure cases[] = {
        {IDR_TEST_MISSING, "no such resource", "Could not locate image resource", "ERROR"},
        {IDR_TEST_OTHER_TYPE, "resource of another type", "Could not locate image resource",
         "ERROR"},
        {IDR_TEST_EMPTY, "empty resource", "Could not locate image resource", "ERROR"},
        {IDR_TEST_IMAGE_ID, "image ID present", "TGA file be type 2 or type 10 ", "Invalid Image"},
        {IDR_TEST_BITS16, "16 bits per pixel", "Invalid texture information", "ERROR"},
        {IDR_TEST_TOO_MANY, "packets past the image", "Too many pixels read", "ERROR"},
        {IDR_TEST_INCOMPLETE, "packets run out", INCOMPLETE_TEXT, "ERROR"},
        {IDR_TEST_SHORT, "header cut short", INCOMPLETE_TEXT, "ERROR"},
    };
    for (const ResourceFailure& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_Textures[1] = FilledSlot();
        g_Textures[1].pixels = nullptr;
        g_Textures[1].glName = 0;
        BoxCapture capture;
        EXPECT_FALSE(LoadTexFromResource(c.id, 1));
        ExpectOneBox(capture, c.text, c.caption);
        EXPECT_EQ(nullptr, g_Textures[1].pixels);
        EXPECT_EQ(0u, g_Textures[1].glName);
    }
    g_Textures[1] = {};
}
