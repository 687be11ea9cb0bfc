#include "vst3_parameter.hpp"

#include "sdk/string_convert.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// 0 to 1; NaN gives 0.
double clampUnit(double x) {
    return !(x > 0) ? 0 : x > 1 ? 1 : x;
}

// Whole steps of a stepped or enumerated range, as the host sees them: the range's integer
// part, 0 for an empty, reversed or not finite range, and at most what an int32 holds.
int32 stepsOf(double minimum, double maximum) {
    const double range = maximum - minimum;
    if (!(range >= 1)) {
        return 0;
    }
    return range >= std::numeric_limits<int32>::max() ? std::numeric_limits<int32>::max()
                                                      : static_cast<int32>(range);
}

// A text field of the plug-in's, which it may have left unterminated.
std::string_view field(const char* text, std::size_t size) {
    return {text, strnlen(text, size)};
}

struct FlagMapping {
    clap_param_info_flags clap;
    int32 vst3;
};
constexpr FlagMapping flagMappings[] = {
    {CLAP_PARAM_IS_AUTOMATABLE, ParameterInfo::kCanAutomate},
    {CLAP_PARAM_IS_READONLY, ParameterInfo::kIsReadOnly},
    {CLAP_PARAM_IS_ENUM, ParameterInfo::kIsList},
    {CLAP_PARAM_IS_HIDDEN, ParameterInfo::kIsHidden},
    {CLAP_PARAM_IS_BYPASS, ParameterInfo::kIsBypass},
};

}  // namespace

Vst3Parameter* Vst3Parameter::create(const clap_param_info_t& info,
                                     const std::function<int(const char*)>& unitOf) {
    auto* parameter = new Vst3Parameter();
    parameter->clapId = info.id;
    parameter->cookie = info.cookie;
    parameter->minimum = info.min_value;
    parameter->maximum = info.max_value;

    ParameterInfo& vst3 = parameter->info;
    vst3.id = info.id & 0x7FFFFFFF;
    const std::string_view module = field(info.module, sizeof info.module);
    if (!module.empty() && unitOf) {
        // The lookup takes a C text; the module field may fill its whole array.
        char path[sizeof info.module + 1] = {};
        std::memcpy(path, module.data(), module.size());
        vst3.unitId = unitOf(path);
    }
    const std::string_view name = field(info.name, sizeof info.name);
    StringConvert::convert(name, vst3.title);
    StringConvert::convert(name, vst3.shortTitle);
    if (info.flags & (CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM)) {
        vst3.stepCount = stepsOf(info.min_value, info.max_value);
    }
    const double range = info.max_value - info.min_value;
    vst3.defaultNormalizedValue =
        range == 0 ? 0 : clampUnit((info.default_value - info.min_value) / range);
    parameter->valueNormalized = vst3.defaultNormalizedValue;
    for (const FlagMapping& mapping : flagMappings) {
        if (info.flags & mapping.clap) {
            vst3.flags |= mapping.vst3;
        }
    }
    return parameter;
}

Vst3Parameter* Vst3Parameter::create(std::uint8_t /*bus*/, std::uint8_t channel,
                                     std::uint8_t controller, std::uint32_t id) {
    auto* parameter = new Vst3Parameter();
    parameter->clapId = id;
    parameter->isMidi = true;
    parameter->channel = channel;
    parameter->controller = controller;
    parameter->maximum = controller == pitchBend ? 16383 : 127;

    ParameterInfo& vst3 = parameter->info;
    vst3.id = id;
    StringConvert::convert("MIDI/controller", vst3.title);
    StringConvert::convert("controller", vst3.shortTitle);
    vst3.stepCount = static_cast<int32>(parameter->maximum);
    if (controller == programChange) {
        vst3.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsProgramChange;
    }
    return parameter;
}

double Vst3Parameter::asClapValue(double normalized) const {
    const double x = clampUnit(normalized);
    if (info.stepCount > 0) {
        return minimum + std::round(x * info.stepCount);
    }
    return maximum == minimum ? minimum : minimum + x * (maximum - minimum);
}

double Vst3Parameter::asVst3Value(double clapValue) const {
    if (info.stepCount > 0) {
        return clampUnit(std::round(clapValue - minimum) / info.stepCount);
    }
    return maximum == minimum ? 0 : clampUnit((clapValue - minimum) / (maximum - minimum));
}
