#include "chaos/tap_cells.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "chaos/cells.hpp"
#include "chaos/rules.hpp"

namespace ondrix_engine::chaos::cells {
namespace {

// The farthest a tap reaches from the centre: 3.2 x spread at spread 1.
constexpr double longest_reach = 3.2;

// Slack, in squared plate units, for the rounding of the single-precision distances: far above
// their error (about 1e-5 at the plate's edge), so a list never misses a cell that the rounded
// distances could make nearest; it only keeps a few cells that never are.
constexpr double slack = 1e-3;

struct Point {
    float x;
    float y;
};

Point tap_point(std::size_t tap, float spread) {
    const float reach = 3.2f * spread;
    return {reach * detail::tap_directions[tap].x, reach * detail::tap_directions[tap].y};
}

// Strictly smaller squared distance wins, so ties go to the lowest index scanned first.
template <typename Indices>
std::size_t nearest(std::span<const HexCell> plate, Point p, const Indices& indices) {
    std::size_t best = 0;
    float best_d2 = std::numeric_limits<float>::infinity();
    for (const auto i : indices) {
        const float dx = plate[i].x - p.x;
        const float dy = plate[i].y - p.y;
        const float d2 = dx * dx + dy * dy;
        if (d2 < best_d2) {
            best_d2 = d2;
            best = i;
        }
    }
    return best;
}

struct AllCells {
    std::size_t count;
    struct Iterator {
        std::size_t i;
        std::size_t operator*() const { return i; }
        Iterator& operator++() {
            ++i;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return i != other.i; }
    };
    Iterator begin() const { return {0}; }
    Iterator end() const { return {count}; }
};

// Each tap's ray is cut into this many stretches of equal spread, each with its own list.
constexpr std::size_t stretches = 64;

using RayCells = std::array<std::array<std::vector<std::uint16_t>, stretches>, 4>;

// The cells among `among` (in index order) that are within `slack` of the nearest of them at some
// point t x D of the ray D, with t from `from` to `to` (each widened by the slack). Along the ray
// the difference of two squared distances, |c_i - tD|^2 - |c_j - tD|^2 = |c_i|^2 - |c_j|^2 -
// 2t D.(c_i - c_j), is linear in t, so the points where cell i comes within the slack of cell j
// form a half-line; cell i is kept when the half-lines of all j meet within the stretch.
template <typename Indices>
std::vector<std::uint16_t> cells_near(std::span<const HexCell> plate, detail::Direction d,
                                      double from, double to, const Indices& among) {
    std::vector<std::uint16_t> near;
    for (const auto i : among) {
        const double xi = plate[i].x;
        const double yi = plate[i].y;
        double lo = from - slack;
        double hi = to + slack;
        for (const auto j : among) {
            const double xj = plate[j].x;
            const double yj = plate[j].y;
            const double constant = (xi * xi + yi * yi) - (xj * xj + yj * yj) - slack;
            const double slope = 2.0 * (d.x * (xi - xj) + d.y * (yi - yj));
            // Cell i is within the slack of cell j where constant - slope t <= 0.
            if (slope > 0.0) {
                lo = std::max(lo, constant / slope);
            } else if (slope < 0.0) {
                hi = std::min(hi, constant / slope);
            } else if (constant > 0.0) {
                hi = lo - 1.0;
            }
            if (lo > hi) break;
        }
        if (lo <= hi) near.push_back(static_cast<std::uint16_t>(i));
    }
    return near;
}

// The lists of every stretch, from the list of the whole ray: whatever can be nearest within a
// stretch can be nearest somewhere on the ray.
RayCells build_ray_cells() {
    const std::span<const HexCell> plate = CELLS();
    RayCells lists;
    for (std::size_t tap = 0; tap < 4; ++tap) {
        const detail::Direction d = detail::tap_directions[tap];
        const std::vector<std::uint16_t> ray =
            cells_near(plate, d, 0.0, longest_reach, AllCells{plate.size()});
        for (std::size_t n = 0; n < stretches; ++n) {
            const double from = longest_reach * static_cast<double>(n) / stretches;
            const double to = longest_reach * static_cast<double>(n + 1) / stretches;
            lists[tap][n] = cells_near(plate, d, from, to, ray);
        }
    }
    return lists;
}

const RayCells& ray_cells() {
    static const RayCells lists = build_ray_cells();
    return lists;
}

}  // namespace

std::size_t tap_cell(std::size_t tap, float spread) {
    const std::span<const HexCell> plate = CELLS();
    const Point p = tap_point(tap, spread);
    if (spread >= 0.0f && spread <= 1.0f) {
        // spread x 64 is exact, so the stretch is the one the spread lies in; 1 joins the last.
        const auto n = std::min(static_cast<std::size_t>(spread * stretches), stretches - 1);
        return nearest(plate, p, ray_cells()[tap][n]);
    }
    return nearest(plate, p, AllCells{plate.size()});
}

std::size_t tap_cell_by_full_scan(std::size_t tap, float spread) {
    const std::span<const HexCell> plate = CELLS();
    return nearest(plate, tap_point(tap, spread), AllCells{plate.size()});
}

void prepare_tap_cells() {
    ray_cells();
}

}  // namespace ondrix_engine::chaos::cells
