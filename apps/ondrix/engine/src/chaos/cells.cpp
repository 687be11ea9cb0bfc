#include "chaos/cells.hpp"

#include <cmath>
#include <utility>
#include <vector>

namespace ondrix_engine::chaos::cells {
namespace {

// Half-width of the plate's hexagon, in raw units before the division by 8.6.
constexpr float plate_radius = 32.19788f;

std::vector<HexCell> build_plate() {
    std::vector<HexCell> plate;
    std::vector<std::pair<int, int>> axial;  // (q, r) of each cell, same index
    for (int r = -13; r <= 13; ++r) {
        const float y_raw = static_cast<float>(r) * 3.2250001f;
        if (std::fabs(y_raw) > plate_radius) continue;
        for (int q = -13; q <= 13; ++q) {
            const float across = static_cast<float>(q) * 1.7320508f;
            const float slant = static_cast<float>(r) * 0.8660254f;
            const float x_raw = (across + slant) * 2.15f;
            if (std::fabs(x_raw) * 0.866f + std::fabs(y_raw) * 0.5f > plate_radius) continue;
            HexCell cell;
            cell.neighbours.fill(-1);
            cell.x = x_raw / 8.6f;
            cell.y = y_raw / 8.6f;
            plate.push_back(cell);
            axial.emplace_back(q, r);
        }
    }

    const std::array<std::pair<int, int>, 6> steps = {
        {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, -1}, {-1, 1}}};
    for (std::size_t j = 0; j < plate.size(); ++j) {
        const auto [q, r] = axial[j];
        for (std::size_t side = 0; side < steps.size(); ++side) {
            const std::pair<int, int> wanted{q + steps[side].first, r + steps[side].second};
            for (std::size_t i = 0; i < axial.size(); ++i) {
                if (axial[i] == wanted) {
                    plate[j].neighbours[side] = static_cast<std::int32_t>(i);
                    break;
                }
            }
        }
    }
    return plate;
}

}  // namespace

std::span<const HexCell> CELLS() {
    // A function-local static: the first caller builds it, concurrent callers wait for it.
    static const std::vector<HexCell> plate = build_plate();
    return plate;
}

}  // namespace ondrix_engine::chaos::cells
