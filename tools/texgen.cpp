// Generates Solmir's artwork: the two band textures (RLE 32-bit TGA) and the
// two icons. Every shape is an analytic distance field sampled 4x4 per pixel,
// so the output is deterministic and needs no image library.
//
// The renderer alpha-tests the bands (alpha > 0 is drawn fully opaque, no
// blending), so band texels are either opaque or fully transparent black;
// edges are antialiased by darkening the colour towards black, which matches
// the black background and keeps the transparent area in long runs.
//
// Usage: texgen [output folder, default resources]

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr int kSub = 4; // supersamples per pixel along each axis

struct Vec2
{
    double x, y;
};

struct Rgb
{
    double r, g, b;
};

// One supersample: what the shapes left there, if anything.
struct Sample
{
    Rgb colour;
    bool covered;
};

struct Image
{
    int width, height;
    std::vector<uint8_t> bgra; // rows bottom to top, B,G,R,A
};

// Shapes are written in the units of the surface the image ends up on, so
// they keep their proportions once the image is stretched over it.
struct Band
{
    int width, height;     // pixels
    double worldW, worldH; // surface units the image covers
};

// p in surface units (bands) or -1..1 (icons); pixel is one pixel's size there.
typedef Sample (*ShadeFn)(Vec2 p, double pixel);

Vec2 Sub(Vec2 a, Vec2 b)
{
    return {a.x - b.x, a.y - b.y};
}
Vec2 Neg(Vec2 a)
{
    return {-a.x, -a.y};
}
double Length(Vec2 a)
{
    return std::sqrt(a.x * a.x + a.y * a.y);
}
double Clamp01(double v)
{
    return std::min(1.0, std::max(0.0, v));
}
double Square(double v)
{
    return v * v;
}
Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, double k)
{
    return {a.r * k, a.g * k, a.b * k};
}
Rgb Plus(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
double WrapPeriod(double x, double period)
{
    return x - period * std::floor(x / period);
}

// Unit vector from c towards p, tolerant of p == c.
Vec2 AwayFrom(Vec2 p, Vec2 c)
{
    const Vec2 d = Sub(p, c);
    const double len = Length(d);
    return len > 1e-9 ? Vec2{d.x / len, d.y / len} : Vec2{0.0, 1.0};
}

// ---- Materials --------------------------------------------------------------

// Gold wire seen as a rounded tube: `away` is the unit direction from the
// centreline, q the distance over the half width. A fixed upper-left key light
// makes the bevels read as relief although the scene itself is unlit.
Rgb ShadeGold(Vec2 away, double q, double warmth)
{
    q = Clamp01(q);
    const double nz = std::sqrt(1.0 - q * q), nx = away.x * q, ny = away.y * q;
    const double lx = -0.42, ly = 0.62, lz = 0.66;
    const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
    const double hl = std::sqrt(lx * lx + ly * ly + Square(lz + 1.0));
    const double shine = std::pow(std::max(0.0, (nx * lx + ny * ly + nz * (lz + 1.0)) / hl), 28.0);
    const Rgb shadow = Mix(Rgb{0.30, 0.12, 0.03}, Rgb{0.34, 0.09, 0.10}, warmth);
    const Rgb body = Mix(Rgb{1.00, 0.76, 0.30}, Rgb{1.00, 0.56, 0.20}, warmth);
    const Rgb c = Plus(Mix(shadow, body, diffuse), Scale(Rgb{1.0, 0.95, 0.80}, 0.85 * shine));
    return Scale(c, 0.62 + 0.38 * nz); // the flanks roll off into the black
}

// A faceted jewel; u is the position over its radius. Eight crown facets
// round a flat table, each lit by its own tilt, plus light trapped inside.
Rgb ShadeGem(Vec2 u, Rgb deep, Rgb glow)
{
    const double r = Length(u);
    double nx = 0.0, ny = 0.0, nz = 1.0;
    if (r >= 0.48)
    {
        const double step = kPi / 4;
        const double a = step * std::round(std::atan2(u.y, u.x) / step);
        nx = 0.62 * std::cos(a), ny = 0.62 * std::sin(a), nz = 0.78;
    }
    const double facet = std::max(0.0, -0.42 * nx + 0.62 * ny + 0.66 * nz);
    Rgb c = Plus(Mix(deep, glow, facet * facet), Scale(glow, 0.55 * (1.0 - r * r)));
    const double glint = std::exp(-(Square(u.x + 0.22) + Square(u.y - 0.24)) / 0.012);
    c = Plus(c, Scale(Rgb{1.0, 1.0, 1.0}, 0.9 * glint));
    return Scale(c, 0.75 + 0.25 * std::sqrt(std::max(0.0, 1.0 - r * r)));
}

const Rgb kSapphireDeep{0.06, 0.04, 0.30}, kSapphireGlow{0.35, 0.55, 1.00};
const Rgb kTealDeep{0.00, 0.16, 0.20}, kTealGlow{0.20, 0.95, 0.85};
const Rgb kVioletDeep{0.18, 0.02, 0.28}, kVioletGlow{0.85, 0.45, 1.00};

// Gold wire along any centreline: offset is the signed distance from it
// along `normal`.
void PaintStroke(double offset, Vec2 normal, double hw, double warmth, Sample& s)
{
    if (std::fabs(offset) < hw)
        s = {ShadeGold(offset >= 0 ? normal : Neg(normal), std::fabs(offset) / hw, warmth), true};
}

void PaintRing(Vec2 p, Vec2 c, double radius, double hw, double warmth, Sample& s)
{
    PaintStroke(Length(Sub(p, c)) - radius, AwayFrom(p, c), hw, warmth, s);
}

// A round jewel in a gold bezel.
void PaintJewel(Vec2 p, Vec2 c, double radius, double bezel, Rgb deep, Rgb glow, Sample& s)
{
    if (Length(Sub(p, c)) < radius)
        s = {ShadeGem(Vec2{(p.x - c.x) / radius, (p.y - c.y) / radius}, deep, glow), true};
    else
        PaintRing(p, c, radius + bezel, bezel, 0.2, s);
}

// A straight rod from a to b with round ends.
void PaintRod(Vec2 p, Vec2 a, Vec2 b, double hw, Sample& s)
{
    const Vec2 ab = Sub(b, a), ap = Sub(p, a);
    const double t = Clamp01((ap.x * ab.x + ap.y * ab.y) / (ab.x * ab.x + ab.y * ab.y));
    const Vec2 c{a.x + ab.x * t, a.y + ab.y * t};
    PaintStroke(Length(Sub(p, c)), AwayFrom(p, c), hw, 0.3, s);
}

// Twisted gold rope along both edges of a band; the diagonal grooves are
// what real filigree wire looks like. The twist pitch must divide the width.
void PaintEdgeRopes(Vec2 p, double height, double hw, double pitch, Sample& s)
{
    const double side = p.y < height / 2 ? 1.0 : -1.0; // towards the middle
    const double off = std::min(p.y, height - p.y) - hw;
    if (std::fabs(off) >= hw)
        return;
    const double groove = WrapPeriod(p.x / pitch - 0.45 * off / hw * side, 1.0);
    const Rgb gold = ShadeGold(Vec2{0.0, off >= 0 ? side : -side}, std::fabs(off) / hw, 0.35);
    s = {Scale(gold, 0.45 + 0.55 * std::sqrt(std::sin(kPi * groove))), true};
}

// ---- Ring band (resource 101) -------------------------------------------------
// One image is a third of a ring of radius 8 and height 10. A chain of
// interlaced links runs round the middle, each a rose window: a jewel in a
// quatrefoil. Stems with smaller jewels tie every link to the beaded ropes.

const Band kRingBand{984, 525, 2.0 * kPi * 8.0 / 3.0, 10.0};
constexpr int kRingLinks = 4; // per image; even, so the jewel colours alternate
const double kLinkPitch = kRingBand.worldW / kRingLinks;
const double kLinkRadius = kLinkPitch / 1.5; // neighbours overlap, next-but-one do not
constexpr double kLinkHalf = 0.09, kLinkGap = 0.08, kChainY = 5.0;
constexpr double kRimHalf = 0.125, kBeadRadius = 0.1;
constexpr double kFoilOffset = 0.78, kFoilRadius = 0.56, kFoilHalf = 0.06;

Vec2 LinkCentre(int link)
{
    return {(link + 0.5) * kLinkPitch, kChainY};
}
int LinkAt(double x)
{
    return static_cast<int>(std::floor(x / kLinkPitch));
}

void DrawRingRims(Vec2 p, Sample& s)
{
    const double H = kRingBand.worldH;
    PaintEdgeRopes(p, H, kRimHalf, kLinkPitch / 16, s);
    const double beadPitch = kLinkPitch / 6;
    const double inset = 2.0 * kRimHalf + 0.55 * kBeadRadius; // beads sit against the rope
    const Vec2 bead{(std::floor(p.x / beadPitch) + 0.5) * beadPitch,
                    p.y < H / 2 ? inset : H - inset};
    const double d = Length(Sub(p, bead));
    if (d < kBeadRadius)
        s = {ShadeGold(AwayFrom(p, bead), d / kBeadRadius, 0.1), true};
}

// Which of two neighbouring links passes over where they cross: the left one
// above the chain's axis, the right one below, so every link goes over,
// under, over, under along its length - a true weave.
int OverLink(int left, Vec2 p)
{
    return p.y > kChainY ? left : left + 1;
}

// A link passing under another is cut back a little either side of it, which
// is what makes the crossing read as woven; the gap shows the far side.
void DrawRingChain(Vec2 p, Sample& s)
{
    const int first = LinkAt(p.x) - 1;
    double dist[3];
    for (int i = 0; i < 3; ++i)
        dist[i] = Length(Sub(p, LinkCentre(first + i))) - kLinkRadius;
    int drawn = -1;
    bool cut = false;
    for (int i = 0; i < 3; ++i)
    {
        if (std::fabs(dist[i]) >= kLinkHalf)
            continue;
        bool hidden = false;
        for (int j = std::max(0, i - 1); j <= std::min(2, i + 1); ++j)
            if (j != i && std::fabs(dist[j]) < kLinkHalf + kLinkGap &&
                OverLink(first + std::min(i, j), p) == first + j)
                hidden = true;
        if (!hidden)
            drawn = i;
        cut = cut || hidden;
    }
    if (drawn >= 0)
    {
        const Vec2 out = AwayFrom(p, LinkCentre(first + drawn));
        PaintStroke(dist[drawn], out, kLinkHalf, 0.3 - 0.3 * out.y, s); // coppery below
    }
    else if (cut)
    {
        s.covered = false;
    }
}

// The outline of four overlapping foils round the link's jewel, like the
// tracery of a rose window; the foils' inner arcs hide under the bezel.
void DrawRingTracery(Vec2 p, Sample& s)
{
    const Vec2 c = LinkCentre(LinkAt(p.x));
    double best = 1e9;
    Vec2 nearest{0, 0};
    for (int k = 0; k < 4; ++k)
    {
        const Vec2 f{c.x + kFoilOffset * std::cos(kPi / 2 * k),
                     c.y + kFoilOffset * std::sin(kPi / 2 * k)};
        const double d = Length(Sub(p, f)) - kFoilRadius;
        if (d < best)
            best = d, nearest = f;
    }
    PaintStroke(best, AwayFrom(p, nearest), kFoilHalf, 0.5, s);
}

void DrawRingJewels(Vec2 p, Sample& s)
{
    const int link = LinkAt(p.x);
    const Vec2 c = LinkCentre(link);
    const double H = kRingBand.worldH;
    // The stems end under the ropes, which are drawn later and hide the joint.
    PaintRod(p, Vec2{c.x, kChainY + kLinkRadius}, Vec2{c.x, H - kRimHalf}, 0.07, s);
    PaintRod(p, Vec2{c.x, kChainY - kLinkRadius}, Vec2{c.x, kRimHalf}, 0.07, s);
    for (int side = -1; side <= 1; side += 2)
        PaintJewel(p, Vec2{c.x, kChainY + side * (kLinkRadius + 0.95)}, 0.23, 0.055, kVioletDeep,
                   kVioletGlow, s);
    const bool blue = WrapPeriod(link, 2.0) < 1.0;
    PaintJewel(p, c, 0.48, 0.07, blue ? kSapphireDeep : kTealDeep, blue ? kSapphireGlow : kTealGlow,
               s);
}

Sample ShadeRing(Vec2 p, double)
{
    Sample s{{0, 0, 0}, false};
    DrawRingTracery(p, s);
    DrawRingJewels(p, s);
    DrawRingRims(p, s);
    DrawRingChain(p, s);
    return s;
}

// ---- Cylinder band (resource 107) ---------------------------------------------
// One image wraps once round a cylinder of radius 10 and height 4.8: a frieze
// of a running vine whose tendrils curl into jewelled scrolls, with a jewelled
// lozenge over every crest and under every trough, between two ropes.

const Band kCylinderBand{2048, 128, 2.0 * kPi * 10.0, 4.8};
constexpr int kVineWaves = 16; // per image
const double kWave = kCylinderBand.worldW / kVineWaves;
constexpr double kVineAmp = 0.85, kVineHalf = 0.072, kFriezeRim = 0.1;
constexpr double kGlyphRise = 1.55, kGlyphHalfW = 0.23, kGlyphHalfH = 0.38, kGlyphStroke = 0.055;
constexpr double kScrollOuter = 0.78, kScrollInner = 0.16, kScrollTurns = 1.3, kScrollHalf = 0.062;

double VineY(double x)
{
    return kCylinderBand.worldH / 2 + kVineAmp * std::sin(2.0 * kPi * x / kWave);
}
double VineSlope(double x)
{
    return kVineAmp * 2.0 * kPi / kWave * std::cos(2.0 * kPi * x / kWave);
}

// The distance to the sine is taken to first order (vertical offset times the
// cosine of the slope): exact enough within a stroke width, and cheap.
void DrawFriezeVine(Vec2 p, Sample& s)
{
    const double slope = VineSlope(p.x), norm = std::sqrt(1.0 + slope * slope);
    PaintStroke((p.y - VineY(p.x)) / norm, Vec2{-slope / norm, 1.0 / norm}, kVineHalf, 0.15, s);
}

// A tendril springs tangentially from the vine just after it falls through
// the middle and curls back clockwise, as an Archimedean spiral, under the
// crest it has just left. The rising half's tendril is the same shape moved
// half a wave on and mirrored top to bottom, as the sine itself is.
void DrawFriezeScroll(Vec2 p, bool mirrored, Sample& s)
{
    const double H = kCylinderBand.worldH;
    const Vec2 q{WrapPeriod(p.x - (mirrored ? kWave / 2 : 0.0), kWave), mirrored ? H - p.y : p.y};
    const double joinX = kWave / 2 + 0.05;
    // Going clockwise at angle a heads along (sin a, -cos a); match the vine.
    const double start = std::atan2(1.0, -VineSlope(joinX));
    const Vec2 c{joinX - kScrollOuter * std::cos(start),
                 VineY(joinX) - kScrollOuter * std::sin(start)};
    const double sweep = 2.0 * kPi * kScrollTurns;
    const double shrink = (kScrollOuter - kScrollInner) / sweep;
    const double rho = Length(Sub(q, c)), phi = std::atan2(q.y - c.y, q.x - c.x);
    double best = 1e9;
    for (int k = -3; k <= 3; ++k) // the turns of the spiral that pass this angle
    {
        const double turned = start - (phi + 2.0 * kPi * k);
        if (turned >= 0 && turned <= sweep &&
            std::fabs(rho - kScrollOuter + shrink * turned) < std::fabs(best))
            best = rho - kScrollOuter + shrink * turned;
    }
    const Vec2 out = AwayFrom(q, c);
    PaintStroke(best, Vec2{out.x, mirrored ? -out.y : out.y}, kScrollHalf, 0.1, s);
    // The eye's jewel is placed in real coordinates so its light stays upper left.
    const Vec2 eye{p.x - q.x + c.x, mirrored ? H - c.y : c.y};
    PaintJewel(p, eye, 0.14, 0.04, mirrored ? kSapphireDeep : kTealDeep,
               mirrored ? kSapphireGlow : kTealGlow, s);
}

void DrawFriezeGlyph(Vec2 p, bool mirrored, Sample& s)
{
    const double H = kCylinderBand.worldH;
    const Vec2 c{kWave / 4 + (mirrored ? kWave / 2 : 0.0),
                 H / 2 + (mirrored ? -kGlyphRise : kGlyphRise)};
    const double x = WrapPeriod(p.x - c.x + kWave / 2, kWave) - kWave / 2, y = p.y - c.y;
    // Distance to the diamond |x|/a + |y|/b = 1 along its edge normal.
    const double a = kGlyphHalfW, b = kGlyphHalfH, n = std::sqrt(a * a + b * b);
    const Vec2 normal{(x >= 0 ? b : -b) / n, (y >= 0 ? a : -a) / n};
    PaintStroke((std::fabs(x) * b + std::fabs(y) * a - a * b) / n, normal, kGlyphStroke, 0.25, s);
    PaintJewel(p, Vec2{p.x - x, c.y}, 0.12, 0.03, kVioletDeep, kVioletGlow, s);
}

Sample ShadeCylinder(Vec2 p, double)
{
    Sample s{{0, 0, 0}, false};
    PaintEdgeRopes(p, kCylinderBand.worldH, kFriezeRim, kCylinderBand.worldW / 256, s);
    DrawFriezeScroll(p, false, s);
    DrawFriezeScroll(p, true, s);
    DrawFriezeGlyph(p, false, s);
    DrawFriezeGlyph(p, true, s);
    DrawFriezeVine(p, s);
    return s;
}

// ---- Icons ------------------------------------------------------------------
// Drawn on -1..1; strokes never go below about a pixel so small sizes hold up.

// The program's icon: a sapphire in a gold ring with eight faceted rays,
// long on the axes and short between, like a sun.
Sample ShadeAppIcon(Vec2 p, double pixel)
{
    Sample s{{0, 0, 0}, false};
    for (int k = 0; k < 8; ++k)
    {
        const Vec2 dir{std::cos(kPi / 4 * k), std::sin(kPi / 4 * k)}, perp{-dir.y, dir.x};
        const double along = p.x * dir.x + p.y * dir.y, across = p.x * perp.x + p.y * perp.y;
        const double tip = k % 2 == 0 ? 0.99 : 0.86, base = k % 2 == 0 ? 0.34 : 0.27;
        if (along > 0.4 && along < tip && std::fabs(across) < base * (tip - along) / (tip - 0.4))
            s = {ShadeGold(across >= 0 ? perp : Neg(perp), 0.65, 0.45), true}; // two flat facets
    }
    PaintRing(p, {0, 0}, 0.56, std::max(0.12, 0.9 * pixel), 0.0, s);
    PaintJewel(p, {0, 0}, 0.38, std::max(0.04, 0.5 * pixel), kSapphireDeep, kSapphireGlow, s);
    return s;
}

// The dedication's emblem: a gold-rimmed heart glowing rose within violet.
Sample ShadeEmblem(Vec2 p, double pixel)
{
    Sample s{{0, 0, 0}, false};
    // A square of side a standing on a corner, with a circle of diameter a on
    // each upper side; the tip sits near the bottom of the icon.
    const double a = 1.06, tipY = -0.84, r2 = std::sqrt(2.0);
    const Vec2 q{std::fabs(p.x), p.y - tipY};
    const double u = (q.x + q.y) / r2, v = (q.y - q.x) / r2;
    const double box = std::max(std::fabs(u - a / 2), std::fabs(v - a / 2)) - a / 2;
    const double d = std::min(box, Length(Sub(q, Vec2{a / (2 * r2), 3 * a / (2 * r2)})) - a / 2);
    const double rim = std::max(0.1, 1.2 * pixel);
    if (d >= 0)
        return s;
    if (d > -2 * rim)
    {
        PaintStroke(d + rim, AwayFrom(p, {0, 0.1}), rim, 0.3, s);
        return s;
    }
    const double depth = Clamp01(-d / 0.5);
    const double hot = std::exp(-(Square(p.x + 0.28) + Square(p.y - 0.2)) / 0.18);
    const double glint = std::exp(-(Square(p.x + 0.38) + Square(p.y - 0.32)) / 0.006);
    const Rgb c = Mix(Rgb{0.25, 0.02, 0.30}, Rgb{0.95, 0.25, 0.50}, 0.35 + 0.65 * depth);
    s = {Plus(Plus(c, Scale(Rgb{1.0, 0.75, 0.70}, 0.55 * hot)), Scale(Rgb{1, 1, 1}, glint)), true};
    return s;
}

// ---- Rasterising --------------------------------------------------------------

uint8_t ToByte(double v)
{
    return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0));
}

// Sums the colours of the covered supersamples of the cell at (x0, y0) of
// size (dx, dy); returns how many were covered.
int ResolveCell(ShadeFn shade, double x0, double y0, double dx, double dy, Rgb& sum)
{
    int covered = 0;
    sum = {0, 0, 0};
    for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx)
        {
            const Sample s =
                shade(Vec2{x0 + (sx + 0.5) / kSub * dx, y0 + (sy + 0.5) / kSub * dy}, dx);
            if (s.covered)
                sum = Plus(sum, s.colour), ++covered;
        }
    return covered;
}

// A band texel is opaque once half of it is covered, with the colour averaged
// over the whole texel, so edges fade to black rather than to alpha.
bool ResolveBandTexel(const Band& band, ShadeFn shade, int i, int j, uint8_t out[4])
{
    const double dx = band.worldW / band.width, dy = band.worldH / band.height;
    Rgb sum;
    const int n = kSub * kSub;
    if (ResolveCell(shade, i * dx, j * dy, dx, dy, sum) * 2 < n)
        return false;
    out[0] = ToByte(sum.b / n), out[1] = ToByte(sum.g / n), out[2] = ToByte(sum.r / n),
    out[3] = 255;
    return true;
}

Image RenderBand(const Band& band, ShadeFn shade)
{
    Image img{band.width, band.height,
              std::vector<uint8_t>(size_t(band.width) * band.height * 4, 0)};
    for (int j = 0; j < band.height; ++j)
        for (int i = 0; i < band.width; ++i)
            ResolveBandTexel(band, shade, i, j, &img.bgra[(size_t(j) * band.width + i) * 4]);
    return img;
}

// The column just past the right edge must reproduce column 0 (give or take
// rounding), or the band shows a seam where it wraps round.
bool CheckSeam(const Band& band, ShadeFn shade, const Image& img)
{
    for (int j = 0; j < band.height; ++j)
    {
        uint8_t past[4] = {0, 0, 0, 0};
        ResolveBandTexel(band, shade, band.width, j, past);
        const uint8_t* first = &img.bgra[size_t(j) * band.width * 4];
        for (int k = 0; k < 4; ++k)
            if (std::abs(past[k] - first[k]) > 2)
                return false;
    }
    return true;
}

// Icons are blended by Windows, so unlike the bands they carry coverage in
// alpha, with straight (not premultiplied) colour.
Image RenderIcon(int size, ShadeFn shade)
{
    Image img{size, size, std::vector<uint8_t>(size_t(size) * size * 4, 0)};
    const double pixel = 2.0 / size;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i)
        {
            Rgb sum;
            const int covered =
                ResolveCell(shade, -1.0 + i * pixel, -1.0 + j * pixel, pixel, pixel, sum);
            if (covered == 0)
                continue;
            uint8_t* px = &img.bgra[(size_t(j) * size + i) * 4];
            px[0] = ToByte(sum.b / covered), px[1] = ToByte(sum.g / covered),
            px[2] = ToByte(sum.r / covered);
            px[3] = ToByte(double(covered) / (kSub * kSub));
        }
    return img;
}

// ---- File formats -------------------------------------------------------------

// TGA type 10: 18-byte header, then packets that may run across rows; no
// footer. Pairs of equal pixels already pay for a run packet.
std::vector<uint8_t> EncodeTgaRle(const Image& img)
{
    std::vector<uint8_t> out(18, 0);
    out[2] = 10;
    out[12] = img.width & 0xff, out[13] = img.width >> 8;
    out[14] = img.height & 0xff, out[15] = img.height >> 8;
    out[16] = 32;
    out[17] = 0x08; // 8 alpha bits, bottom row first
    const size_t count = size_t(img.width) * img.height;
    const uint8_t* px = img.bgra.data();
    auto same = [&](size_t a, size_t b)
    { return std::equal(px + a * 4, px + a * 4 + 4, px + b * 4); };
    for (size_t i = 0; i < count;)
    {
        size_t len = 1;
        while (i + len < count && len < 128 && same(i, i + len))
            ++len;
        if (len >= 2)
        {
            out.push_back(static_cast<uint8_t>(127 + len));
            out.insert(out.end(), px + i * 4, px + i * 4 + 4);
        }
        else
        {
            while (i + len < count && len < 128 &&
                   !(i + len + 1 < count && same(i + len, i + len + 1)))
                ++len;
            out.push_back(static_cast<uint8_t>(len - 1));
            out.insert(out.end(), px + i * 4, px + (i + len) * 4);
        }
        i += len;
    }
    return out;
}

// Decodes independently of the encoder so every file is proven to round-trip.
bool DecodeMatches(const std::vector<uint8_t>& tga, const Image& img)
{
    if (tga.size() < 18 || tga[2] != 10 || tga[16] != 32 || tga[17] != 0x08 ||
        tga[12] + 256 * tga[13] != img.width || tga[14] + 256 * tga[15] != img.height)
        return false;
    std::vector<uint8_t> px;
    for (size_t at = 18; at < tga.size();)
    {
        const int h = tga[at++];
        const size_t n = h < 128 ? h + 1 : h - 127;
        if (at + (h < 128 ? 4 * n : 4) > tga.size())
            return false;
        for (size_t k = 0; k < n; ++k)
            px.insert(px.end(), &tga[at + (h < 128 ? 4 * k : 0)],
                      &tga[at + (h < 128 ? 4 * k : 0) + 4]);
        at += h < 128 ? 4 * n : 4;
    }
    return px == img.bgra;
}

void Put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(v & 0xff), b.push_back((v >> 8) & 0xff);
}
void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    Put16(b, v & 0xffff), Put16(b, v >> 16);
}

// An ICO of 32-bit DIB entries: BITMAPINFOHEADER with the height doubled for
// the colour rows plus the 1-bit AND mask (set where fully transparent).
std::vector<uint8_t> EncodeIco(const std::vector<Image>& images)
{
    std::vector<uint8_t> dir, data;
    Put16(dir, 0), Put16(dir, 1), Put16(dir, uint32_t(images.size()));
    const size_t firstOffset = 6 + 16 * images.size();
    for (const Image& img : images)
    {
        const uint32_t n = img.width, maskStride = (n + 31) / 32 * 4;
        std::vector<uint8_t> entry;
        Put32(entry, 40), Put32(entry, n), Put32(entry, 2 * n), Put16(entry, 1), Put16(entry, 32);
        Put32(entry, 0), Put32(entry, n * n * 4 + maskStride * n);
        Put32(entry, 0), Put32(entry, 0), Put32(entry, 0), Put32(entry, 0);
        entry.insert(entry.end(), img.bgra.begin(), img.bgra.end());
        for (uint32_t j = 0; j < n; ++j)
        {
            std::vector<uint8_t> row(maskStride, 0);
            for (uint32_t i = 0; i < n; ++i)
                if (img.bgra[(size_t(j) * n + i) * 4 + 3] == 0)
                    row[i / 8] |= uint8_t(0x80 >> (i % 8));
            entry.insert(entry.end(), row.begin(), row.end());
        }
        dir.push_back(uint8_t(n & 0xff)), dir.push_back(uint8_t(n & 0xff)); // 0 means 256
        dir.push_back(0), dir.push_back(0), Put16(dir, 1), Put16(dir, 32);
        Put32(dir, uint32_t(entry.size())), Put32(dir, uint32_t(firstOffset + data.size()));
        data.insert(data.end(), entry.begin(), entry.end());
    }
    dir.insert(dir.end(), data.begin(), data.end());
    return dir;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f)
        std::fprintf(stderr, "texgen: cannot write %s\n", path.c_str());
    return bool(f);
}

bool WriteBand(const std::string& path, const Band& band, ShadeFn shade)
{
    const Image img = RenderBand(band, shade);
    const std::vector<uint8_t> tga = EncodeTgaRle(img);
    if (!CheckSeam(band, shade, img) || !DecodeMatches(tga, img))
    {
        std::fprintf(stderr, "texgen: %s does not tile or does not round-trip\n", path.c_str());
        return false;
    }
    const size_t texels = img.bgra.size() / 4;
    size_t clear = 0;
    for (size_t k = 3; k < img.bgra.size(); k += 4)
        clear += img.bgra[k] == 0;
    std::printf("%s: %dx%d, %zu bytes, %zu of %zu texels transparent (%.1f%%)\n", path.c_str(),
                img.width, img.height, tga.size(), clear, texels, 100.0 * clear / texels);
    return WriteFile(path, tga);
}

bool WriteIcon(const std::string& path, const std::vector<int>& sizes, ShadeFn shade)
{
    std::vector<Image> images;
    for (int n : sizes)
        images.push_back(RenderIcon(n, shade));
    const std::vector<uint8_t> ico = EncodeIco(images);
    std::printf("%s: %zu images, %zu bytes\n", path.c_str(), images.size(), ico.size());
    return WriteFile(path, ico);
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : "resources";
    std::error_code ignored; // a folder that cannot be made fails at the first write
    std::filesystem::create_directories(dir, ignored);
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    const bool ok = WriteBand(dir + "ring.tga", kRingBand, ShadeRing) &&
                    WriteBand(dir + "cylinder.tga", kCylinderBand, ShadeCylinder) &&
                    WriteIcon(dir + "solmir.ico", {16, 24, 32, 48, 64, 256}, ShadeAppIcon) &&
                    WriteIcon(dir + "emblem.ico", {16, 32, 48}, ShadeEmblem);
    return ok ? 0 : 1;
}
