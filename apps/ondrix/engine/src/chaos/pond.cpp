// Rain and wave: drops or crests disturb the hexagonal plate, and a damped discrete wave
// equation carries the ripples across it. The taps read four cells.

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "chaos/cells.hpp"
#include "chaos/rules.hpp"
#include "chaos/tap_cells.hpp"

namespace ondrix_engine::chaos::detail {
namespace {

// Events (drops or crests) handled in one call at most. Far above any musical rate; past it
// the backlog is dropped, so that an absurd rate cannot stall the audio thread.
constexpr int max_events = 16;

// Propagation steps run in one call at most; a backlog of 7 or more is dropped.
constexpr std::size_t max_steps = 6;

void rain_drop(Chaos::Pond& p, std::span<const cells::HexCell> plate, std::uint32_t& rng) {
    const float u = unit_draw(rng);
    const std::size_t c = to_count(u * static_cast<float>(plate.size())) % plate.size();
    p.current[c] += -1.2f;
    p.previous[c] += -0.6f;
    for (const std::int32_t n : plate[c].neighbours) {
        if (n < 0) continue;
        p.current[static_cast<std::size_t>(n)] += -0.6f;
        p.previous[static_cast<std::size_t>(n)] += -0.3f;
    }
}

// A crest along the edge of the plate that faces away from direction b.
void wave_crest(Chaos::Pond& p, std::span<const cells::HexCell> plate, float b) {
    const float theta = b * two_pi;
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    float lowest = std::numeric_limits<float>::infinity();
    for (const cells::HexCell& cell : plate) {
        const float along = cell.x * c + cell.y * s;
        if (along < lowest) lowest = along;
    }
    for (std::size_t i = 0; i < plate.size(); ++i) {
        const float along = plate[i].x * c + plate[i].y * s;
        if (along - lowest < 0.45f) {
            p.current[i] += 0.8f;
            p.previous[i] += 0.5f;
        }
    }
}

// A cell's existing neighbours, in neighbour order, and their count as the divisor of the pull.
struct Links {
    std::array<std::uint16_t, 6> cells{};
    std::uint32_t count = 0;
    float divisor = 1.0f;  // the count, or 1 for a cell without neighbours
};

std::vector<Links> build_links() {
    std::vector<Links> links;
    for (const cells::HexCell& cell : cells::CELLS()) {
        Links l;
        for (const std::int32_t j : cell.neighbours) {
            if (j >= 0) l.cells[l.count++] = static_cast<std::uint16_t>(j);
        }
        l.divisor = static_cast<float>(l.count > 0 ? l.count : 1);
        links.push_back(l);
    }
    return links;
}

// The plate's links, built with the plate's first pond.
const std::vector<Links>& plate_links() {
    static const std::vector<Links> links = build_links();
    return links;
}

void propagate(Chaos::Pond& p, float damping) {
    const std::vector<Links>& links = plate_links();
    const float* current = p.current.data();
    const float* previous = p.previous.data();
    float* next = p.next.data();
    double total = 0.0;
    for (std::size_t i = 0; i < links.size(); ++i) {
        const float here = current[i];
        const Links& l = links[i];
        float sum = 0.0f;
        for (std::uint32_t n = 0; n < l.count; ++n) sum += current[l.cells[n]] - here;
        const float pull = sum / l.divisor * 0.9f;
        next[i] = (here - previous[i]) * damping + here + pull;
        total += static_cast<double>(next[i]);
    }
    const auto mean = static_cast<float>(total / static_cast<double>(links.size()));
    // The old previous is no longer needed: it receives the new heights, then the roles turn.
    float* settled = p.previous.data();
    for (std::size_t i = 0; i < links.size(); ++i) settled[i] = next[i] - mean;
    std::swap(p.previous, p.current);
}

}  // namespace

void prepare_pond() {
    plate_links();
    cells::prepare_tap_cells();
}

Taps step_pond(Chaos::Pond& p, std::uint32_t& rng, const Inputs& in) {
    const std::span<const cells::HexCell> plate = cells::CELLS();
    if (p.current.size() != plate.size() || p.previous.size() != plate.size() ||
        p.next.size() != plate.size()) {
        return {};  // not a pond made by the (kind, seed) constructor; nothing safe to read
    }

    // Events.
    const float per_second = p.wave ? 0.25f : in.b * 1.5f + 0.1f;
    p.drops += per_second * in.rate * in.dt;
    for (int events = 0; p.drops >= 1.0f; ++events) {
        if (events == max_events) {
            p.drops = 0.0f;
            break;
        }
        p.drops -= 1.0f;
        if (p.wave) {
            wave_crest(p, plate, in.b);
        } else {
            rain_drop(p, plate, rng);
        }
    }

    // Propagation.
    p.clock += in.dt * (in.rate * 40.0f);
    const std::size_t due = to_count(std::floor(p.clock));
    if (due <= max_steps) {
        p.clock -= static_cast<float>(due);
    } else {
        p.clock = 0.0f;
    }
    const float damping = 1.0f - ((1.0f - in.a) * 0.06f + 0.003f);
    for (std::size_t n = 0; n < std::min(due, max_steps); ++n) propagate(p, damping);

    // Taps.
    if (in.spread != p.tap_spread || std::isnan(in.spread) || std::isnan(p.tap_spread)) {
        p.tap_spread = in.spread;
        for (std::size_t k = 0; k < 4; ++k) p.tap_cells[k] = cells::tap_cell(k, in.spread);
    }
    const float gain = p.wave ? 7.0f : 3.0f;
    Taps taps;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t c = p.tap_cells[k] < plate.size() ? p.tap_cells[k] : 0;
        const float before = p.previous[c];
        taps[k] = std::tanh((before + (p.current[c] - before) * p.clock) * gain);
    }
    return taps;
}

}  // namespace ondrix_engine::chaos::detail
