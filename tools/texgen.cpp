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

// ---- PNG for the large icon entry ----------------------------------------------
// Windows Vista and later read an icon entry that is a whole PNG file. At 256
// pixels the DIB form costs a quarter of a megabyte in the program, most of it
// transparent corners and smooth gradients, which deflate shrinks several times.

// PNG and zlib store numbers most significant byte first.
void PutBig32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(uint8_t(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    static uint32_t table[256];
    if (table[1] == 0)
        for (uint32_t n = 0; n < 256; ++n)
        {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t v : data)
        a = (a + v) % 65521, b = (b + a) % 65521;
    return b << 16 | a;
}

// Deflate writes bits from the least significant end; Huffman codes go in
// most significant bit first, so they are reversed on the way in.
struct BitWriter
{
    std::vector<uint8_t> bytes;
    uint32_t pending = 0;
    int count = 0;
    void Put(uint32_t value, int bits)
    {
        pending |= value << count, count += bits;
        for (; count >= 8; count -= 8, pending >>= 8)
            bytes.push_back(uint8_t(pending & 0xff));
    }
    void PutCode(uint32_t code, int bits)
    {
        uint32_t reversed = 0;
        for (int k = 0; k < bits; ++k)
            reversed |= ((code >> k) & 1) << (bits - 1 - k);
        Put(reversed, bits);
    }
    void Flush()
    {
        if (count > 0)
            bytes.push_back(uint8_t(pending & 0xff));
        pending = 0, count = 0;
    }
};

// Huffman code lengths no longer than `limit`. When the optimal tree is too
// deep the counts are halved (never to zero) and the tree built again: a few
// rounds at most, and ties broken by symbol number keep the output the same
// on every run.
std::vector<int> HuffmanLengths(std::vector<uint32_t> freq, int limit)
{
    const size_t n = freq.size();
    std::vector<int> lengths(n, 0);
    std::vector<size_t> used;
    for (size_t i = 0; i < n; ++i)
        if (freq[i] > 0)
            used.push_back(i);
    if (used.size() < 2) // a decoder needs a complete code: give it two 1-bit codes
    {
        lengths[used.empty() ? 0 : used[0]] = 1;
        lengths[used.empty() || used[0] != 0 ? 0 : 1] = 1;
        return lengths;
    }
    for (;;)
    {
        struct Node
        {
            uint64_t weight;
            size_t order; // ties: earlier built first, so the result is deterministic
            int left, right;
        };
        std::vector<Node> nodes;
        for (size_t i : used)
            nodes.push_back({freq[i], nodes.size(), -1, int(i)});
        auto heavier = [&](int a, int b)
        {
            return nodes[a].weight != nodes[b].weight ? nodes[a].weight > nodes[b].weight
                                                      : nodes[a].order > nodes[b].order;
        };
        std::vector<int> heap;
        for (size_t k = 0; k < nodes.size(); ++k)
            heap.push_back(int(k));
        std::make_heap(heap.begin(), heap.end(), heavier);
        while (heap.size() > 1)
        {
            std::pop_heap(heap.begin(), heap.end(), heavier);
            const int a = heap.back();
            heap.pop_back();
            std::pop_heap(heap.begin(), heap.end(), heavier);
            const int b = heap.back();
            heap.pop_back();
            nodes.push_back({nodes[a].weight + nodes[b].weight, nodes.size(), a, b});
            heap.push_back(int(nodes.size() - 1));
            std::push_heap(heap.begin(), heap.end(), heavier);
        }
        // Leaves keep their symbol in `right` with left = -1.
        int deepest = 0;
        std::vector<std::pair<int, int>> stack{{heap[0], 0}};
        while (!stack.empty())
        {
            const auto [k, depth] = stack.back();
            stack.pop_back();
            if (nodes[k].left < 0)
                lengths[nodes[k].right] = depth, deepest = std::max(deepest, depth);
            else
                stack.push_back({nodes[k].left, depth + 1}),
                    stack.push_back({nodes[k].right, depth + 1});
        }
        if (deepest <= limit)
            return lengths;
        for (size_t i : used)
            freq[i] = (freq[i] >> 1) | 1;
    }
}

// Canonical codes from lengths, as deflate defines them.
std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths)
{
    int count[16] = {0}, next[16] = {0};
    for (int len : lengths)
        ++count[len];
    count[0] = 0;
    for (int bits = 1, code = 0; bits < 16; ++bits)
        next[bits] = code = (code + count[bits - 1]) << 1;
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i] > 0)
            codes[i] = uint32_t(next[lengths[i]]++);
    return codes;
}

const int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                           33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

int LengthSymbol(int length)
{
    int k = 28;
    while (kLengthBase[k] > length)
        --k;
    return k;
}
int DistSymbol(int dist)
{
    int k = 29;
    while (kDistBase[k] > dist)
        --k;
    return k;
}

// One LZ77 step: a literal (dist 0) or a copy of `length` bytes from `dist` back.
struct Token
{
    uint16_t length;
    uint16_t dist;
};

// Greedy matching with one step of lazy evaluation over hash chains of three
// bytes, in a 32 KB window: close to zlib's best level, and plenty for icons.
std::vector<Token> FindMatches(const std::vector<uint8_t>& in)
{
    const int kWindow = 32768, kMaxChain = 512, kHashBits = 15;
    std::vector<int> head(1 << kHashBits, -1), prev(in.size(), -1);
    auto hash = [&](size_t i)
    { return ((in[i] << 10) ^ (in[i + 1] << 5) ^ in[i + 2]) & ((1 << kHashBits) - 1); };
    auto insert = [&](size_t i)
    {
        if (i + 2 < in.size())
        {
            const int h = hash(i);
            prev[i] = head[h], head[h] = int(i);
        }
    };
    auto longest = [&](size_t i, int& bestDist)
    {
        int best = 0;
        if (i + 2 >= in.size())
            return best;
        const int limit = int(std::min<size_t>(258, in.size() - i));
        int chain = kMaxChain;
        for (int j = head[hash(i)]; j >= 0 && int(i) - j <= kWindow && chain-- > 0; j = prev[j])
        {
            int len = 0;
            while (len < limit && in[j + len] == in[i + len])
                ++len;
            if (len > best)
                best = len, bestDist = int(i) - j;
            if (len == limit)
                break;
        }
        return best >= 3 ? best : 0;
    };
    std::vector<Token> tokens;
    for (size_t i = 0; i < in.size();)
    {
        int dist = 0, nextDist = 0;
        const int len = longest(i, dist);
        insert(i);
        if (len > 0 && len < 258 && i + 1 < in.size() && longest(i + 1, nextDist) > len)
        {
            tokens.push_back({in[i], 0}); // a longer match starts one byte on
            ++i;
            continue;
        }
        if (len == 0)
        {
            tokens.push_back({in[i], 0});
            ++i;
            continue;
        }
        tokens.push_back({uint16_t(len), uint16_t(dist)});
        for (size_t k = i + 1; k < i + len; ++k)
            insert(k);
        i += len;
    }
    return tokens;
}

// Code lengths are sent run-length coded with symbols 16 (repeat previous),
// 17 and 18 (runs of zeros); returns (symbol, extra bits value) pairs.
std::vector<std::pair<int, int>> RunLengthCode(const std::vector<int>& lengths)
{
    std::vector<std::pair<int, int>> out;
    for (size_t i = 0; i < lengths.size();)
    {
        size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == lengths[i])
            ++run;
        if (lengths[i] == 0 && run >= 3)
        {
            run = std::min<size_t>(run, 138);
            out.push_back(run >= 11 ? std::pair<int, int>{18, int(run) - 11}
                                    : std::pair<int, int>{17, int(run) - 3});
        }
        else if (lengths[i] != 0 && run >= 4)
        {
            run = std::min<size_t>(run, 7);
            out.push_back({lengths[i], 0});
            out.push_back({16, int(run) - 4});
        }
        else
        {
            run = 1;
            out.push_back({lengths[i], 0});
        }
        i += run;
    }
    return out;
}

// A zlib stream holding one dynamic-Huffman deflate block.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in)
{
    const std::vector<Token> tokens = FindMatches(in);
    std::vector<uint32_t> litFreq(286, 0), distFreq(30, 0);
    for (const Token& t : tokens)
        if (t.dist == 0)
            ++litFreq[t.length];
        else
            ++litFreq[257 + LengthSymbol(t.length)], ++distFreq[DistSymbol(t.dist)];
    ++litFreq[256]; // end of block
    const std::vector<int> litLen = HuffmanLengths(litFreq, 15);
    const std::vector<int> distLen = HuffmanLengths(distFreq, 15);
    const std::vector<uint32_t> litCode = CanonicalCodes(litLen),
                                distCode = CanonicalCodes(distLen);

    size_t hlit = 286, hdist = 30;
    while (hlit > 257 && litLen[hlit - 1] == 0)
        --hlit;
    while (hdist > 1 && distLen[hdist - 1] == 0)
        --hdist;
    std::vector<int> both(litLen.begin(), litLen.begin() + hlit);
    both.insert(both.end(), distLen.begin(), distLen.begin() + hdist);
    const std::vector<std::pair<int, int>> rle = RunLengthCode(both);
    std::vector<uint32_t> clFreq(19, 0);
    for (const auto& r : rle)
        ++clFreq[r.first];
    const std::vector<int> clLen = HuffmanLengths(clFreq, 7);
    const std::vector<uint32_t> clCode = CanonicalCodes(clLen);
    static const int kClOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                     11, 4,  12, 3, 13, 2, 14, 1, 15};
    int hclen = 19;
    while (hclen > 4 && clLen[kClOrder[hclen - 1]] == 0)
        --hclen;

    BitWriter w;
    w.Put(0x78, 8), w.Put(0xda, 8); // zlib: 32 KB window, best compression; 0x78da % 31 == 0
    w.Put(1, 1), w.Put(2, 2);       // the last block, dynamic Huffman
    w.Put(uint32_t(hlit - 257), 5), w.Put(uint32_t(hdist - 1), 5), w.Put(uint32_t(hclen - 4), 4);
    for (int k = 0; k < hclen; ++k)
        w.Put(uint32_t(clLen[kClOrder[k]]), 3);
    for (const auto& r : rle)
    {
        w.PutCode(clCode[r.first], clLen[r.first]);
        if (r.first >= 16)
            w.Put(uint32_t(r.second), r.first == 16 ? 2 : r.first == 17 ? 3 : 7);
    }
    for (const Token& t : tokens)
    {
        if (t.dist == 0)
        {
            w.PutCode(litCode[t.length], litLen[t.length]);
            continue;
        }
        const int ls = LengthSymbol(t.length), ds = DistSymbol(t.dist);
        w.PutCode(litCode[257 + ls], litLen[257 + ls]);
        w.Put(uint32_t(t.length - kLengthBase[ls]), kLengthExtra[ls]);
        w.PutCode(distCode[ds], distLen[ds]);
        w.Put(uint32_t(t.dist - kDistBase[ds]), kDistExtra[ds]);
    }
    w.PutCode(litCode[256], litLen[256]);
    w.Flush();
    PutBig32(w.bytes, Adler32(in));
    return w.bytes;
}

uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Each row takes the filter whose output has the smallest sum of magnitudes,
// the usual guess at what deflate will pack best.
std::vector<uint8_t> FilterRows(const std::vector<uint8_t>& rgba, int width, int height)
{
    const size_t stride = size_t(width) * 4;
    const std::vector<uint8_t> zero(stride, 0);
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y)
    {
        const uint8_t* row = &rgba[y * stride];
        const uint8_t* up = y > 0 ? &rgba[(y - 1) * stride] : zero.data();
        std::vector<uint8_t> best;
        uint64_t bestCost = ~uint64_t(0);
        for (int type = 0; type < 5; ++type)
        {
            std::vector<uint8_t> line{uint8_t(type)};
            uint64_t cost = 0;
            for (size_t i = 0; i < stride; ++i)
            {
                const int a = i >= 4 ? row[i - 4] : 0, b = up[i], c = i >= 4 ? up[i - 4] : 0;
                const int pred = type == 0   ? 0
                                 : type == 1 ? a
                                 : type == 2 ? b
                                 : type == 3 ? (a + b) / 2
                                             : Paeth(a, b, c);
                const uint8_t v = uint8_t(row[i] - pred);
                line.push_back(v);
                cost += v < 128 ? v : 256 - v;
            }
            if (cost < bestCost)
                bestCost = cost, best = line;
        }
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

void PutChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    PutBig32(png, uint32_t(data.size()));
    png.insert(png.end(), body.begin(), body.end());
    PutBig32(png, Crc32(body.data(), body.size()));
}

// The same pixels as the DIB form: straight-alpha RGBA, top row first.
std::vector<uint8_t> EncodePng(const Image& img)
{
    std::vector<uint8_t> rgba;
    for (int y = img.height - 1; y >= 0; --y)
        for (int x = 0; x < img.width; ++x)
        {
            const uint8_t* px = &img.bgra[(size_t(y) * img.width + x) * 4];
            rgba.insert(rgba.end(), {px[2], px[1], px[0], px[3]});
        }
    std::vector<uint8_t> ihdr;
    PutBig32(ihdr, uint32_t(img.width)), PutBig32(ihdr, uint32_t(img.height));
    ihdr.insert(ihdr.end(),
                {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, adaptive filters, no interlace
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", Deflate(FilterRows(rgba, img.width, img.height)));
    PutChunk(png, "IEND", {});
    return png;
}

// A 32-bit DIB icon entry: BITMAPINFOHEADER with the height doubled for the
// colour rows plus the 1-bit AND mask (set where fully transparent).
void AppendDib(const Image& img, std::vector<uint8_t>& entry)
{
    const uint32_t n = img.width, maskStride = (n + 31) / 32 * 4;
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
}

// An ICO of DIB entries, except the 256-pixel one, which is a PNG file: only
// Vista and later read that form, and older systems never ask for that size.
std::vector<uint8_t> EncodeIco(const std::vector<Image>& images)
{
    std::vector<uint8_t> dir, data;
    Put16(dir, 0), Put16(dir, 1), Put16(dir, uint32_t(images.size()));
    const size_t firstOffset = 6 + 16 * images.size();
    for (const Image& img : images)
    {
        const uint32_t n = img.width;
        std::vector<uint8_t> entry;
        if (n == 256)
            entry = EncodePng(img);
        else
            AppendDib(img, entry);
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
