#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "json/node_reader.hpp"
#include "json/text_reader.hpp"
#include "json/typed.hpp"
#include "settings/patch.hpp"
#include "settings/patch_warnings.hpp"

// The patch JSON readers: one table per type, read by the shared typed readers from the text,
// from a tree, or from the buffered entries of a tagged value.
namespace ondrix_engine::settings {
namespace {

using json::Variants;
using json::typed::AlternativesInOrder;
using json::typed::Bare;
using json::typed::read_enum;
using json::typed::read_list;
using json::typed::read_option;
using json::typed::read_record;
using json::typed::read_tagged;
using json::typed::read_u8;
using json::typed::read_usize;
using json::typed::WithPayload;

// Names without aliases: name i is alternative i.
template <std::size_t N>
constexpr Variants plain(const std::array<std::string_view, N>& names) {
    return Variants{names, {}, N};
}

constexpr std::array<std::string_view, 15> kShapeNames = {
    "sine",  "triangle", "saw",   "sawDown",  "sawUp",  "square", "sampleHold", "smoothRandom",
    "morph", "drawn",    "field", "pendulum", "lorenz", "cvIn",   "wander",
};
constexpr std::array<std::uint8_t, 15> kShapeOfName = {0, 1, 2, 2, 2,  3,  4, 5,
                                                       6, 7, 8, 9, 10, 11, 12};
constexpr std::array<std::string_view, 2> kRateNames = {"free", "sync"};
constexpr std::array<std::string_view, 6> kMotionNames = {"drift", "flow", "spin",
                                                          "rain",  "wave", "cells"};
constexpr std::array<std::string_view, 9> kParamNames = {"rate", "depth",  "offset", "phase", "a",
                                                         "b",    "spread", "smooth", "rough"};
constexpr std::array<std::string_view, 2> kTargetNames = {"source", "output"};
constexpr std::array<std::string_view, 3> kDestNames = {"midi", "cv", "gate"};
constexpr std::array<std::string_view, 2> kPortNames = {"channel", "expander"};
constexpr std::array<std::string_view, 4> kSignalNames = {"routed", "clock", "run", "reset"};
constexpr std::array<std::string_view, 12> kScaleNames = {
    "chromatic", "major",      "minor",           "harmonicMinor",   "dorian", "phrygian",
    "lydian",    "mixolydian", "pentatonicMajor", "pentatonicMinor", "blues",  "wholeTone",
};

constexpr Variants kShapeVariants{kShapeNames, kShapeOfName, std::variant_size_v<Shape::Value>};
constexpr Variants kRateVariants = plain(kRateNames);
constexpr Variants kMotionVariants = plain(kMotionNames);
constexpr Variants kParamVariants = plain(kParamNames);
constexpr Variants kTargetVariants = plain(kTargetNames);
constexpr Variants kDestVariants = plain(kDestNames);
constexpr Variants kPortVariants = plain(kPortNames);
constexpr Variants kSignalVariants = plain(kSignalNames);
constexpr Variants kScaleVariants = plain(kScaleNames);

template <class In>
bool read_port(In& in, Port& out);

// ---- payload records of tagged alternatives

struct DrawnPayload {
    using Type = Shape::Drawn;
    static constexpr std::string_view expected = "struct variant Shape::Drawn";
    static constexpr std::string_view expected_length =
        "struct variant Shape::Drawn with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"table"};
    static constexpr std::array<bool, 1> required = {true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return read_list(in, out.table,
                         [](auto& element, float& value) { return element.read_f32(value); });
    }
};

struct FieldPayload {
    using Type = Shape::Field;
    static constexpr std::string_view expected = "struct variant Shape::Field";
    static constexpr std::string_view expected_length =
        "struct variant Shape::Field with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"motion"};
    static constexpr std::array<bool, 1> required = {false};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return read_enum(in, kMotionVariants, out.motion);
    }
};

struct CvInPayload {
    using Type = Shape::CvIn;
    static constexpr std::string_view expected = "struct variant Shape::CvIn";
    static constexpr std::string_view expected_length = "struct variant Shape::CvIn with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"channel"};
    static constexpr std::array<bool, 1> required = {false};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return read_u8(in, out.channel);
    }
};

struct RateValue {
    float value = 0.0f;
};

struct FreePayload {
    using Type = RateValue;
    static constexpr std::string_view expected = "struct variant Rate::Free";
    static constexpr std::string_view expected_length = "struct variant Rate::Free with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"hz"};
    static constexpr std::array<bool, 1> required = {true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return in.read_f32(out.value);
    }
};

struct SyncPayload : FreePayload {
    static constexpr std::string_view expected = "struct variant Rate::Sync";
    static constexpr std::string_view expected_length = "struct variant Rate::Sync with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"beats"};
};

struct TargetSourcePayload {
    using Type = Target::Source;
    static constexpr std::string_view expected = "struct variant Target::Source";
    static constexpr std::string_view expected_length =
        "struct variant Target::Source with 2 elements";
    static constexpr std::array<std::string_view, 2> keys = {"index", "param"};
    static constexpr std::array<bool, 2> required = {true, true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t i) {
        if (i == 0) return read_usize(in, out.index);
        return read_enum(in, kParamVariants, out.param);
    }
};

struct TargetOutputPayload {
    using Type = Target::Output;
    static constexpr std::string_view expected = "struct variant Target::Output";
    static constexpr std::string_view expected_length =
        "struct variant Target::Output with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"index"};
    static constexpr std::array<bool, 1> required = {true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return read_usize(in, out.index);
    }
};

template <class Alternative, const std::string_view& Expected, const std::string_view& Length>
struct PortPayload {
    using Type = Alternative;
    static constexpr std::string_view expected = Expected;
    static constexpr std::string_view expected_length = Length;
    static constexpr std::array<std::string_view, 1> keys = {"port"};
    static constexpr std::array<bool, 1> required = {true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return read_port(in, out.port);
    }
};
constexpr std::string_view kCv = "struct variant Dest::Cv";
constexpr std::string_view kCvLength = "struct variant Dest::Cv with 1 element";
constexpr std::string_view kGate = "struct variant Dest::Gate";
constexpr std::string_view kGateLength = "struct variant Dest::Gate with 1 element";
using CvPayload = PortPayload<Dest::Cv, kCv, kCvLength>;
using GatePayload = PortPayload<Dest::Gate, kGate, kGateLength>;

struct ChannelPayload {
    using Type = Port::Channel;
    static constexpr std::string_view expected = "struct variant Port::Channel";
    static constexpr std::string_view expected_length =
        "struct variant Port::Channel with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"index"};
    static constexpr std::array<bool, 1> required = {true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return read_u8(in, out.index);
    }
};

struct ExpanderPayload {
    using Type = Port::Expander;
    static constexpr std::string_view expected = "struct variant Port::Expander";
    static constexpr std::string_view expected_length =
        "struct variant Port::Expander with 2 elements";
    static constexpr std::array<std::string_view, 2> keys = {"header", "output"};
    static constexpr std::array<bool, 2> required = {true, true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t i) {
        return read_u8(in, i == 0 ? out.header : out.output);
    }
};

struct ClockPayload {
    using Type = Signal::Clock;
    static constexpr std::string_view expected = "struct variant Signal::Clock";
    static constexpr std::string_view expected_length =
        "struct variant Signal::Clock with 1 element";
    static constexpr std::array<std::string_view, 1> keys = {"ppqn"};
    static constexpr std::array<bool, 1> required = {true};
    template <class In>
    static bool read_field(In& in, Type& out, std::size_t) {
        return in.read_f32(out.ppqn);
    }
};

// ---- tagged unions

struct ShapeUnion
    : AlternativesInOrder<Bare<Shape::Sine>, Bare<Shape::Triangle>, Bare<Shape::Saw>,
                          Bare<Shape::Square>, Bare<Shape::SampleHold>, Bare<Shape::SmoothRandom>,
                          Bare<Shape::Morph>, WithPayload<DrawnPayload>, WithPayload<FieldPayload>,
                          Bare<Shape::Pendulum>, Bare<Shape::Lorenz>, WithPayload<CvInPayload>,
                          Bare<Shape::Wander>> {
    using Type = Shape;
    static constexpr std::string_view tag = "kind";
    static constexpr std::string_view expected = "internally tagged enum Shape";
    static inline const Variants& variants = kShapeVariants;
};
static_assert(ShapeUnion::count == kShapeVariants.alternatives);

// Both alternatives carry one number, so a rate is read by hand.
struct RateUnion {
    using Type = Rate;
    static constexpr std::string_view tag = "mode";
    static constexpr std::string_view expected = "internally tagged enum Rate";
    static inline const Variants& variants = kRateVariants;
    template <class In>
    static bool read_alternative(In& in, std::size_t alternative, Rate& out) {
        RateValue value;
        const bool ok = alternative == 0 ? read_record<FreePayload>(in, value)
                                         : read_record<SyncPayload>(in, value);
        if (!ok) return false;
        out = alternative == 0 ? Rate::free(value.value) : Rate::sync(value.value);
        return true;
    }
};

struct TargetUnion
    : AlternativesInOrder<WithPayload<TargetSourcePayload>, WithPayload<TargetOutputPayload>> {
    using Type = Target;
    static constexpr std::string_view tag = "to";
    static constexpr std::string_view expected = "internally tagged enum Target";
    static inline const Variants& variants = kTargetVariants;
};
static_assert(TargetUnion::count == kTargetVariants.alternatives);

struct DestUnion
    : AlternativesInOrder<Bare<Dest::Midi>, WithPayload<CvPayload>, WithPayload<GatePayload>> {
    using Type = Dest;
    static constexpr std::string_view tag = "kind";
    static constexpr std::string_view expected = "internally tagged enum Dest";
    static inline const Variants& variants = kDestVariants;
};
static_assert(DestUnion::count == kDestVariants.alternatives);

struct PortUnion : AlternativesInOrder<WithPayload<ChannelPayload>, WithPayload<ExpanderPayload>> {
    using Type = Port;
    static constexpr std::string_view tag = "type";
    static constexpr std::string_view expected = "internally tagged enum Port";
    static inline const Variants& variants = kPortVariants;
};
static_assert(PortUnion::count == kPortVariants.alternatives);

struct SignalUnion : AlternativesInOrder<Bare<Signal::Routed>, WithPayload<ClockPayload>,
                                         Bare<Signal::Run>, Bare<Signal::Reset>> {
    using Type = Signal;
    static constexpr std::string_view tag = "kind";
    static constexpr std::string_view expected = "internally tagged enum Signal";
    static inline const Variants& variants = kSignalVariants;
};
static_assert(SignalUnion::count == kSignalVariants.alternatives);

template <class In>
bool read_port(In& in, Port& out) {
    return read_tagged<PortUnion>(in, out);
}

// ---- records

struct SourceFields {
    using Type = Source;
    static constexpr std::string_view expected = "struct Source";
    static constexpr std::string_view expected_length = "struct Source with 13 elements";
    static constexpr std::array<std::string_view, 13> keys = {
        "enabled", "shape",  "rate",     "phase",  "a",     "b",    "spread",
        "depth",   "offset", "unipolar", "smooth", "rough", "bits",
    };
    static constexpr std::array<bool, 13> required = {
        false, true, true, false, false, false, false, false, false, false, false, false, false};
    template <class In>
    static bool read_field(In& in, Source& out, std::size_t i) {
        switch (i) {
            case 0:
                return in.read_bool(out.enabled);
            case 1:
                return read_tagged<ShapeUnion>(in, out.shape);
            case 2:
                return read_tagged<RateUnion>(in, out.rate);
            case 3:
                return in.read_f32(out.phase);
            case 4:
                return in.read_f32(out.a);
            case 5:
                return in.read_f32(out.b);
            case 6:
                return in.read_f32(out.spread);
            case 7:
                return in.read_f32(out.depth);
            case 8:
                return in.read_f32(out.offset);
            case 9:
                return in.read_bool(out.unipolar);
            case 10:
                return in.read_f32(out.smooth);
            case 11:
                return in.read_f32(out.rough);
            default:
                return read_u8(in, out.bits);
        }
    }
};

struct QuantizeFields {
    using Type = Quantize;
    static constexpr std::string_view expected = "struct Quantize";
    static constexpr std::string_view expected_length = "struct Quantize with 2 elements";
    static constexpr std::array<std::string_view, 2> keys = {"scale", "root"};
    static constexpr std::array<bool, 2> required = {true, false};
    template <class In>
    static bool read_field(In& in, Quantize& out, std::size_t i) {
        if (i == 0) return read_enum(in, kScaleVariants, out.scale);
        return read_u8(in, out.root);
    }
};

struct OutputFields {
    using Type = Output;
    static constexpr std::string_view expected = "struct Output";
    static constexpr std::string_view expected_length = "struct Output with 12 elements";
    static constexpr std::array<std::string_view, 12> keys = {
        "enabled", "channel", "cc",    "fine",      "bipolar",   "offset",
        "dest",    "signal",  "volts", "threshold", "gateVolts", "quantize",
    };
    static constexpr std::array<bool, 12> required = {false, false, true,  false, false, false,
                                                      false, false, false, false, false, false};
    template <class In>
    static bool read_field(In& in, Output& out, std::size_t i) {
        switch (i) {
            case 0:
                return in.read_bool(out.enabled);
            case 1:
                if (!read_u8(in, out.channel)) return false;
                if (auto said = warnings::about_channel(out.channel)) in.note(std::move(*said));
                return true;
            case 2:
                if (!read_u8(in, out.cc)) return false;
                for (std::string& said : warnings::about_controller(out.cc)) {
                    in.note(std::move(said));
                }
                return true;
            case 3:
                return in.read_bool(out.fine);
            case 4:
                return in.read_bool(out.bipolar);
            case 5:
                return in.read_f32(out.offset);
            case 6:
                return read_tagged<DestUnion>(in, out.dest);
            case 7:
                return read_tagged<SignalUnion>(in, out.signal);
            case 8: {
                json::typed::PairVisitor visitor(out.volts, in.failure());
                return in.read_seq(visitor);
            }
            case 9:
                return in.read_f32(out.threshold);
            case 10:
                return in.read_f32(out.gate_volts);
            default:
                return read_option(in, out.quantize, [](auto& value, Quantize& quantize) {
                    return read_record<QuantizeFields>(value, quantize);
                });
        }
    }
};

// The keys of a route's own fields; the target's stand beside them.
constexpr std::array<std::string_view, 3> kRouteKeys = {"from", "tap", "amount"};

// A route: its own fields, with the target's tag and fields mixed in among them.
class RouteVisitor {
  public:
    RouteVisitor(Route& out, json::Failure& failure) : out_(out), failure_(failure) {}

    std::string_view expected() const { return "struct Route"; }

    template <class Map>
    bool visit_map(Map& map) {
        typename Map::Buffer rest;
        rest.start_map();
        bool from = false;
        bool tap = false;
        bool amount = false;
        for (;;) {
            std::string_view key;
            bool done = false;
            if (!map.next_key(key, done)) return false;
            if (done) break;
            bool* seen = key == kRouteKeys[0]   ? &from
                         : key == kRouteKeys[1] ? &tap
                         : key == kRouteKeys[2] ? &amount
                                                : nullptr;
            if (seen == nullptr) {
                if (!map.buffer_value(key, rest)) return false;
                continue;
            }
            if (*seen) return failure_.fail(json::messages::duplicate_field(key));
            *seen = true;
            const bool ok = map.value([&](auto& in) {
                if (seen == &from) return read_usize(in, out_.from);
                if (seen == &tap) return read_usize(in, out_.tap);
                return in.read_f32(out_.amount);
            });
            if (!ok) return false;
        }
        if (!from) return failure_.fail(json::messages::missing_field(kRouteKeys[0]));
        if (!amount) return failure_.fail(json::messages::missing_field(kRouteKeys[2]));
        typename Map::BufferedReader target(rest.finish(), failure_);
        return read_tagged<TargetUnion>(target, out_.target);
    }

    template <class Seq>
    bool visit_seq(Seq&) {
        return false;  // read_map never offers an array
    }

  private:
    Route& out_;
    json::Failure& failure_;
};

struct PatchFields {
    using Type = Patch;
    static constexpr std::string_view expected = "struct Patch";
    static constexpr std::string_view expected_length = "struct Patch with 4 elements";
    static constexpr std::array<std::string_view, 4> keys = {"sources", "routes", "outputs",
                                                             "tempo"};
    static constexpr std::array<bool, 4> required = {true, false, true, false};
    template <class In>
    static bool read_field(In& in, Patch& out, std::size_t i) {
        switch (i) {
            case 0:
                return read_list(in, out.sources, [](auto& element, Source& source) {
                    return read_record<SourceFields>(element, source);
                });
            case 1:
                return read_list(in, out.routes, [](auto& element, Route& route) {
                    RouteVisitor visitor(route, element.failure());
                    return element.read_map(visitor);
                });
            case 2:
                return read_list(in, out.outputs, [](auto& element, Output& output) {
                    return read_record<OutputFields>(element, output);
                });
            default:
                return in.read_f32(out.tempo);
        }
    }
};

}  // namespace

std::vector<std::string_view> Patch::json_names() {
    std::vector<std::string_view> names;
    const auto add = [&names](const auto& list) {
        names.insert(names.end(), list.begin(), list.end());
    };
    add(PatchFields::keys);
    add(SourceFields::keys);
    add(DrawnPayload::keys);
    add(FieldPayload::keys);
    add(CvInPayload::keys);
    add(FreePayload::keys);
    add(SyncPayload::keys);
    add(kRouteKeys);
    add(TargetSourcePayload::keys);
    add(TargetOutputPayload::keys);
    add(OutputFields::keys);
    add(CvPayload::keys);
    add(GatePayload::keys);
    add(ChannelPayload::keys);
    add(ExpanderPayload::keys);
    add(ClockPayload::keys);
    add(QuantizeFields::keys);
    add(std::array{ShapeUnion::tag, RateUnion::tag, TargetUnion::tag, DestUnion::tag,
                   PortUnion::tag, SignalUnion::tag});
    add(kShapeNames);
    add(kRateNames);
    add(kMotionNames);
    add(kParamNames);
    add(kTargetNames);
    add(kDestNames);
    add(kPortNames);
    add(kSignalNames);
    add(kScaleNames);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

namespace {

json::Result<Patch> read_text(std::string_view text, json::Notes* notes) {
    json::TextReader reader(text);
    reader.failure().notes = notes;
    Patch patch;
    if (!read_record<PatchFields>(reader, patch) || !reader.end()) {
        return json::Result<Patch>::failure(reader.error_message());
    }
    return json::Result<Patch>::success(std::move(patch));
}

}  // namespace

json::Result<Patch> Patch::from_json_text(std::string_view text) {
    return read_text(text, nullptr);
}

json::Result<Patch> Patch::from_json_text(std::string_view text, json::Notes& notes) {
    return read_text(text, &notes);
}

json::Result<Patch> Patch::from_json_tree(const nlohmann::json& tree) {
    json::Failure failure;
    json::NodeReader<nlohmann::json, false> reader(tree, failure);
    Patch patch;
    if (!read_record<PatchFields>(reader, patch)) {
        return json::Result<Patch>::failure(failure.message);
    }
    return json::Result<Patch>::success(std::move(patch));
}

}  // namespace ondrix_engine::settings
