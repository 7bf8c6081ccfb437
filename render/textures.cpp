// Textures from the program's "tga" resources: find the resource, decode it
// (tga.cpp), report a bad one with its message box, upload it and drop the
// decoded pixels again.
#include "render/render.h"
#include "render/tga.h"

TextureSlot g_Textures[TEXTURE_SLOTS];

namespace
{

// The message box for each way a decode can fail; the user sees these before
// "Initialization Failed.".
void ShowTgaFailure(TgaResult result)
{
    const char* text = "Image data is incomplete";
    const char* caption = "ERROR";
    switch (result)
    {
    case TGA_NO_DATA:
        text = "Could not load image resource";
        break;
    case TGA_BAD_TYPE:
        text = "TGA file be type 2 or type 10 ";
        caption = "Invalid Image";
        break;
    case TGA_BAD_INFO:
        text = "Invalid texture information";
        break;
    case TGA_NO_MEMORY:
        text = "Could not allocate memory for image";
        break;
    case TGA_TOO_MANY_PIXELS:
        text = "Too many pixels read";
        break;
    case TGA_OK:
    case TGA_INCOMPLETE:
        break;
    }
    MessageBoxA(NULL, text, caption, MB_OK);
}

bool DecodeTga(TextureSlot* slot, const uint8_t* data, uint32_t size)
{
    TgaImage image = {};
    const TgaResult result = DecodeTgaImage(data, size, &image);
    // A failed decode holds no buffer, so the slot never sees half an image.
    slot->pixels = image.pixels;
    slot->width = image.width;
    slot->height = image.height;
    slot->bitsPerPixel = image.bitsPerPixel;
    if (result != TGA_OK)
    {
        ShowTgaFailure(result);
        return false;
    }
    slot->glFormat = image.bitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    return true;
}

void ReleaseTexPixels(TextureSlot* slot)
{
    TgaImage image = {};
    image.pixels = slot->pixels;
    FreeTgaPixels(&image);
    slot->pixels = nullptr;
}

// Only level 0 is ever sampled, so a texture whose sides are powers of two
// (the cylinder band) is uploaded as that one level: building GLU's whole
// chain cost start-up time and a third more texture memory for nothing. The
// ring band (984 x 525) still goes through GLU, which scales it to 1024 x 512
// for OpenGL 1.1; drivers that would take its own sides sample it a few per
// cent slower on llvmpipe than the scaled one.
void UploadTexture(const TextureSlot* slot)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const bool powersOfTwo =
        (slot->width & (slot->width - 1)) == 0 && (slot->height & (slot->height - 1)) == 0;
    // A driver whose textures are smaller leaves the scaling to GLU as well.
    if (powersOfTwo && slot->width <= static_cast<GLuint>(largest) &&
        slot->height <= static_cast<GLuint>(largest))
    {
        glTexImage2D(GL_TEXTURE_2D, 0, slot->glFormat, slot->width, slot->height, 0, slot->glFormat,
                     GL_UNSIGNED_BYTE, slot->pixels);
        return;
    }
    gluBuild2DMipmaps(GL_TEXTURE_2D, slot->glFormat, slot->width, slot->height, slot->glFormat,
                      GL_UNSIGNED_BYTE, slot->pixels);
}

} // namespace

bool LoadTexFromResource(int id, int slotIndex)
{
    TextureSlot* slot = &g_Textures[slotIndex];

    // The resource is mapped memory of our own module; it is decoded in place.
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), "tga");
    HGLOBAL loaded = resource ? LoadResource(module, resource) : NULL;
    const uint8_t* data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    if (data == nullptr || size == 0)
    {
        MessageBoxA(NULL, "Could not locate image resource", "ERROR", MB_OK);
        return false;
    }
    if (!DecodeTga(slot, data, size))
    {
        return false;
    }

    glGenTextures(1, &slot->glName);
    glBindTexture(GL_TEXTURE_2D, slot->glName);
    UploadTexture(slot);
    // Not a mipmap filter: only level 0 is ever sampled. The wrap stays at
    // the GL_REPEAT default, which the ring's texture coordinates rely on.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    ReleaseTexPixels(slot);
    return true;
}
