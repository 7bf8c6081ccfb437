// What the user sees when a texture will not load: the message box of each
// failure, with its exact text and caption, through DecodeTga on bytes and
// through LoadTexFromResource on damaged resources of this test program.
#include "render/render.h"
#include "box_capture.h"
#include "tga_test_ids.h"

#include <gtest/gtest.h>

#include <string.h>
#include <algorithm>
#include <vector>

typedef std::vector<uint8_t> Bytes;

static Bytes TgaFile(uint8_t type, uint8_t width, uint8_t bits, Bytes pixels)
{
    Bytes file(18 + pixels.size(), 0);
    file[2] = type;
    file[12] = width;
    file[14] = 1;
    file[16] = bits;
    file[17] = 0x08;
    std::copy(pixels.begin(), pixels.end(), file.begin() + 18);
    return file;
}

TEST(TextureMessages, EachFailureShowsItsBoxAndLeavesNoPixels)
{
    struct Case
    {
        const char* what;
        int id; // a resource of this program, or 0 to decode `file`
        Bytes file;
        const char* text;
        const char* caption;
    };
    const char* locate = "Could not locate image resource";
    const Case cases[] = {
        {"no bytes", 0, {}, "Could not load image resource", "ERROR"},
        {"image ID present",
         0,
         {1, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8, 'x'},
         "TGA file be type 2 or type 10 ",
         "Invalid Image"},
        {"16 bits per pixel", 0, TgaFile(10, 1, 16, {0x80, 1, 2}), "Invalid texture information",
         "ERROR"},
        {"run past the image", 0, TgaFile(10, 2, 32, {0x82, 1, 2, 3, 4}), "Too many pixels read",
         "ERROR"},
        {"packets run out", 0, TgaFile(10, 3, 24, {0x80, 1, 2, 3}), "Image data is incomplete",
         "ERROR"},
        {"no such resource", IDR_TEST_MISSING, {}, locate, "ERROR"},
        {"resource of another type", IDR_TEST_OTHER_TYPE, {}, locate, "ERROR"},
        {"empty resource", IDR_TEST_EMPTY, {}, locate, "ERROR"},
        {"resource with packets past the image",
         IDR_TEST_TOO_MANY,
         {},
         "Too many pixels read",
         "ERROR"},
        {"resource with its header cut short",
         IDR_TEST_SHORT,
         {},
         "Image data is incomplete",
         "ERROR"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        // A slot full of a known byte, so a field left unset shows.
        memset(&g_Textures[1], 0xAB, sizeof g_Textures[1]);
        g_Textures[1].glName = 0;
        BoxCapture capture;
        if (c.id != 0)
        {
            g_Textures[1].pixels = nullptr;
            EXPECT_FALSE(LoadTexFromResource(c.id, 1));
            EXPECT_EQ(0u, g_Textures[1].glName) << "no texture made";
        }
        else
        {
            EXPECT_FALSE(DecodeTga(&g_Textures[1], c.file.empty() ? nullptr : c.file.data(),
                                   (uint32_t)c.file.size()));
        }
        EXPECT_EQ(nullptr, g_Textures[1].pixels);
        // One box, no owner, only an OK button, no icon (MB_OK).
        ASSERT_EQ(1u, capture.boxes.size());
        const CapturedBox& box = capture.boxes[0];
        EXPECT_EQ(c.text, box.text);
        EXPECT_EQ(c.caption, box.caption);
        EXPECT_FALSE(box.hasOwner);
        EXPECT_EQ(1, box.buttons);
        EXPECT_TRUE(box.okButton);
        EXPECT_EQ(NULL, box.icon);
    }
    g_Textures[1] = {};
    BoxCapture capture;
    EXPECT_FALSE(DecodeTga(&g_Textures[1], nullptr, 100)) << "null data with a size";
    ASSERT_EQ(1u, capture.boxes.size());
    EXPECT_EQ("Could not load image resource", capture.boxes[0].text);
}
