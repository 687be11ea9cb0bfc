#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "settings/patch.hpp"

namespace ondrix_engine {

// One route as a term of a sum: the tap it reads and its gain.
struct RouteTerm {
    std::uint8_t previous = 0;  // 1: read the previous tick's taps (the source has not run yet)
    std::uint8_t from = 0;      // source index 0..15
    std::uint8_t tap = 0;       // tap 0..3
    float amount = 0.0f;
};

// The routes of a patch grouped by what they drive (each parameter of each source, and each
// output), every group in route-list order, so a sum over a group adds the same products in the
// same order as a pass over the whole list would.
// Thread: audio thread. Owner: the Engine.
class RouteIndex {
  public:
    static constexpr std::size_t SOURCES = 16;
    static constexpr std::size_t PARAMS = 9;
    static constexpr std::size_t OUTPUTS = 64;

    // Regroups `routes`, all of which must point at a source below 16 or an output below 64.
    // Allocates only when the list has grown past every earlier one.
    void build(std::span<const settings::Route> routes);

    std::span<const RouteTerm> into_source(std::size_t source, std::size_t param) const {
        return group(source * PARAMS + param);
    }
    std::span<const RouteTerm> into_output(std::size_t output) const {
        return group(SOURCES * PARAMS + output);
    }
    // Whether any route drives a parameter of `source`.
    bool drives_source(std::size_t source) const {
        return starts_[source * PARAMS] != starts_[(source + 1) * PARAMS];
    }

  private:
    static constexpr std::size_t GROUPS = SOURCES * PARAMS + OUTPUTS;

    std::span<const RouteTerm> group(std::size_t g) const {
        return {terms_.data() + starts_[g], terms_.data() + starts_[g + 1]};
    }

    std::vector<RouteTerm> terms_;
    std::array<std::uint32_t, GROUPS + 1> starts_{};
};

}  // namespace ondrix_engine
