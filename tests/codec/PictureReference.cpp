#include "tests/codec/PictureReference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int pairsOf(int width) { return (width + 1) / 2; }

size_t rgbRowBytes(int bytesPerPixel, int width) {
    return (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
}

int clampToByte(double value) {
    const long rounded = std::lround(value);
    return static_cast<int>(std::clamp(rounded, 0L, 255L));
}

// Chroma of luma row `row` from a 4:2:0 plane: MPEG-2 sites chroma row k
// halfway between luma rows 2k and 2k+1, so a luma row lies a quarter of a
// chroma row from its nearest chroma row.
double chroma420(const std::vector<int>& plane, int pairs, int chromaRows, int row, int pair) {
    const int nearRow = row / 2;
    const int farRow = std::clamp(row % 2 == 0 ? nearRow - 1 : nearRow + 1, 0, chromaRows - 1);
    return (3.0 * plane[nearRow * pairs + pair] + plane[farRow * pairs + pair]) / 4.0;
}

double chromaAt(const PlainPicture& p, const std::vector<int>& plane, int row, int pair) {
    const int pairs = pairsOf(p.width);
    if (p.format == kYUY2) return plane[row * pairs + pair];
    return chroma420(plane, pairs, p.chromaRows, row, pair);
}

PlainPicture yuvToRgb(const PlainPicture& s) {
    constexpr double kr = 0.299, kb = 0.114, kg = 1 - kr - kb;
    constexpr double luma = 255.0 / 219.0, chroma = 255.0 / 112.0;
    PlainPicture out;
    out.format = kRGB32;
    out.width = s.width;
    out.height = s.height;
    out.bgra.resize(static_cast<size_t>(s.width) * s.height * 4);
    for (int row = 0; row < s.height; ++row) {
        for (int x = 0; x < s.width; ++x) {
            const double y = luma * (s.y[row * s.width + x] - 16.0);
            const double u = chroma * (chromaAt(s, s.u, row, x / 2) - 128.0);
            const double v = chroma * (chromaAt(s, s.v, row, x / 2) - 128.0);
            int* px = &out.bgra[(static_cast<size_t>(row) * s.width + x) * 4];
            px[0] = clampToByte(y + (1 - kb) * u);
            px[1] = clampToByte(y - (1 - kb) * kb / kg * u - (1 - kr) * kr / kg * v);
            px[2] = clampToByte(y + (1 - kr) * v);
            px[3] = 255;
        }
    }
    return out;
}

PlainPicture yuvToYuv(const PlainPicture& s, int32_t format) {
    PlainPicture out = s;
    out.format = format;
    const int pairs = pairsOf(s.width);
    out.chromaRows = format == kYUY2 ? s.height : (s.height + 1) / 2;
    out.u.assign(static_cast<size_t>(pairs) * out.chromaRows, 0);
    out.v.assign(out.u.size(), 0);
    for (int row = 0; row < out.chromaRows; ++row) {
        for (int pair = 0; pair < pairs; ++pair) {
            const size_t at = static_cast<size_t>(row) * pairs + pair;
            if (format == kYUY2) {
                out.u[at] = clampToByte(chromaAt(s, s.u, row, pair));
                out.v[at] = clampToByte(chromaAt(s, s.v, row, pair));
            } else {
                // The two luma rows of a chroma row share its chroma; a lone
                // last row keeps its own.
                const int below = std::min(2 * row + 1, s.height - 1);
                out.u[at] = clampToByte((s.u[2 * row * pairs + pair] + s.u[below * pairs + pair]) / 2.0);
                out.v[at] = clampToByte((s.v[2 * row * pairs + pair] + s.v[below * pairs + pair]) / 2.0);
            }
        }
    }
    return out;
}

}  // namespace

size_t storedBytes(int32_t format, int width, int height) {
    const size_t rows = static_cast<size_t>(height);
    switch (format) {
    case kRGB32: return rgbRowBytes(4, width) * rows;
    case kRGB24: return rgbRowBytes(3, width) * rows;
    case kYUY2: return static_cast<size_t>(pairsOf(width)) * 4 * rows;
    case kYV12:
        return static_cast<size_t>(width) * rows +
               2 * static_cast<size_t>(pairsOf(width)) * ((height + 1) / 2);
    default: return 0;
    }
}

PlainPicture readPicture(int32_t format, const uint8_t* bytes, int width, int height, bool topDown) {
    PlainPicture p;
    p.width = width;
    p.height = height;
    const int pairs = pairsOf(width);
    if (format == kRGB24 || format == kRGB32) {
        const int depth = format == kRGB24 ? 3 : 4;
        const size_t stride = rgbRowBytes(depth, width);
        p.format = kRGB32;
        p.bgra.resize(static_cast<size_t>(width) * height * 4);
        for (int row = 0; row < height; ++row) {
            const uint8_t* line = bytes + stride * (topDown ? row : height - 1 - row);
            for (int x = 0; x < width; ++x) {
                int* px = &p.bgra[(static_cast<size_t>(row) * width + x) * 4];
                for (int c = 0; c < 3; ++c) px[c] = line[x * depth + c];
                px[3] = depth == 4 ? line[x * 4 + 3] : 255;
            }
        }
        return p;
    }
    p.format = format;
    p.y.resize(static_cast<size_t>(width) * height);
    if (format == kYUY2) {
        p.chromaRows = height;
        p.u.resize(static_cast<size_t>(pairs) * height);
        p.v.resize(p.u.size());
        for (int row = 0; row < height; ++row) {
            const uint8_t* line = bytes + static_cast<size_t>(pairs) * 4 * row;
            for (int x = 0; x < width; ++x) p.y[row * width + x] = line[(x / 2) * 4 + (x % 2) * 2];
            for (int pair = 0; pair < pairs; ++pair) {
                p.u[row * pairs + pair] = line[pair * 4 + 1];
                p.v[row * pairs + pair] = line[pair * 4 + 3];
            }
        }
        return p;
    }
    // YV12: Y, then V, then U.
    p.chromaRows = (height + 1) / 2;
    for (size_t i = 0; i < p.y.size(); ++i) p.y[i] = bytes[i];
    const uint8_t* vPlane = bytes + p.y.size();
    const uint8_t* uPlane = vPlane + static_cast<size_t>(pairs) * p.chromaRows;
    p.u.assign(uPlane, uPlane + static_cast<size_t>(pairs) * p.chromaRows);
    p.v.assign(vPlane, vPlane + static_cast<size_t>(pairs) * p.chromaRows);
    return p;
}

PlainPicture referenceConversion(const PlainPicture& source, int32_t format) {
    const bool toRgb = format == kRGB24 || format == kRGB32;
    if (source.format == kRGB32) {
        // RGB to RGB (YUV from RGB is not defined here): only RGB32 keeps
        // an alpha of its own.
        PlainPicture out = source;
        if (format == kRGB24)
            for (size_t i = 3; i < out.bgra.size(); i += 4) out.bgra[i] = 255;
        return out;
    }
    if (toRgb) return yuvToRgb(source);
    if (format == source.format) return source;
    return yuvToYuv(source, format);
}

int largestDifference(const PlainPicture& a, const PlainPicture& b) {
    if (a.format != b.format || a.width != b.width || a.height != b.height ||
        a.bgra.size() != b.bgra.size() || a.y.size() != b.y.size() || a.u.size() != b.u.size() ||
        a.v.size() != b.v.size())
        return 1 << 20;
    int largest = 0;
    auto compare = [&largest](const std::vector<int>& x, const std::vector<int>& y) {
        for (size_t i = 0; i < x.size(); ++i) largest = std::max(largest, std::abs(x[i] - y[i]));
    };
    compare(a.bgra, b.bgra);
    compare(a.y, b.y);
    compare(a.u, b.u);
    compare(a.v, b.v);
    return largest;
}

const char* formatText(int32_t format) {
    switch (format) {
    case kYV12: return "YV12";
    case kYUY2: return "YUY2";
    case kRGB24: return "RGB24";
    case kRGB32: return "RGB32";
    default: return "none";
    }
}
