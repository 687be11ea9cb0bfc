// One 256-frame block at 48 kHz of the built plug-in module, through its own CLAP process and
// through the VST3 process adapter in front of it, for the default patch and the heavy patch W.
// The counter "x_realtime" is simulated audio seconds per CPU second; "events_per_block" what
// the host received.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "heavy_patch.hpp"
#include "host_fakes.hpp"
#include "ondrix_module.hpp"
#include "process_adapter.hpp"
#include "settings/patch.hpp"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "public.sdk/source/vst/vstbus.h"

namespace {

using namespace ondrix_engine::settings;
using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double SAMPLE_RATE = 48000.0;
constexpr std::uint32_t FRAMES = 256;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// W as the patch JSON the plug-in takes in: the fields W sets, the rest left to the defaults.
std::string patch_json(const Patch& patch) {
    static const char* const shapes[] = {"sine",  "triangle", "saw",   "square",   "sampleHold",
                                         "smoothRandom", "morph", "drawn", "field", "pendulum",
                                         "lorenz", "cvIn", "wander"};
    static const char* const motions[] = {"drift", "flow", "spin", "rain", "wave", "cells"};
    static const char* const params[] = {"rate", "depth",  "offset", "phase", "a",
                                         "b",    "spread", "smooth", "rough"};
    std::string text = R"({"sources":[)";
    for (const Source& s : patch.sources) {
        text += text.back() == '[' ? "" : ",";
        text += R"({"enabled":)" + std::string(s.enabled ? "true" : "false");
        text += R"(,"shape":{"kind":")" + std::string(shapes[s.shape.ordinal()]) + '"';
        if (const auto* field = s.shape.get_if<Shape::Field>()) {
            text += R"(,"motion":")" + std::string(motions[static_cast<int>(field->motion)]) + '"';
        }
        if (const auto* drawn = s.shape.get_if<Shape::Drawn>()) {
            text += R"(,"table":[)";
            for (std::size_t i = 0; i < drawn->table.size(); ++i) {
                text += i > 0 ? "," : "";
                text += number(drawn->table[i]);
            }
            text += "]";
        }
        text += R"(},"rate":{"mode":")" +
                std::string(s.rate.mode == Rate::Mode::Free ? "free\",\"hz\":" : "sync\",\"beats\":") +
                number(s.rate.value) + "}";
        text += R"(,"phase":)" + number(s.phase) + R"(,"a":)" + number(s.a) + R"(,"b":)" +
                number(s.b) + R"(,"spread":)" + number(s.spread) + R"(,"depth":)" +
                number(s.depth) + R"(,"offset":)" + number(s.offset) + R"(,"unipolar":)" +
                (s.unipolar ? "true" : "false") + R"(,"smooth":)" + number(s.smooth) +
                R"(,"rough":)" + number(s.rough) + R"(,"bits":)" + std::to_string(s.bits) + "}";
    }
    text += R"(],"routes":[)";
    for (const Route& r : patch.routes) {
        text += text.back() == '[' ? "" : ",";
        text += R"({"from":)" + std::to_string(r.from) + R"(,"tap":)" + std::to_string(r.tap) +
                R"(,"amount":)" + number(r.amount);
        if (const auto* source = r.target.get_if<Target::Source>()) {
            text += R"(,"to":"source","index":)" + std::to_string(source->index) +
                    R"(,"param":")" + params[static_cast<int>(source->param)] + "\"}";
        } else {
            text += R"(,"to":"output","index":)" +
                    std::to_string(r.target.get_if<Target::Output>()->index) + "}";
        }
    }
    text += R"(],"outputs":[)";
    for (const Output& o : patch.outputs) {
        text += text.back() == '[' ? "" : ",";
        text += R"({"cc":)" + std::to_string(o.cc) + R"(,"fine":)" + (o.fine ? "true" : "false") +
                "}";
    }
    text += R"(],"tempo":)" + number(patch.tempo) + "}";
    return text;
}

// The state document of W, checked to read back as W itself.
const std::string& heavy_state() {
    static const std::string state = [] {
        const Patch heavy = ondrix_bench::heavy_patch();
        const std::string json = patch_json(heavy);
        const auto read = Patch::from_json_text(json);
        if (!read.ok() || !(read.value() == heavy)) {
            std::fprintf(stderr, "the JSON of W does not read back as W: %s\n",
                         read.ok() ? "different patch" : read.error().c_str());
            std::abort();
        }
        return R"({"patch":)" + json + R"(,"version":1})";
    }();
    return state;
}

struct Buffers {
    std::vector<float> left = std::vector<float>(FRAMES), right = std::vector<float>(FRAMES);
    float* channels[2] = {left.data(), right.data()};
};

void report(benchmark::State& state, std::size_t events) {
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * FRAMES / SAMPLE_RATE,
                           benchmark::Counter::kIsRate);
    state.counters["events_per_block"] =
        static_cast<double>(events) / static_cast<double>(state.iterations());
}

// The plug-in's process as a CLAP host calls it, keeping every event pushed.
void direct(benchmark::State& state, const std::string& ondrixState) {
    process_testing::OndrixInstance ondrix(ONDRIX_CLAP_MODULE, ondrixState, SAMPLE_RATE);
    const clap_plugin_t* plugin = ondrix.plugin();
    Buffers buffers;
    clap_audio_buffer_t output{};
    output.data32 = buffers.channels;
    output.channel_count = 2;
    clap_input_events_t in{nullptr, [](const clap_input_events_t*) { return 0u; },
                           [](const clap_input_events_t*, std::uint32_t) {
                               return static_cast<const clap_event_header_t*>(nullptr);
                           }};
    std::vector<clap_event_midi_t> pushed;
    pushed.reserve(8192);
    clap_output_events_t out{&pushed, [](const clap_output_events_t* list,
                                         const clap_event_header_t* event) {
                                 auto& events = *static_cast<std::vector<clap_event_midi_t>*>(list->ctx);
                                 events.push_back(*reinterpret_cast<const clap_event_midi_t*>(event));
                                 return true;
                             }};
    clap_event_transport_t transport{};
    transport.header = {sizeof transport, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    transport.flags = CLAP_TRANSPORT_IS_PLAYING | CLAP_TRANSPORT_HAS_TEMPO |
                      CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_SECONDS_TIMELINE;
    transport.tempo = 120.0;
    transport.tsig_num = transport.tsig_denom = 4;
    clap_process_t process{};
    process.steady_time = 0;
    process.frames_count = FRAMES;
    process.transport = &transport;
    process.audio_outputs = &output;
    process.audio_outputs_count = 1;
    process.in_events = &in;
    process.out_events = &out;

    double beats = 0;
    std::size_t events = 0;
    const auto block = [&] {
        pushed.clear();
        transport.song_pos_beats = Clap::doubleToBeatTime(beats);
        transport.song_pos_seconds = Clap::doubleToSecTime(beats / 2);
        plugin->process(plugin, &process);
        process.steady_time += FRAMES;
        beats += FRAMES / SAMPLE_RATE * 2.0;
        events += pushed.size();
    };
    block();  // takes the loaded patch over
    events = 0;
    for (auto _ : state) {
        block();
        benchmark::DoNotOptimize(pushed.data());
    }
    report(state, events);
}

// The same block as a VST3 host hands it to the adapter.
void adapted(benchmark::State& state, const std::string& ondrixState) {
    process_testing::OndrixInstance ondrix(ONDRIX_CLAP_MODULE, ondrixState, SAMPLE_RATE);
    const clap_plugin_t* plugin = ondrix.plugin();
    BusList inputs(kAudio, kInput), outputs(kAudio, kOutput);
    outputs.push_back(owned(new AudioBus(u"main", kMain, BusInfo::kDefaultActive,
                                         SpeakerArr::kStereo)));
    ParameterContainer parameters;
    std::vector<std::uint32_t> gestures;
    gestures.reserve(8192);
    Clap::ProcessAdapter adapter;
    adapter.setupProcessing(plugin, nullptr, inputs, outputs, FRAMES, 1, 1, parameters, nullptr,
                            nullptr, gestures, true, false);

    Buffers buffers;
    AudioBusBuffers output;
    output.numChannels = 2;
    output.channelBuffers32 = buffers.channels;
    process_testing::EventList in, out;
    out.events.reserve(8192);
    process_testing::ParameterChanges changes;
    ProcessContext context{};
    context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                    ProcessContext::kProjectTimeMusicValid;
    context.sampleRate = SAMPLE_RATE;
    context.tempo = 120.0;
    ProcessData data;
    data.numSamples = static_cast<int32>(FRAMES);
    data.numOutputs = 1;
    data.outputs = &output;
    data.inputEvents = &in;
    data.outputEvents = &out;
    data.inputParameterChanges = &changes;
    data.processContext = &context;

    std::size_t events = 0;
    const auto block = [&] {
        out.events.clear();
        adapter.process(data);
        context.projectTimeSamples += FRAMES;
        context.projectTimeMusic += FRAMES / SAMPLE_RATE * 2.0;
        events += out.events.size();
    };
    block();
    events = 0;
    for (auto _ : state) {
        block();
        benchmark::DoNotOptimize(out.events.data());
    }
    report(state, events);
}

void BM_DirectDefaultPatch(benchmark::State& state) {
    direct(state, "");
}
void BM_AdapterDefaultPatch(benchmark::State& state) {
    adapted(state, "");
}
void BM_DirectHeavyPatch(benchmark::State& state) {
    direct(state, heavy_state());
}
void BM_AdapterHeavyPatch(benchmark::State& state) {
    adapted(state, heavy_state());
}

BENCHMARK(BM_DirectDefaultPatch);
BENCHMARK(BM_AdapterDefaultPatch);
BENCHMARK(BM_DirectHeavyPatch);
BENCHMARK(BM_AdapterHeavyPatch);

}  // namespace
