#include "route_index.hpp"

namespace ondrix_engine {

void RouteIndex::build(std::span<const settings::Route> routes) {
    auto group_of = [](const settings::Route& r) -> std::size_t {
        if (const auto* source = r.target.get_if<settings::Target::Source>()) {
            return source->index * PARAMS + static_cast<std::size_t>(source->param);
        }
        return SOURCES * PARAMS + r.target.get_if<settings::Target::Output>()->index;
    };

    // Counting sort by group, stable, so each group keeps the routes' list order.
    starts_.fill(0);
    for (const settings::Route& r : routes) ++starts_[group_of(r) + 1];
    for (std::size_t g = 0; g < GROUPS; ++g) starts_[g + 1] += starts_[g];

    terms_.resize(routes.size());
    std::array<std::uint32_t, GROUPS> fill{};
    for (const settings::Route& r : routes) {
        std::size_t g = group_of(r);
        // A source reads the sources before it as they are this tick, itself and the sources
        // after it as they were at the previous tick; outputs read this tick's taps.
        const auto* source = r.target.get_if<settings::Target::Source>();
        const std::size_t previous = source != nullptr && r.from >= source->index ? 1 : 0;
        terms_[starts_[g] + fill[g]++] = RouteTerm{
            static_cast<std::uint32_t>((previous * 64 + r.from * 4 + r.tap) * sizeof(float)),
            r.amount};
    }
}

}  // namespace ondrix_engine
