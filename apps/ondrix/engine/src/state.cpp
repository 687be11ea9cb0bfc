#include "state.hpp"

#include "chaos/rng.hpp"

namespace ondrix_engine {

State::State(std::uint32_t index) {
    std::uint32_t s = (index * 0x9e3779b9u) ^ 0x5bd1u;
    if (s == 0) s = 1;
    for (float& step : steps) step = chaos::signed_draw(s);
    for (Held& h : held) {
        h.from = chaos::signed_draw(s);
        h.to = chaos::signed_draw(s);
    }
    wobble[1] = chaos::signed_draw(s);
    wobble[3] = chaos::signed_draw(s);
}

}  // namespace ondrix_engine
