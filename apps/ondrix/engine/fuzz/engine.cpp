// Runs any patch the text reader accepts for up to 2,000 control ticks, as the audio thread
// would, under fuzzed transports, resets and patch swaps. Every record must be a real MIDI
// control change (channel 0-15, controller and value 0-127) at a tick inside its step call, in
// tick order, and a step must never allocate.
//
// Input: a patch text, then a NUL and the control bytes, then (each after a NUL) further patch
// texts that the swaps choose among, with the default patch.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "allocation_counter.hpp"
#include "engine.hpp"
#include "settings/patch.hpp"

namespace {

using ondrix_engine::Cc;
using ondrix_engine::Engine;
using ondrix_engine::StepContext;
using ondrix_engine::settings::Patch;

constexpr std::uint32_t MAX_TICKS = 2000;
// As the processor: at most 4 ticks per step, room for 64 outputs sending two records each.
constexpr std::uint32_t MAX_SLICE = 4;
constexpr std::size_t RECORD_ROOM = 512;

class Bytes {
  public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
    bool empty() const { return at_ >= bytes_.size(); }
    std::uint8_t byte() {
        return at_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[at_++]) : 0;
    }
    template <class T>
    T raw() {
        unsigned char bits[sizeof(T)] = {};
        for (unsigned char& b : bits) b = byte();
        T value;
        std::memcpy(&value, bits, sizeof value);
        return value;
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// A transport as a host may send it: mostly ordinary, sometimes any bit pattern at all.
StepContext transport(Bytes& in) {
    StepContext context;
    const std::uint8_t pick = in.byte();
    context.playing = pick & 1u;
    context.flags = (pick >> 1) & StepContext::HAS_TEMPO;
    if ((pick & 0x04) != 0) {
        context.tempo = in.raw<float>();
    } else {
        context.tempo = 20.0f + static_cast<float>(in.byte()) * 2.0f;
    }
    if ((pick & 0x08) != 0) {
        context.beat = in.raw<double>();
    } else {
        context.beat = static_cast<double>(in.raw<std::int16_t>()) / 16.0;
    }
    return context;
}

void step(Engine& engine, std::uint32_t ticks, const StepContext& context, std::vector<Cc>& out) {
    out.clear();
    {
        ondrix_testing::AllocationCounter counter;
        engine.step(ticks, context, out);
        if (counter.count() != 0) std::abort();  // the audio thread must not allocate
    }
    std::uint64_t last = 0;
    for (const Cc& cc : out) {
        if (cc.channel > 15 || cc.cc > 127 || cc.value > 127) std::abort();
        if (cc.tick >= ticks || cc.tick < last) std::abort();
        last = cc.tick;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (std::size_t nul; (nul = input.find('\0')) != std::string_view::npos;) {
        parts.push_back(input.substr(0, nul));
        input.remove_prefix(nul + 1);
    }
    parts.push_back(input);

    auto first = Patch::from_json_text(parts[0]);
    if (!first) return 0;
    std::vector<Patch> swaps{Patch::defaults()};
    for (std::size_t i = 2; i < parts.size(); ++i) {
        if (auto read = Patch::from_json_text(parts[i])) swaps.push_back(std::move(read.value()));
    }

    Engine engine(std::move(first.value()));
    std::vector<Cc> out;
    out.reserve(RECORD_ROOM);
    StepContext context;
    context.playing = 1;
    context.flags = StepContext::HAS_TEMPO;
    Bytes in(parts.size() > 1 ? parts[1] : std::string_view());
    std::uint32_t ticks = 0;
    while (ticks < MAX_TICKS) {
        if (in.empty()) {
            // The rest of the run goes on under the last transport.
            const std::uint32_t slice = std::min(MAX_SLICE, MAX_TICKS - ticks);
            step(engine, slice, context, out);
            ticks += slice;
            continue;
        }
        const std::uint8_t op = in.byte();
        switch (op % 8) {
            case 5:
                context = transport(in);
                break;
            case 6:
                if ((op & 0x08) != 0) {
                    engine.invalidate_sent();
                } else {
                    engine.reset();
                }
                break;
            case 7:
                engine.set_patch(swaps[(op >> 3) % swaps.size()]);
                break;
            default: {
                const std::uint32_t slice = std::min(1u + (op >> 3) % MAX_SLICE, MAX_TICKS - ticks);
                step(engine, slice, context, out);
                ticks += slice;
            }
        }
    }
    return 0;
}
