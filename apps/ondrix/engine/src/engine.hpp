#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "cc.hpp"
#include "output_stage.hpp"
#include "route_index.hpp"
#include "settings/patch.hpp"
#include "state.hpp"
#include "step_context.hpp"

namespace ondrix_engine {

inline constexpr std::size_t SOURCE_COUNT = 16;
inline constexpr std::size_t TAP_COUNT = 4;
inline constexpr std::size_t OUTPUT_COUNT = 64;
inline constexpr std::size_t CV_INPUT_COUNT = 32;

using SourceTaps = std::array<float, TAP_COUNT>;
using Taps = std::array<SourceTaps, SOURCE_COUNT>;
using OutputValues = std::array<float, OUTPUT_COUNT>;

// The modulation engine of one plug-in instance: 16 sources, the routes between them and 64
// outputs, stepped in control ticks of one millisecond.
// Thread: the audio thread's processor, and only it. Owner: the processor, one per activation.
class Engine {
  public:
    // Starts from the default patch and fresh source states, then applies `patch`.
    explicit Engine(settings::Patch patch);

    // Plays `patch` from now on: pads or cuts it to 16 sources and 64 outputs, drops routes that
    // point nowhere, keeps each source's chaotic generator when its kind stays the same, and
    // forgets what was sent for outputs whose channel, controller or resolution changed. Phases,
    // random values and smoothing carry on. The only call that allocates or frees.
    void set_patch(settings::Patch patch);

    // Restarts every source's phase and chaotic generator, sets the beat to 0 and raises the
    // reset signal for 10 ticks.
    void reset();

    // Runs `ticks` control ticks and appends a Cc record to `out` for every change of an enabled
    // MIDI output. Writes only into the room `out` already has (never grows it); a change that
    // finds no room goes out at a later tick.
    void step(std::uint32_t ticks, const StepContext& context, std::vector<Cc>& out);

    // Marks every sent record invalid, so each enabled output sends again at its next tick.
    void invalidate_sent();

    const settings::Patch& patch() const { return patch_; }
    const std::array<State, SOURCE_COUNT>& states() const { return states_; }
    const std::array<Sent, OUTPUT_COUNT>& sent() const { return sent_; }
    // Tap values of the last tick, and of the tick before it.
    const Taps& taps() const { return tap_sets_[0]; }
    const Taps& prev_taps() const { return tap_sets_[1]; }
    // Output values (0..1) of the last tick.
    const OutputValues& values() const { return values_; }
    double beat() const { return beat_; }
    std::uint32_t reset_ticks() const { return reset_ticks_; }
    std::uint32_t rng() const { return rng_; }
    bool was_playing() const { return was_playing_; }

  private:
    // One tick of enabled source i: route modulation, drifts, phase, raw taps and their
    // processing.
    void run_source(std::size_t i, double beat_t, float beats_per_tick);
    // The tap value a route term reads: the float at its byte offset into the two tap sets.
    float tap_at(std::uint32_t offset) const {
        static_assert(sizeof(tap_sets_) == 2 * SOURCE_COUNT * TAP_COUNT * sizeof(float));
        float v;
        std::memcpy(&v, reinterpret_cast<const unsigned char*>(tap_sets_.data()) + offset,
                    sizeof v);
        return v;
    }
    // 0 plus each term's tap value times its amount, in the terms' order; two terms a turn.
    float route_sum(std::span<const RouteTerm> terms) const {
        float sum = 0.0f;
        const RouteTerm* r = terms.data();
        const RouteTerm* const end = r + terms.size();
        for (; end - r >= 2; r += 2) {
            sum += tap_at(r[0].tap) * r[0].amount;
            sum += tap_at(r[1].tap) * r[1].amount;
        }
        if (r != end) sum += tap_at(r->tap) * r->amount;
        return sum;
    }
    // One tick of the output stage: values and Cc records of all 64 outputs.
    void run_outputs(std::uint64_t tick, double beat_t, bool running, std::vector<Cc>& out);

    settings::Patch patch_;
    std::array<State, SOURCE_COUNT> states_;
    std::array<Sent, OUTPUT_COUNT> sent_{};
    std::array<Taps, 2> tap_sets_{};  // this tick's taps, then the previous tick's
    OutputValues values_{};
    double beat_ = 0.0;
    std::array<float, CV_INPUT_COUNT> cv_{};
    std::uint32_t reset_ticks_ = 0;
    std::uint32_t rng_ = 0x2545f491u;
    bool was_playing_ = false;
    RouteIndex routes_;                             // the routes grouped by target
    std::array<OutputPlan, OUTPUT_COUNT> plans_{};  // what the output stage reads of each output
    OutputValues steady_values_{};  // values of the routed outputs that no route drives
    std::array<std::uint8_t, OUTPUT_COUNT> busy_outputs_{};  // the others, and all that send
    std::size_t busy_count_ = 0;
};

}  // namespace ondrix_engine
