#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "settings/patch.hpp"

namespace ondrix_engine {

// One route as a term of a sum: where its tap value lies, and its gain.
struct RouteTerm {
    // Byte offset of the tap value within the engine's 2 x 16 x 4 tap values (this tick's, then
    // the previous tick's), as floats: previous x 64 + source x 4 + tap. A source reads the
    // previous tick's taps of itself and of the sources after it, which have not run yet.
    std::uint32_t tap = 0;
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
