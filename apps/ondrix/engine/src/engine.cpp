#include "engine.hpp"

#include <algorithm>
#include <optional>
#include <utility>

#include "numeric.hpp"

namespace ondrix_engine {

namespace {

std::array<State, SOURCE_COUNT> fresh_states() {
    return []<std::size_t... I>(std::index_sequence<I...>) {
        return std::array<State, SOURCE_COUNT>{State(static_cast<std::uint32_t>(I))...};
    }
    (std::make_index_sequence<SOURCE_COUNT>{});
}

// A disabled 1 Hz sine with every control at its neutral value.
settings::Source pad_source() {
    settings::Source s = settings::Source::lfo(settings::Shape::Sine{}, settings::Rate::free(1.0f));
    s.enabled = false;
    s.phase = 0.0f;
    s.a = 0.5f;
    s.b = 0.0f;
    return s;
}

// A disabled routed MIDI output on controller 16.
settings::Output pad_output() {
    settings::Output o;
    o.enabled = false;
    o.cc = 16;
    return o;
}

bool route_fits(const settings::Route& r) {
    if (r.from >= SOURCE_COUNT || r.tap >= TAP_COUNT) return false;
    if (const auto* source = r.target.get_if<settings::Target::Source>()) {
        return source->index < SOURCE_COUNT &&
               static_cast<std::size_t>(source->param) < RouteIndex::PARAMS;
    }
    const auto* output = r.target.get_if<settings::Target::Output>();
    return output != nullptr && output->index < OUTPUT_COUNT;
}

// The kind of chaotic generator a shape runs on, if any.
std::optional<std::uint8_t> chaos_kind(const settings::Shape& shape) {
    using Kind = settings::Shape::Kind;
    switch (shape.kind()) {
        case Kind::Field:
            return static_cast<std::uint8_t>(shape.get_if<settings::Shape::Field>()->motion);
        case Kind::Pendulum:
            return 6;
        case Kind::Lorenz:
            return 7;
        case Kind::Wander:
            return 8;
        default:
            return std::nullopt;
    }
}

OutputPlan plan_of(const settings::Output& o) {
    OutputPlan plan;
    if (const auto* clock = o.signal.get_if<settings::Signal::Clock>()) {
        plan.kind = OutputPlan::Kind::clock;
        plan.ppqn = clock->ppqn;
    } else if (o.signal.get_if<settings::Signal::Run>() != nullptr) {
        plan.kind = OutputPlan::Kind::run;
    } else if (o.signal.get_if<settings::Signal::Reset>() != nullptr) {
        plan.kind = OutputPlan::Kind::reset;
    }
    plan.bipolar = o.bipolar;
    plan.sends = o.enabled && o.dest.get_if<settings::Dest::Midi>() != nullptr;
    plan.fine = o.fine && o.cc < 32;
    plan.channel = o.channel & 15;
    plan.cc = o.cc & 127;
    plan.offset = o.offset;
    return plan;
}

}  // namespace

Engine::Engine(settings::Patch patch)
    : patch_(settings::Patch::defaults()), states_(fresh_states()) {
    set_patch(std::move(patch));
}

void Engine::set_patch(settings::Patch patch) {
    auto& sources = patch.sources;
    if (sources.size() > SOURCE_COUNT) {
        sources.erase(sources.begin() + SOURCE_COUNT, sources.end());
    } else if (sources.size() < SOURCE_COUNT) {
        sources.resize(SOURCE_COUNT, pad_source());
    }
    auto& outputs = patch.outputs;
    if (outputs.size() > OUTPUT_COUNT) {
        outputs.erase(outputs.begin() + OUTPUT_COUNT, outputs.end());
    } else if (outputs.size() < OUTPUT_COUNT) {
        outputs.resize(OUTPUT_COUNT, pad_output());
    }
    std::erase_if(patch.routes, [](const settings::Route& r) { return !route_fits(r); });

    for (std::size_t i = 0; i < SOURCE_COUNT; ++i) {
        std::optional<std::uint8_t> wanted = chaos_kind(sources[i].shape);
        auto& chaos = states_[i].chaos;
        if (chaos && wanted && chaos->kind() == *wanted) continue;
        if (wanted) {
            chaos = chaos::Chaos(*wanted, static_cast<std::uint32_t>(i + 1));
        } else {
            chaos.reset();
        }
    }

    for (std::size_t j = 0; j < OUTPUT_COUNT; ++j) {
        const auto& now = outputs[j];
        bool same = j < patch_.outputs.size() && patch_.outputs[j].channel == now.channel &&
                    patch_.outputs[j].cc == now.cc && patch_.outputs[j].fine == now.fine;
        if (!same) sent_[j] = Sent{};
    }

    patch_ = std::move(patch);
    routes_.build(patch_.routes);
    busy_count_ = 0;
    for (std::size_t j = 0; j < OUTPUT_COUNT; ++j) {
        OutputPlan& plan = plans_[j];
        plan = plan_of(patch_.outputs[j]);
        steady_values_[j] = 0.0f;
        if (plan.kind == OutputPlan::Kind::routed && routes_.into_output(j).empty()) {
            plan.kind = OutputPlan::Kind::steady;
            steady_values_[j] = output_stage::routed(plan.offset + 0.0f, plan.bipolar);
        }
        if (plan.kind != OutputPlan::Kind::steady || plan.sends) {
            busy_outputs_[busy_count_++] = static_cast<std::uint8_t>(j);
        }
    }
}

void Engine::reset() {
    for (std::size_t i = 0; i < SOURCE_COUNT; ++i) {
        State& st = states_[i];
        st.acc = 0.0;
        st.last_phase = {};
        st.started = false;
        if (st.chaos) st.chaos->restart(static_cast<std::uint32_t>(i + 1));
    }
    beat_ = 0.0;
    reset_ticks_ = 10;
}

void Engine::invalidate_sent() {
    sent_.fill(Sent{});
}

void Engine::step(std::uint32_t ticks, const StepContext& context, std::vector<Cc>& out) {
    const bool playing = context.playing == 1;
    const bool host_tempo = (context.flags & StepContext::HAS_TEMPO) != 0;
    float tempo = host_tempo ? context.tempo : patch_.tempo;
    tempo = numeric::clamp(tempo, StepContext::MIN_TEMPO, StepContext::MAX_TEMPO);
    if (playing && !was_playing_) reset_ticks_ = 10;
    was_playing_ = playing;
    if (ticks == 0) return;

    const float beats_per_tick = tempo / 60.0f * 0.001f;
    const bool running = !host_tempo || playing;
    for (std::uint32_t t = 0; t < ticks; ++t) {
        double beat_t = beat_;
        if (playing) {
            beat_t = context.beat + static_cast<double>(t) * static_cast<double>(beats_per_tick);
            beat_ = beat_t;
        }
        tap_sets_[1] = tap_sets_[0];
        // A disabled source gives 0 and stands still: its state, phase and drifts wait.
        for (std::size_t i = 0; i < SOURCE_COUNT; ++i) {
            if (patch_.sources[i].enabled) {
                run_source(i, beat_t, beats_per_tick);
            } else {
                tap_sets_[0][i] = {};
            }
        }
        beat_ += static_cast<double>(beats_per_tick);
        run_outputs(t, beat_t, running, out);
        if (reset_ticks_ > 0) --reset_ticks_;
    }
}

}  // namespace ondrix_engine
