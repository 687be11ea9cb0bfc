#include "processor.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ondrix_plugin_core {

namespace {

// Most Cc records one Engine::step call of at most 4 ticks can produce: 64 outputs, two records
// each for a 14-bit change.
constexpr std::size_t SCRATCH_CAPACITY = 512;
constexpr std::uint32_t TICKS_PER_TRACE_FRAME = 4;

ondrix_engine::Engine make_engine(Core& core) {
    auto pending = core.take_pending_patch();
    return ondrix_engine::Engine(pending ? std::move(*pending)
                                         : ondrix_engine::settings::Patch::defaults());
}

double samples_per_tick(double sample_rate) {
    // A rate that is not a number counts as 1 Hz, as does anything lower.
    const double rate = std::isnan(sample_rate) ? 1.0 : std::max(sample_rate, 1.0);
    return rate / 1000.0;
}

// Sample offset of a tick within the block: clamped into the block, 0 when not a number.
std::uint32_t event_time(double at, std::uint32_t last) {
    if (std::isnan(at)) return 0;
    return static_cast<std::uint32_t>(std::clamp(at, 0.0, static_cast<double>(last)));
}

// The engine's tap values, source by source, as one flat row of 64.
std::array<float, LIVE_SOURCE_COUNT> flat_taps(const ondrix_engine::Engine& engine) {
    std::array<float, LIVE_SOURCE_COUNT> flat{};
    const auto& taps = engine.taps();
    for (std::size_t s = 0; s < taps.size(); ++s) {
        for (std::size_t t = 0; t < taps[s].size(); ++t) flat[4 * s + t] = taps[s][t];
    }
    return flat;
}

}  // namespace

Processor::Processor(std::shared_ptr<Core> core, double sample_rate)
    : engine_(make_engine(*core)),
      core_(std::move(core)),
      samples_per_ms_(samples_per_tick(sample_rate)) {
    scratch_.reserve(SCRATCH_CAPACITY);
}

void Processor::process(std::uint32_t frames, std::uint32_t flags, bool playing,
                        std::vector<Midi>& out, float tempo, double song_position) {
    core_->try_with_pending_patch([this](std::optional<ondrix_engine::settings::Patch>& pending) {
        if (!pending) return;
        engine_.set_patch(std::move(*pending));
        pending.reset();
    });

    if (core_->take_restart_request()) engine_.reset();

    const double length = static_cast<double>(frames);
    if (length > position_) {
        const double beats_per_second = (flags & ondrix_engine::StepContext::HAS_TEMPO)
                                            ? static_cast<double>(tempo) / 60.0
                                            : 0.0;
        const std::uint32_t last = frames == 0 ? 0 : frames - 1;
        const std::size_t room = std::min(out.capacity(), MIDI_EVENT_CAPACITY);

        while (position_ < length) {
            // Ticks left in the block, but never past the next trace frame.
            const double left = std::ceil((length - position_) / samples_per_ms_);
            const auto ticks = std::min(
                static_cast<std::uint32_t>(std::clamp(left, 1.0, double{TICKS_PER_TRACE_FRAME})),
                TICKS_PER_TRACE_FRAME - ticks_since_record_);

            ondrix_engine::StepContext context;
            context.playing = playing ? 1u : 0u;
            context.beat =
                beats_per_second / (samples_per_ms_ * 1000.0) * position_ + song_position;
            context.flags = flags;
            context.tempo = tempo;

            scratch_.clear();
            engine_.step(ticks, context, scratch_);

            for (const ondrix_engine::Cc& cc : scratch_) {
                if (out.size() >= room) break;
                const double at =
                    std::floor(static_cast<double>(cc.tick) * samples_per_ms_ + position_);
                out.push_back(Midi{event_time(at, last),
                                   {static_cast<std::uint8_t>(0xB0 | (cc.channel & 0x0F)),
                                    static_cast<std::uint8_t>(cc.cc & 0x7F),
                                    static_cast<std::uint8_t>(cc.value & 0x7F)}});
            }

            ticks_since_record_ += ticks;
            if (ticks_since_record_ >= TICKS_PER_TRACE_FRAME) {
                ticks_since_record_ = 0;
                record();
            }
            position_ += static_cast<double>(ticks) * samples_per_ms_;
        }
    }

    position_ = std::max(position_ - length, 0.0);
    store_live();
}

void Processor::record() {
    core_->try_record(flat_taps(engine_), engine_.values());
}

void Processor::store_live() {
    core_->store_live(flat_taps(engine_), engine_.values());
}

}  // namespace ondrix_plugin_core
