// Decoding throughput of the TGA decoder against stb_image on the program's
// own textures. Both decoders must produce the same pixels (stb turns a
// bottom-left image upside down, ours keeps the stored row order, so the
// comparison flips rows where stb did). Prints MB/s of decoded pixels.
//   tga_bench [file.tga ...]   (default: the two textures of resources/)
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

#include "render/tga.h"

#include <chrono>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

static bool ReadFileBytes(const char* path, std::vector<uint8_t>* bytes)
{
    FILE* file = fopen(path, "rb");
    if (!file)
    {
        return false;
    }
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
    {
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    fclose(file);
    return true;
}

// Same pixels as stb's 4-channel output, allowing for stb's row flip and for
// the alpha stb adds to a 24-bit image.
static bool SamePixels(const TgaImage& ours, const uint8_t* stb, bool stbFlipped)
{
    const uint32_t bytes = ours.bitsPerPixel / 8;
    for (uint32_t y = 0; y < ours.height; ++y)
    {
        const uint32_t stbRow = stbFlipped ? ours.height - 1 - y : y;
        for (uint32_t x = 0; x < ours.width; ++x)
        {
            const uint8_t* a = ours.pixels + ((size_t)y * ours.width + x) * bytes;
            const uint8_t* b = stb + ((size_t)stbRow * ours.width + x) * 4;
            if (memcmp(a, b, 3) != 0 || (bytes == 4 && a[3] != b[3]))
            {
                return false;
            }
        }
    }
    return true;
}

typedef std::chrono::steady_clock Clock;

static double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

static bool BenchFile(const char* path)
{
    std::vector<uint8_t> data;
    if (!ReadFileBytes(path, &data))
    {
        fprintf(stderr, "%s: cannot read\n", path);
        return false;
    }
    TgaImage image = {};
    if (DecodeTgaImage(data.data(), data.size(), &image) != TGA_OK)
    {
        fprintf(stderr, "%s: our decoder refuses it\n", path);
        return false;
    }
    int w = 0, h = 0, comp = 0;
    uint8_t* stb = stbi_load_from_memory(data.data(), (int)data.size(), &w, &h, &comp, 4);
    if (!stb || (uint32_t)w != image.width || (uint32_t)h != image.height)
    {
        fprintf(stderr, "%s: stb_image refuses it or disagrees on its size\n", path);
        return false;
    }
    const bool stbFlipped = (data[17] & 0x20) == 0;
    const bool same = SamePixels(image, stb, stbFlipped);
    stbi_image_free(stb);
    const double outBytes = (double)image.width * image.height * (image.bitsPerPixel / 8);
    FreeTgaPixels(&image);
    if (!same)
    {
        fprintf(stderr, "%s: the decoders disagree\n", path);
        return false;
    }

    // Enough rounds for about a second of stb; ours gets the same number.
    const int rounds = 200;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < rounds; ++i)
    {
        DecodeTgaImage(data.data(), data.size(), &image);
        FreeTgaPixels(&image);
    }
    const double oursSeconds = SecondsSince(start);
    start = Clock::now();
    for (int i = 0; i < rounds; ++i)
    {
        stbi_image_free(stbi_load_from_memory(data.data(), (int)data.size(), &w, &h, &comp, 4));
    }
    const double stbSeconds = SecondsSince(start);

    const double oursRate = outBytes * rounds / oursSeconds / 1e6;
    const double stbRate = outBytes * rounds / stbSeconds / 1e6;
    printf("%-40s %5dx%-5d %7zu bytes  ours %8.1f MB/s  stb_image %7.1f MB/s  ratio %5.2fx\n", path,
           w, h, data.size(), oursRate, stbRate, oursRate / stbRate);
    return true;
}

int main(int argc, char** argv)
{
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i)
    {
        paths.push_back(argv[i]);
    }
    if (paths.empty())
    {
        paths.push_back(std::string(SOLMIR_SOURCE_DIR) + "/resources/cylinder.tga");
        paths.push_back(std::string(SOLMIR_SOURCE_DIR) + "/resources/ring.tga");
    }
    printf("MB/s of decoded pixels (stb_image asked for 4 channels)\n");
    bool ok = true;
    for (const std::string& path : paths)
    {
        ok = BenchFile(path.c_str()) && ok;
    }
    return ok ? 0 : 1;
}
