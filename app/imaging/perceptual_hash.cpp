/*
 * The DCT hashes (perceptual_hash.h). The grey picture is an area average of the
 * thumbnail, so every thumbnail pixel counts; only the coefficients used are computed,
 * the transform taken row by row.
 */
#include "imaging/perceptual_hash.h"

#include "imaging/pixels.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavdb::imaging {
namespace {

using Matrix = std::vector<std::vector<double>>;

Matrix greyOf(const Thumbnail& thumb, int side)
{
    Matrix grey(side, std::vector<double>(side));
    const std::size_t stride = rowStride(thumb.width, 24);
    for (int gy = 0; gy < side; ++gy) {
        const int y0 = gy * thumb.height / side;
        const int y1 = std::max(y0 + 1, (gy + 1) * thumb.height / side);
        for (int gx = 0; gx < side; ++gx) {
            const int x0 = gx * thumb.width / side;
            const int x1 = std::max(x0 + 1, (gx + 1) * thumb.width / side);
            double sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    const uint8_t* px = thumb.bgr.data() + y * stride + 3 * x;
                    sum += 0.114 * px[0] + 0.587 * px[1] + 0.299 * px[2];
                }
            grey[gy][gx] = sum / ((y1 - y0) * (x1 - x0));
        }
    }
    return grey;
}

/* cos((2x + 1) u pi / 2n) for u up to `frequencies`, x below n. */
Matrix cosines(int n, int frequencies)
{
    Matrix c(frequencies + 1, std::vector<double>(n));
    for (int u = 0; u <= frequencies; ++u)
        for (int x = 0; x < n; ++x)
            c[u][x] = std::cos((2 * x + 1) * u * std::numbers::pi / (2 * n));
    return c;
}

/* The low x low lowest frequencies of the side x side grey picture, the DC term (mean
 * brightness, which says nothing of the picture's shapes) replaced by (0, low). */
std::vector<double> lowFrequencies(const Thumbnail& thumb, int side, int low)
{
    const Matrix grey = greyOf(thumb, side);
    const Matrix c = cosines(side, low);
    Matrix rows(side, std::vector<double>(low + 1)); // rows[y][u]: the row's frequency u
    for (int y = 0; y < side; ++y)
        for (int u = 0; u <= low; ++u) {
            double s = 0;
            for (int x = 0; x < side; ++x)
                s += c[u][x] * grey[y][x];
            rows[y][u] = s;
        }
    std::vector<double> out(static_cast<std::size_t>(low) * low);
    for (int v = 0; v < low; ++v)
        for (int u = 0; u < low; ++u) {
            const int fu = (u == 0 && v == 0) ? low : u;
            double s = 0;
            for (int y = 0; y < side; ++y)
                s += c[v][y] * rows[y][fu];
            out[v * low + u] = s;
        }
    return out;
}

/* One bit per coefficient: above the median or not. */
std::vector<uint64_t> aboveMedian(const std::vector<double>& coefficients)
{
    std::vector<double> sorted = coefficients;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::vector<uint64_t> bits((coefficients.size() + 63) / 64, 0);
    for (std::size_t i = 0; i < coefficients.size(); ++i)
        if (coefficients[i] > median)
            bits[i / 64] |= uint64_t{1} << (i % 64);
    return bits;
}

} // namespace

uint64_t perceptualHash(const Thumbnail& thumb)
{
    if (thumb.width <= 0 || thumb.height <= 0)
        return 0;
    return aboveMedian(lowFrequencies(thumb, 32, 8)).front();
}

std::vector<uint64_t> detailHash(const Thumbnail& thumb)
{
    if (thumb.width <= 0 || thumb.height <= 0)
        return std::vector<uint64_t>(4, 0);
    return aboveMedian(lowFrequencies(thumb, 64, 16));
}

} // namespace kavdb::imaging
