// SPDX-License-Identifier: MIT
// Draws every picture the viewer ships: the nine terrain tiles, the test
// picture, the empty tile, the empty background and the window icon, and the
// smaller sizes of that icon for the desktop's icon theme; the icon of map
// files in the file manager; and the ground pictures of the Tiled tileset,
// stretched to the tile's size as the viewer shows them.
// Everything comes from fixed seeds fed to our own generator (no clock, no
// library distributions), so a run writes the same bytes every time and the
// committed pictures only change when this program does.
//
// Usage: makePictures RESOURCES_FOLDER ICONS_FOLDER TILED_FOLDER

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;

// splitmix64: tiny, well mixed, and identical on every platform.
class SplitMix
{
public:
    explicit SplitMix(uint64_t seed) : state(seed) {}

    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }

private:
    uint64_t state;
};

struct Rgb
{
    double r = 0, g = 0, b = 0;
};

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb mix(Rgb a, Rgb b, double t) { return a * (1 - t) + b * t; }

double smoothStep(double lo, double hi, double x)
{
    const double t = std::clamp((x - lo) / (hi - lo), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

int wrap(int i, int n) { return ((i % n) + n) % n; }

double latticeValue(int i, int j, uint64_t seed)
{
    SplitMix hash(seed * 0x100000001B3ull ^ (uint64_t(uint32_t(i)) << 32 | uint32_t(j)));
    return hash.unit();
}

// Value noise whose lattice repeats every `period` cells: sampled over one
// tile's ground square it matches the copies on the neighbouring tiles.
double wrappedNoise(double s, double t, int period, uint64_t seed)
{
    const int i = int(std::floor(s)), j = int(std::floor(t));
    const double fs = smoothStep(0, 1, s - i), ft = smoothStep(0, 1, t - j);
    auto at = [&](int di, int dj) {
        return latticeValue(wrap(i + di, period), wrap(j + dj, period), seed);
    };
    const double top = at(0, 0) + (at(1, 0) - at(0, 0)) * fs;
    const double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * fs;
    return top + (bottom - top) * ft;
}

// ---------------------------------------------------------------- terrain

constexpr int tileWidth = 38;
constexpr int tileHeight = 20;
constexpr double groundSide = 20; // the tile's ground square, in pixel-ish units

// Ground-plane coordinates: u and v run along the two isometric directions,
// each spanning about -10..10 over the diamond, so features laid out in u/v
// come out at the map's own angle.
struct Ground
{
    double u, v;
};

Ground groundAt(double x, double y)
{
    const double px = x + 0.5 - tileWidth / 2.0;
    const double py = y + 0.5 - tileHeight / 2.0;
    return {py + px / 2, py - px / 2};
}

// Screen offset of a ground-plane offset.
QPointF screenOffset(double du, double dv) { return {du - dv, (du + dv) / 2}; }

// Fractal value noise over the ground square, in 0..1, tiling seamlessly.
double groundNoise(Ground g, int cells, int octaves, uint64_t seed)
{
    double sum = 0, amplitude = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const int period = cells << o;
        const double s = (g.u + groundSide / 2) / groundSide * period;
        const double t = (g.v + groundSide / 2) / groundSide * period;
        sum += amplitude * wrappedNoise(s, t, period, seed + uint64_t(o) * 7919);
        norm += amplitude;
        amplitude *= 0.5;
    }
    return sum / norm;
}

bool inDiamond(int x, int y)
{
    const int r = y < tileHeight / 2 ? y : tileHeight - 1 - y;
    return x >= 18 - 2 * r && x <= 19 + 2 * r;
}

using Field = std::vector<Rgb>; // tileWidth * tileHeight, row by row

int at(int x, int y) { return y * tileWidth + x; }

// A tile's field with every pixel from pixel(x, y), taken row by row, so that
// each material draws its random numbers in the same order on every run.
template <typename Pixel>
Field paintField(Pixel pixel)
{
    Field f(tileWidth * tileHeight);
    for (int y = 0; y < tileHeight; ++y)
        for (int x = 0; x < tileWidth; ++x)
            f[at(x, y)] = pixel(x, y);
    return f;
}

// Shifts the chosen pixels so their rounded, clamped mean lands on the target;
// a few passes are needed because clamping eats part of each shift.
void balanceMean(std::vector<Rgb> &pixels, const std::vector<int> &chosen, Rgb target)
{
    auto channel = [](double value) { return std::clamp(std::round(value), 0.0, 255.0); };
    for (int pass = 0; pass < 12; ++pass) {
        Rgb sum;
        for (int i : chosen)
            sum = sum + Rgb{channel(pixels[i].r), channel(pixels[i].g), channel(pixels[i].b)};
        const Rgb shift = target + sum * (-1.0 / double(chosen.size()));
        if (std::abs(shift.r) < 0.3 && std::abs(shift.g) < 0.3 && std::abs(shift.b) < 0.3)
            break;
        for (int i : chosen)
            pixels[i] = pixels[i] + shift;
    }
    for (int i : chosen)
        pixels[i] = {channel(pixels[i].r), channel(pixels[i].g), channel(pixels[i].b)};
}

QImage tileImage(Field field, Rgb target)
{
    std::vector<int> opaque;
    for (int y = 0; y < tileHeight; ++y)
        for (int x = 0; x < tileWidth; ++x)
            if (inDiamond(x, y))
                opaque.push_back(at(x, y));
    balanceMean(field, opaque, target);

    QImage image(tileWidth, tileHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int i : opaque) {
        const Rgb c = field[i];
        image.setPixel(i % tileWidth, i / tileWidth, qRgba(int(c.r), int(c.g), int(c.b), 255));
    }
    return image;
}

Field earth()
{
    SplitMix rng(101);
    return paintField([&](int x, int y) {
        const Ground g = groundAt(x, y);
        const double mottle = groundNoise(g, 4, 3, 11) - 0.5;
        Rgb c = Rgb{149, 113, 81} + Rgb{1.0, 0.85, 0.7} * (mottle * 26 + rng.range(-4, 4));
        const double speck = rng.unit();
        if (speck < 0.06)
            c = c * 0.9; // small clods
        else if (speck < 0.09)
            c = c + Rgb{9, 8, 7}; // dry grains
        return c;
    });
}

Field grass()
{
    SplitMix rng(202);
    Field f(tileWidth * tileHeight);
    std::vector<int> blade(f.size()); // -1 dark, 1 light, 0 plain
    for (int y = 0; y < tileHeight; ++y)
        for (int x = 0; x < tileWidth; ++x) {
            const Ground g = groundAt(x, y);
            const double patch = groundNoise(g, 4, 2, 21) - 0.5;
            f[at(x, y)] = Rgb{105, 125, 66} + Rgb{0.7, 1.0, 0.35} * (patch * 30 + rng.range(-4, 4));
            const double roll = rng.unit();
            blade[at(x, y)] = roll < 0.2 ? 1 : roll < 0.42 ? -1 : 0;
        }
    // Blades stand upright: each light speck also catches the pixel above it.
    for (int y = 0; y < tileHeight; ++y)
        for (int x = 0; x < tileWidth; ++x) {
            Rgb &c = f[at(x, y)];
            if (blade[at(x, y)] > 0) {
                c = c + Rgb{26, 30, 6};
                if (y > 0 && blade[at(x, y - 1)] == 0)
                    f[at(x, y - 1)] = f[at(x, y - 1)] + Rgb{12, 14, 3};
            } else if (blade[at(x, y)] < 0) {
                c = Rgb{c.r * 0.68, c.g * 0.76, c.b * 0.7};
            }
        }
    return f;
}

// Rows of stones along v with staggered cuts along u; the layout repeats every
// ground square so neighbouring tiles continue the paving.
struct Paving
{
    std::vector<double> rowStarts;            // ascending, within -10..10
    std::vector<std::vector<double>> rowCuts; // per row, ascending
};

Paving makePaving(SplitMix &rng)
{
    Paving p;
    const int rows = 3;
    for (int k = 0; k < rows; ++k)
        p.rowStarts.push_back(-8 + groundSide / rows * k + rng.range(-1, 1));
    for (int k = 0; k < rows; ++k) {
        const int count = 2 + int(rng.next() % 2);
        const double offset = rng.range(0, groundSide);
        std::vector<double> cuts;
        for (int c = 0; c < count; ++c) {
            const double along = (c + rng.range(-0.25, 0.25)) * groundSide / count + offset;
            cuts.push_back(std::fmod(along, groundSide) - groundSide / 2);
        }
        std::sort(cuts.begin(), cuts.end());
        p.rowCuts.push_back(cuts);
    }
    return p;
}

int countBelow(const std::vector<double> &edges, double value)
{
    return int(std::upper_bound(edges.begin(), edges.end(), value) - edges.begin());
}

int stoneId(const Paving &p, Ground g)
{
    const int rows = int(p.rowStarts.size());
    const double v = std::fmod(g.v + groundSide * 3 / 2, groundSide) - groundSide / 2;
    const int row = wrap(countBelow(p.rowStarts, v) - 1, rows);
    const auto &cuts = p.rowCuts[row];
    const double u = std::fmod(g.u + groundSide * 3 / 2, groundSide) - groundSide / 2;
    const int stone = wrap(countBelow(cuts, u) - 1, int(cuts.size()));
    return row * 8 + stone;
}

Field flagstones()
{
    SplitMix rng(303);
    const Paving paving = makePaving(rng);
    std::vector<Rgb> stoneShade(64);
    for (Rgb &shade : stoneShade)
        shade = mix(Rgb{116, 118, 122}, Rgb{98, 112, 136}, rng.unit()) * rng.range(0.86, 1.1);

    return paintField([&](int x, int y) {
        const int id = stoneId(paving, groundAt(x, y));
        // Both joint directions climb one pixel every two columns, so
        // looking one row down is enough for a clean one-pixel line.
        const bool joint = id != stoneId(paving, groundAt(x, y + 1));
        const double wear = groundNoise(groundAt(x, y), 5, 2, 31) - 0.5;
        Rgb c = stoneShade[id] + Rgb{1, 1, 1} * (wear * 18 + rng.range(-5, 5));
        // Light from above: the edge under a joint catches it.
        if (!joint && id != stoneId(paving, groundAt(x, y - 1)))
            c = c + Rgb{14, 14, 14};
        if (joint)
            c = Rgb{44, 48, 56} + Rgb{1, 1, 1} * rng.range(-4, 4);
        return c;
    });
}

Field rock()
{
    SplitMix rng(404);
    return paintField([&](int x, int y) {
        const Ground g = groundAt(x, y);
        const double body = groundNoise(g, 3, 3, 41) - 0.5;
        const double strata = std::sin(2 * pi * (g.u + 4 * groundNoise(g, 2, 2, 43)) / 5);
        return Rgb{84, 90, 98}
            + Rgb{1, 1, 1.05} * (body * 14 + strata * 2.5 + rng.range(-3, 3));
    });
}

Field sand()
{
    SplitMix rng(505);
    return paintField([&](int x, int y) {
        const Ground g = groundAt(x, y);
        const double ripple = std::sin(2 * pi * (g.v + 3 * groundNoise(g, 2, 2, 51)) / 4);
        Rgb c = Rgb{150, 110, 38} + Rgb{1, 0.8, 0.45} * (ripple * 5 + rng.range(-9, 9));
        const double grain = rng.unit();
        if (grain < 0.07)
            c = mix(c, Rgb{84, 56, 26}, rng.range(0.7, 0.9)); // dark specks
        else if (grain < 0.13)
            c = c + Rgb{16, 15, 12}; // bright quartz grains
        return c;
    });
}

Field water()
{
    SplitMix rng(606);
    return paintField([&](int x, int y) {
        const Ground g = groundAt(x, y);
        // Crests along one isometric diagonal, bent by noise so they wander.
        const double wave = std::sin(2 * pi * (g.u + 3.5 * groundNoise(g, 3, 2, 61)) / 5);
        const double swell = groundNoise(g, 2, 2, 63) - 0.5;
        Rgb c = Rgb{117, 177, 216} + Rgb{0.6, 0.8, 0.6} * (swell * 16 + rng.range(-2, 2));
        c = c + Rgb{30, 26, 18} * smoothStep(0.45, 1.0, wave);
        c = c + Rgb{-16, -16, -10} * smoothStep(0.35, 1.0, -wave);
        return c;
    });
}

Field lava()
{
    SplitMix rng(707);
    const Rgb red{196, 36, 6}, orange{238, 96, 6}, yellow{255, 172, 28};
    return paintField([&](int x, int y) {
        const double heat = groundNoise(groundAt(x, y), 3, 3, 71) + rng.range(-0.03, 0.03);
        return heat < 0.5 ? mix(red, orange, smoothStep(0.37, 0.45, heat))
                                 : mix(orange, yellow, smoothStep(0.57, 0.64, heat));
    });
}

// Basalt columns seen from above: jittered Voronoi cells on the ground plane,
// each cell's upper rim lit and lower rim in shadow.
Field basalt()
{
    SplitMix rng(808);
    const int grid = 3;
    std::vector<Ground> sites;
    std::vector<double> shade;
    for (int j = 0; j < grid; ++j)
        for (int i = 0; i < grid; ++i) {
            const double cell = groundSide / grid;
            sites.push_back({-groundSide / 2 + (i + rng.range(0.2, 0.8)) * cell,
                             -groundSide / 2 + (j + rng.range(0.2, 0.8)) * cell});
            shade.push_back(rng.range(0.85, 1.12));
        }

    return paintField([&](int x, int y) {
        const Ground g = groundAt(x, y);
        double best = 1e9, second = 1e9;
        int bestSite = 0;
        Ground toBest{}, toSecond{};
        for (int s = 0; s < int(sites.size()); ++s)
            for (int du = -1; du <= 1; ++du)
                for (int dv = -1; dv <= 1; ++dv) {
                    const Ground d{sites[s].u + du * groundSide - g.u,
                                   sites[s].v + dv * groundSide - g.v};
                    const double dist = std::hypot(d.u, d.v);
                    if (dist < best) {
                        second = best, toSecond = toBest;
                        best = dist, toBest = d, bestSite = s;
                    } else if (dist < second) {
                        second = dist, toSecond = d;
                    }
                }
        Rgb c = Rgb{92, 86, 78} * shade[bestSite]
            + Rgb{1, 1, 1} * ((groundNoise(g, 5, 2, 81) - 0.5) * 14 + rng.range(-4, 4));
        if (second - best < 0.8) {
            // Which way the neighbouring column lies on screen decides lit or shaded rim.
            const QPointF away = screenOffset(toSecond.u - toBest.u, toSecond.v - toBest.v);
            c = away.y() < 0 ? Rgb{176, 174, 170} : Rgb{46, 42, 38};
        } else if (rng.unit() < 0.04) {
            c = c + Rgb{40, 40, 40}; // glassy flecks
        }
        return c;
    });
}

Field pebbles()
{
    SplitMix rng(909);
    Field f = paintField([&](int x, int y) {
        const double ground = groundNoise(groundAt(x, y), 4, 2, 91) - 0.5;
        return Rgb{60, 64, 54} + Rgb{0.9, 1, 0.8} * (ground * 14 + rng.range(-4, 4));
    });

    // Strewn rather than heaped: a new pebble keeps clear of the others,
    // across the tile's wrap-around too.
    std::vector<Ground> spots;
    for (int attempt = 0; attempt < 400 && spots.size() < 18; ++attempt) {
        const Ground g{rng.range(-10, 10), rng.range(-10, 10)};
        const bool clear = std::all_of(spots.begin(), spots.end(), [&](Ground o) {
            const double du = std::remainder(g.u - o.u, groundSide);
            const double dv = std::remainder(g.v - o.v, groundSide);
            return std::hypot(du, dv) > 3.6;
        });
        if (clear)
            spots.push_back(g);
    }

    const QPointF centre(tileWidth / 2.0, tileHeight / 2.0);
    for (Ground g : spots) {
        const QPointF spot = centre + screenOffset(g.u, g.v);
        const double rx = rng.range(1.3, 2.4), ry = rx * rng.range(0.6, 0.8);
        const Rgb stone = Rgb{134, 136, 130} * rng.range(0.85, 1.12);
        // Draw the copies that fall on this tile from the neighbouring ones too.
        for (int du = -1; du <= 1; ++du)
            for (int dv = -1; dv <= 1; ++dv) {
                const QPointF c = spot + screenOffset(du * groundSide, dv * groundSide);
                for (int y = 0; y < tileHeight; ++y)
                    for (int x = 0; x < tileWidth; ++x) {
                        const double nx = (x + 0.5 - c.x()) / rx, ny = (y + 0.5 - c.y()) / ry;
                        const double r2 = nx * nx + ny * ny;
                        const double sx = nx - 0.7 / rx, sy = ny - 1.0 / ry;
                        Rgb &pixel = f[at(x, y)];
                        if (r2 <= 1)
                            pixel = stone + Rgb{1, 1, 1} * (-(nx * 0.5 + ny) * 14 - (r2 > 0.6 ? 8 : 0));
                        else if (sx * sx + sy * sy <= 1)
                            pixel = pixel * 0.72; // cast shadow
                    }
            }
    }
    return f;
}

// ---------------------------------------------------------- test picture

// The test picture: an earth diamond carrying a two-tier round platform whose
// top holds a ring of glowing patterns around a stone disc.
constexpr int testWidth = 128;
constexpr int testHeight = 64;

struct Ellipse
{
    double cx, cy, rx, ry;
    // Normalised radius: below 1 inside.
    double rho(double x, double y) const { return std::hypot((x - cx) / rx, (y - cy) / ry); }
    // Angle on the ground plane, 0 to the right, growing towards the viewer.
    double angle(double x, double y) const { return std::atan2((y - cy) / ry, (x - cx) / rx); }
    double lowerEdge(double x) const
    {
        const double t = std::clamp((x - cx) / rx, -1.0, 1.0);
        return cy + ry * std::sqrt(1 - t * t);
    }
    bool spans(double x) const { return std::abs(x - cx) <= rx; }
};

constexpr double tierStep = 4;
const Ellipse lowerTop{64, 28, 44, 22};
const Ellipse upperTop{64, 28 - tierStep, 30, 15};
const Ellipse glowRing{64, 28 - tierStep, 25, 12.5};
constexpr double discRho = 0.5;

enum class Part { earth, stoneTop, stoneSide, glow };

struct Sample
{
    Part part;
    int block; // which stone block, for the joints
    double along; // for sides, how far right of the centre, for shading
};

Sample sampleStone(double x, double y)
{
    auto blockAround = [](const Ellipse &e, double px, double py, int count, double twist) {
        const double turn = (e.angle(px, py) + pi) / (2 * pi);
        return int(std::floor(turn * count + twist));
    };
    if (upperTop.rho(x, y) <= 1) {
        const double ring = glowRing.rho(x, y);
        if (ring <= discRho)
            return {Part::stoneTop, ring < discRho * 0.55 ? 900 : 901 + blockAround(glowRing, x, y, 4, 0.5), 0};
        if (ring <= 1)
            return {Part::glow, 0, 0};
        return {Part::stoneTop, 700 + blockAround(upperTop, x, y, 20, 0), 0};
    }
    if (upperTop.spans(x) && y > upperTop.lowerEdge(x) && y <= upperTop.lowerEdge(x) + tierStep)
        return {Part::stoneSide, 500 + blockAround(upperTop, x, y, 16, 0.5), x - upperTop.cx};
    if (lowerTop.rho(x, y) <= 1) {
        const bool outer = lowerTop.rho(x, y) > 0.86;
        return {Part::stoneTop, (outer ? 300 : 100) + blockAround(lowerTop, x, y, 28, outer ? 0.5 : 0), 0};
    }
    return {Part::stoneSide, 200 + blockAround(lowerTop, x, y, 22, 0), x - lowerTop.cx};
}

bool insideStone(double x, double y)
{
    return lowerTop.rho(x, y) <= 1
        || (lowerTop.spans(x) && y > lowerTop.cy && y <= lowerTop.lowerEdge(x) + tierStep);
}

QPainterPath platformOutline()
{
    const auto &e = lowerTop;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addEllipse(QPointF(e.cx, e.cy), e.rx, e.ry);
    path.addEllipse(QPointF(e.cx, e.cy + tierStep), e.rx, e.ry);
    path.addRect(QRectF(e.cx - e.rx, e.cy, 2 * e.rx, tierStep));
    return path.simplified();
}

QPainterPath groundOutline()
{
    // Slightly larger than the picture so the middle rows run edge to edge and
    // the tips keep a few solid pixels.
    QPainterPath path;
    path.addPolygon(QPolygonF({QPointF(-2, 32), QPointF(64, -1), QPointF(130, 32), QPointF(64, 65.5),
                               QPointF(-2, 32)}));
    return path;
}

std::vector<int> coverage(const QPainterPath &path)
{
    QImage mask(testWidth, testHeight, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, Qt::white);
    painter.end();
    std::vector<int> alpha;
    for (int y = 0; y < testHeight; ++y)
        for (int x = 0; x < testWidth; ++x)
            alpha.push_back(qAlpha(mask.pixel(x, y)));
    return alpha;
}

// Runes: two bright circles with ticks and dots between them, softly haloed.
double glowAt(double x, double y)
{
    const double rho = glowRing.rho(x, y);
    const double turn = (glowRing.angle(x, y) + pi) / (2 * pi) * 16;
    const double radial = std::abs(turn - std::round(turn)) * 2 * pi * rho * glowRing.rx / 16;
    const double inner = std::abs(rho - 0.6) * glowRing.rx;
    const double outer = std::abs(rho - 0.92) * glowRing.rx;
    const double tick = (rho > 0.62 && rho < 0.9) ? radial : 99;
    const bool dotRow = std::abs(turn - std::floor(turn) - 0.5) < 0.16;
    const double dot = dotRow ? std::abs(rho - 0.76) * glowRing.rx * 1.6 : 99;
    const double nearest = std::min({inner, outer, tick, dot});
    return std::exp(-nearest * nearest / 1.2);
}

QImage testPicture()
{
    const std::vector<int> ground = coverage(groundOutline());
    const std::vector<int> platform = coverage(platformOutline());
    std::vector<int> alpha = coverage(groundOutline().united(platformOutline()));
    // A pixel a quarter covered or less is left out, so the edge stays one
    // soft step wide instead of growing a faint fringe.
    for (int &a : alpha)
        a = a <= 64 ? 0 : a;

    SplitMix rng(1001);
    std::vector<Rgb> pixels(testWidth * testHeight);
    std::vector<Sample> samples;
    std::vector<int> earthPixels, stonePixels, glowPixels;
    std::vector<double> noise(pixels.size());
    for (double &n : noise)
        n = rng.range(-1, 1);

    for (int y = 0; y < testHeight; ++y)
        for (int x = 0; x < testWidth; ++x) {
            const int i = y * testWidth + x;
            const double cx = x + 0.5, cy = y + 0.5;
            const bool stone = insideStone(cx, cy) || platform[i] > ground[i];
            samples.push_back(stone ? sampleStone(cx, cy) : Sample{Part::earth, 0, 0});
            if (alpha[i] == 0)
                continue;
            (samples[i].part == Part::earth   ? earthPixels
             : samples[i].part == Part::glow ? glowPixels
                                              : stonePixels)
                .push_back(i);
        }

    SplitMix blockRng(1002);
    std::vector<double> blockShade(1000);
    for (double &shade : blockShade)
        shade = blockRng.range(0.88, 1.12);

    for (int y = 0; y < testHeight; ++y)
        for (int x = 0; x < testWidth; ++x) {
            const int i = y * testWidth + x;
            const Sample &s = samples[i];
            Rgb &c = pixels[i];
            if (s.part == Part::earth) {
                const double mottle = wrappedNoise(x / 6.0, y / 3.0, 64, 1003) - 0.5;
                c = Rgb{108, 87, 64} + Rgb{1, 0.85, 0.7} * (mottle * 22 + noise[i] * 6);
                // The platform's shadow falls just below its base.
                const double gap = y + 0.5 - (lowerTop.lowerEdge(x + 0.5) + tierStep);
                if (lowerTop.spans(x + 0.5) && gap > 0 && gap < 3)
                    c = c * (0.7 + 0.1 * gap);
            } else if (s.part == Part::glow) {
                const double glow = glowAt(x + 0.5, y + 0.5);
                c = mix(Rgb{52, 78, 178}, Rgb{150, 196, 255}, glow);
                if (glow > 0.85)
                    c = mix(c, Rgb{225, 240, 255}, 0.6);
            } else {
                const bool side = s.part == Part::stoneSide;
                // Sides face the viewer and fall off towards the right, away from the light.
                const double light = side ? 0.7 - s.along / 44 * 0.12 : 1.0;
                c = Rgb{106, 97, 101} * (light * blockShade[s.block % 1000]) + Rgb{1, 1, 1} * noise[i] * 5;
                auto partAt = [&](int j) { return j >= 0 && j < int(samples.size()) ? samples[j].part : Part::earth; };
                auto blockEdge = [&](int j) { return partAt(j) != Part::earth && samples[j].block != s.block; };
                const Part below = partAt(i + testWidth), above = partAt(i - testWidth);
                if (!side && below == Part::stoneSide)
                    c = c + Rgb{26, 24, 25}; // the lit lip of a step
                else if ((x + 1 < testWidth && blockEdge(i + 1)) || blockEdge(i + testWidth))
                    c = Rgb{52, 46, 50};
                else if (!side && above == Part::stoneSide)
                    c = c * 0.8; // in the shadow of the step above
            }
        }

    balanceMean(pixels, earthPixels, {108, 87, 64});
    balanceMean(pixels, stonePixels, {93, 85, 88});
    balanceMean(pixels, glowPixels, {100, 133, 213});

    QImage image(testWidth, testHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int i = 0; i < int(pixels.size()); ++i)
        if (alpha[i] > 0)
            image.setPixel(i % testWidth, i / testWidth,
                           qRgba(int(pixels[i].r), int(pixels[i].g), int(pixels[i].b), alpha[i]));
    return image;
}

// ------------------------------------------------------------------ icon

// Three ground slabs stacked isometrically: grass over earth over water.
// Every size is drawn on its own pixel grid rather than shrunk from the large
// one: corners on whole pixels, diamonds exactly twice as wide as high, and
// no slab, step or rim thinner than a pixel, so the small sizes stay sharp.
struct SlabGeometry
{
    double cx, halfWidth, halfHeight, depth, rim;
};

void drawSlab(QPainter &painter, const SlabGeometry &g, double top, QColor face, QColor left,
              QColor right)
{
    const QPointF n(g.cx, top), e(g.cx + g.halfWidth, top + g.halfHeight),
        s(g.cx, top + 2 * g.halfHeight), w(g.cx - g.halfWidth, top + g.halfHeight);
    const QPointF down(0, g.depth);

    painter.setPen(Qt::NoPen);
    painter.setBrush(left);
    painter.drawPolygon(QPolygonF({w, s, s + down, w + down}));
    painter.setBrush(right);
    painter.drawPolygon(QPolygonF({s, e, e + down, s + down}));

    QLinearGradient shine(n, s);
    shine.setColorAt(0, face.lighter(115));
    shine.setColorAt(1, face);
    painter.setBrush(shine);
    painter.drawPolygon(QPolygonF({n, e, s, w}));

    // A light rim on the near edges keeps the layers apart at small sizes.
    if (painter.testRenderHint(QPainter::Antialiasing)) {
        painter.setPen(QPen(face.lighter(125), g.rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(QPolygonF({w + QPointF(g.rim * 0.75, 0), s - QPointF(0, g.rim / 2),
                                        e - QPointF(g.rim * 0.75, 0)}));
    } else {
        // Unsmoothed, a thin stroke falls unevenly on the pixels; a band along
        // the top of both sides stays the same on the left and the right.
        const QPointF rimDown(0, g.rim);
        painter.setBrush(face.lighter(125));
        painter.drawPolygon(QPolygonF({w, s, e, e + rimDown, s + rimDown, w + rimDown}));
    }
}

QImage icon(int size)
{
    // The 256 pixel design, rounded to this size's pixels.
    auto scaled = [size](double at256, long least) {
        return double(std::max(least, std::lround(at256 * size / 256)));
    };
    const double halfHeight = scaled(55, 3);
    const SlabGeometry g{size / 2.0, 2 * halfHeight, halfHeight, scaled(30, 2), scaled(4, 1)};
    const double step = scaled(36, 2);
    const double first = std::floor((size - 2 * step - 2 * halfHeight - g.depth) / 2);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Below 48 pixels, smoothed edges blur the layers into each other.
    painter.setRenderHint(QPainter::Antialiasing, size >= 48);
    drawSlab(painter, g, first + 2 * step, QColor(88, 160, 214), QColor(56, 118, 176),
             QColor(38, 86, 140));
    drawSlab(painter, g, first + step, QColor(166, 118, 74), QColor(130, 88, 52), QColor(98, 64, 38));
    drawSlab(painter, g, first, QColor(112, 178, 62), QColor(78, 136, 44), QColor(56, 104, 34));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ----------------------------------------------------------- map file icon

// A sheet of paper with a folded corner holding a small isometric map of four
// grounds. Drawn on each size's own pixel grid, as the application icon is:
// the fold and the diamond on whole pixels, the diamond twice as wide as high.
QImage mapFileIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, size >= 48);

    const int left = std::max(1, int(std::lround(size * 0.14)));
    const int right = size - left;
    const int top = std::max(0, int(std::lround(size * 0.04)));
    const int bottom = size - top;
    const int fold = std::max(3, int(std::lround(size * 0.25)));
    const QPolygonF sheet({QPointF(left, top), QPointF(right - fold, top), QPointF(right, top + fold),
                           QPointF(right, bottom), QPointF(left, bottom)});
    const double edge = 0.5; // a one-pixel line on the pixel centres
    painter.setPen(QPen(QColor(120, 120, 116), 1));
    painter.setBrush(QColor(246, 246, 240));
    painter.drawPolygon(sheet.translated(edge, edge).intersected(
        QPolygonF(QRectF(left, top, right - left - 1 + edge, bottom - top - 1 + edge))));
    painter.setBrush(QColor(214, 214, 206));
    painter.drawPolygon(QPolygonF({QPointF(right - fold, top), QPointF(right - fold, top + fold),
                                   QPointF(right - 1, top + fold)})
                            .translated(edge, edge));

    // Two by two diamonds, grass and water on earth, across the sheet's lower part.
    const int half = std::max(2, (right - left - 2 * std::max(1, size / 16)) / 4);
    const double cx = (left + right) / 2.0;
    const double cy = bottom - std::max(2, size / 10) - half;
    const QColor grounds[2][2] = {{QColor(112, 178, 62), QColor(88, 160, 214)},
                                  {QColor(166, 118, 74), QColor(112, 178, 62)}};
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 2; ++col) {
            const double x = cx + (col - row) * half;
            const double y = cy - half + (col + row) * half / 2.0;
            painter.setBrush(grounds[row][col]);
            painter.drawPolygon(QPolygonF({QPointF(x, y), QPointF(x + half, y + half / 2.0),
                                           QPointF(x, y + half), QPointF(x - half, y + half / 2.0)}));
        }
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------- Tiled tileset

// The ground pictures of codes '1' to '8' and of empty ground side by side,
// each stretched to the viewer's 64 by 32 tile without smoothing, pixel for
// pixel as a tile shows it: a copy of the nearest source pixel, so the alpha
// edges stay hard.
QImage tilesetImage(const std::vector<QImage> &grounds)
{
    constexpr int width = 64, height = 32;
    QImage strip(width * int(grounds.size()), height, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    for (size_t i = 0; i < grounds.size(); ++i) {
        const QImage tile = grounds[i].convertToFormat(QImage::Format_ARGB32).scaled(
            width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                strip.setPixel(int(i) * width + x, y, tile.pixel(x, y));
    }
    return strip;
}

// --------------------------------------------------------------- writing

bool write(const QImage &image, const QString &path, const char *format, bool progressive = false)
{
    QImageWriter writer(path, format);
    if (progressive) {
        writer.setQuality(100);
        writer.setProgressiveScanWrite(true);
    }
    if (!writer.write(image)) {
        std::fprintf(stderr, "makePictures: %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

// A Windows icon file of the pictures, largest last, each stored as PNG
// (which Windows reads in icons since Vista) in its little-endian directory.
bool writeIcon(const std::vector<QImage> &pictures, const QString &path)
{
    QByteArray header, images;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(pictures.size());
    const int dataStart = 6 + 16 * int(pictures.size());
    for (const QImage &picture : pictures) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "png");
        // 0 stands for 256 pixels.
        out << quint8(picture.width() & 0xFF) << quint8(picture.height() & 0xFF) << quint8(0) << quint8(0)
            << quint16(1) << quint16(32) << quint32(png.size()) << quint32(dataStart + images.size());
        images += png;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header + images) != header.size() + images.size()
        || !file.flush()) {
        std::fprintf(stderr, "makePictures: %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv); // lets QImageWriter find the JPEG plugin
    if (argc != 4) {
        std::fprintf(stderr, "usage: makePictures RESOURCES_FOLDER ICONS_FOLDER TILED_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char *folder : {"RSC/terrain", "Background", "Icons"})
        out.mkpath(folder);
    const QDir icons(QString::fromLocal8Bit(argv[2]));
    icons.mkpath(QStringLiteral("mimetypes"));
    const QDir tiled(QString::fromLocal8Bit(argv[3]));
    tiled.mkpath(QStringLiteral("."));

    struct Terrain
    {
        const char *name;
        Field (*paint)();
        Rgb mean;
    };
    const Terrain terrains[] = {
        {"terre", earth, {149, 113, 81}},     {"herbe", grass, {105, 125, 66}},
        {"dalles", flagstones, {101, 108, 119}}, {"roche", rock, {84, 90, 98}},
        {"sable", sand, {148, 108, 36}},      {"eau", water, {117, 177, 216}},
        {"lave", lava, {226, 88, 6}},         {"basalte", basalt, {100, 95, 88}},
        {"cailloux", pebbles, {75, 76, 70}},
    };
    bool ok = true;
    // The tileset's grounds, in code order: the first seven terrains, the
    // test picture, then the empty picture.
    std::vector<QImage> codeGrounds;
    for (const Terrain &t : terrains) {
        const QImage picture = tileImage(t.paint(), t.mean);
        if (codeGrounds.size() < 7)
            codeGrounds.push_back(picture);
        ok &= write(picture, out.filePath(QStringLiteral("RSC/terrain/%1.png").arg(t.name)), "png");
    }

    const QImage test = testPicture();
    codeGrounds.push_back(test);
    ok &= write(test, out.filePath("test.png"), "png");

    QImage empty(2, 2, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    codeGrounds.push_back(empty);
    ok &= write(empty, out.filePath("vide.png"), "png");
    ok &= write(tilesetImage(codeGrounds), tiled.filePath("velmora.png"), "png");

    QImage background(1, 1, QImage::Format_RGB32);
    background.fill(QColor(39, 39, 39));
    ok &= write(background, out.filePath("Background/vide.jpg"), "jpeg", true);

    // The window's icon is also the theme's 256 pixel one.
    ok &= write(icon(256), out.filePath("Icons/base.png"), "png");
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        ok &= write(icon(size), icons.filePath(QStringLiteral("%1.png").arg(size)), "png");
    // The Windows programs' icon, as Explorer shows them, from the same drawings.
    ok &= writeIcon({icon(16), icon(24), icon(32), icon(48), icon(64), icon(128), icon(256)},
                    icons.filePath(QStringLiteral("velmora.ico")));
    for (int size : {16, 22, 24, 32, 48, 64})
        ok &= write(mapFileIcon(size), icons.filePath(QStringLiteral("mimetypes/%1.png").arg(size)), "png");
    return ok ? 0 : 1;
}
