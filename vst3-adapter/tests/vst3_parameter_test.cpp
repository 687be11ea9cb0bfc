#include "vst3_parameter.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

clap_param_info_t clapInfo(double minimum, double maximum, double defaultValue,
                           clap_param_info_flags flags = 0, const char* module = "") {
    clap_param_info_t info{};
    info.id = 7;
    info.flags = flags;
    std::strcpy(info.name, "Cutoff");
    std::strcpy(info.module, module);
    info.min_value = minimum;
    info.max_value = maximum;
    info.default_value = defaultValue;
    return info;
}

// Holds the one reference `create` hands over.
IPtr<Vst3Parameter> make(const clap_param_info_t& info,
                         const std::function<int(const char*)>& unitOf = {}) {
    return owned(Vst3Parameter::create(info, unitOf));
}

TEST(Vst3Parameter, TakesTheClapDescription) {
    std::vector<std::string> asked;
    auto info = clapInfo(-2, 2, 1, CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_HIDDEN,
                         "/filter/env");
    info.id = 0x80000005;
    int cookie = 0;
    info.cookie = &cookie;
    const auto parameter = make(info, [&](const char* path) {
        asked.emplace_back(path);
        return 3;
    });

    const ParameterInfo& vst3 = parameter->getInfo();
    EXPECT_EQ(vst3.id, 5u);
    EXPECT_EQ(parameter->clapId, 0x80000005u);
    EXPECT_EQ(parameter->cookie, &cookie);
    EXPECT_EQ(asked, std::vector<std::string>{"/filter/env"});
    EXPECT_EQ(vst3.unitId, 3);
    EXPECT_EQ(std::u16string(vst3.title), u"Cutoff");
    EXPECT_EQ(std::u16string(vst3.shortTitle), u"Cutoff");
    EXPECT_EQ(std::u16string(vst3.units), u"");
    EXPECT_EQ(vst3.stepCount, 0);
    EXPECT_DOUBLE_EQ(vst3.defaultNormalizedValue, 0.75);
    EXPECT_DOUBLE_EQ(parameter->getNormalized(), 0.75);
    EXPECT_EQ(vst3.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsHidden);
    EXPECT_FALSE(parameter->isMidi);
}

TEST(Vst3Parameter, RootUnitWithoutModuleOrLookup) {
    int calls = 0;
    const auto lookup = [&](const char*) { return ++calls; };
    EXPECT_EQ(make(clapInfo(0, 1, 0, 0, ""), lookup)->getInfo().unitId, kRootUnitId);
    EXPECT_EQ(make(clapInfo(0, 1, 0, 0, "a/b"))->getInfo().unitId, kRootUnitId);
    EXPECT_EQ(calls, 0);
}

TEST(Vst3Parameter, FlagsMapOneByOne) {
    struct Case {
        clap_param_info_flags clap;
        int32 vst3;
    };
    const Case cases[] = {
        {CLAP_PARAM_IS_AUTOMATABLE, ParameterInfo::kCanAutomate},
        {CLAP_PARAM_IS_READONLY, ParameterInfo::kIsReadOnly},
        {CLAP_PARAM_IS_ENUM, ParameterInfo::kIsList},
        {CLAP_PARAM_IS_HIDDEN, ParameterInfo::kIsHidden},
        {CLAP_PARAM_IS_BYPASS, ParameterInfo::kIsBypass},
        {CLAP_PARAM_IS_PERIODIC | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_MODULATABLE, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(make(clapInfo(0, 1, 0, c.clap))->getInfo().flags, c.vst3) << c.clap;
    }
}

TEST(Vst3Parameter, StepCountOfSteppedAndEnumeratedRanges) {
    struct Case {
        double minimum, maximum;
        clap_param_info_flags flags;
        int32 steps;
    };
    const Case cases[] = {
        {0, 10, CLAP_PARAM_IS_STEPPED, 10},
        {-3, 4.5, CLAP_PARAM_IS_ENUM, 7},
        {0, 10, 0, 0},
        {5, 5, CLAP_PARAM_IS_STEPPED, 0},
        {10, 0, CLAP_PARAM_IS_STEPPED, 0},
        {0, nan, CLAP_PARAM_IS_STEPPED, 0},
        {0, 1e12, CLAP_PARAM_IS_STEPPED, std::numeric_limits<int32>::max()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(make(clapInfo(c.minimum, c.maximum, c.minimum, c.flags))->getInfo().stepCount,
                  c.steps)
            << c.minimum << ".." << c.maximum;
    }
}

TEST(Vst3Parameter, LongAndUnterminatedNamesAreCutTo127Units) {
    auto info = clapInfo(0, 1, 0);
    std::memset(info.name, 'x', sizeof info.name);  // no terminator at all
    std::memset(info.module, 'm', sizeof info.module);
    std::string asked;
    const auto parameter = make(info, [&](const char* path) {
        asked = path;
        return 1;
    });
    EXPECT_EQ(std::u16string(parameter->getInfo().title), std::u16string(127, u'x'));
    EXPECT_EQ(std::u16string(parameter->getInfo().shortTitle), std::u16string(127, u'x'));
    EXPECT_EQ(asked, std::string(sizeof info.module, 'm'));
}

TEST(Vst3Parameter, ConversionsBothWays) {
    struct Case {
        double minimum, maximum;
        clap_param_info_flags flags;
        double normalized, clap;
    };
    const Case cases[] = {
        {0, 10, CLAP_PARAM_IS_STEPPED, 0.5, 5},
        {0, 10, CLAP_PARAM_IS_STEPPED, 0.3, 3},
        {-1, 1, 0, 0.25, -0.5},
        {-1, 1, 0, 1, 1},
        {20, 20000, 0, 0, 20},
    };
    for (const Case& c : cases) {
        const auto parameter = make(clapInfo(c.minimum, c.maximum, c.minimum, c.flags));
        EXPECT_DOUBLE_EQ(parameter->asClapValue(c.normalized), c.clap) << c.normalized;
        EXPECT_DOUBLE_EQ(parameter->asVst3Value(c.clap), c.normalized) << c.clap;
    }
}

TEST(Vst3Parameter, SteppedValuesLandOnTheNearestStep) {
    const auto parameter = make(clapInfo(0, 10, 0, CLAP_PARAM_IS_STEPPED));
    EXPECT_EQ(parameter->asClapValue(0.7f), 7);  // 6.99999988 from a host's float
    EXPECT_EQ(parameter->asClapValue(0.54), 5);
    EXPECT_EQ(parameter->asClapValue(0.56), 6);
    EXPECT_EQ(parameter->asVst3Value(4.9999999), 0.5);
    EXPECT_EQ(parameter->asVst3Value(5.4), 0.5);
}

TEST(Vst3Parameter, ValuesOutsideTheRangeAreClamped) {
    const auto parameter = make(clapInfo(-1, 1, 0));
    EXPECT_EQ(parameter->asClapValue(1.5), 1);
    EXPECT_EQ(parameter->asClapValue(-0.5), -1);
    EXPECT_EQ(parameter->asClapValue(nan), -1);
    EXPECT_EQ(parameter->asVst3Value(3), 1);
    EXPECT_EQ(parameter->asVst3Value(-3), 0);
    EXPECT_EQ(parameter->asVst3Value(nan), 0);
    EXPECT_EQ(make(clapInfo(0, 1, 7))->getInfo().defaultNormalizedValue, 1);
}

TEST(Vst3Parameter, EmptyRangeGivesTheMinimumAndNormalizedZero) {
    for (const clap_param_info_flags flags : {0u, unsigned(CLAP_PARAM_IS_STEPPED)}) {
        const auto parameter = make(clapInfo(3, 3, 3, flags));
        EXPECT_EQ(parameter->getInfo().defaultNormalizedValue, 0);
        EXPECT_EQ(parameter->asClapValue(0.5), 3);
        EXPECT_EQ(parameter->asClapValue(1), 3);
        EXPECT_EQ(parameter->asVst3Value(3), 0);
        EXPECT_EQ(parameter->asVst3Value(4), 0);
    }
}

TEST(Vst3Parameter, MidiMappingParameters) {
    struct Case {
        std::uint8_t controller;
        int32 steps;
        int32 flags;
        double maximum;
    };
    const Case cases[] = {
        {7, 127, 0, 127},
        {Vst3Parameter::channelPressure, 127, 0, 127},
        {Vst3Parameter::pitchBend, 16383, 0, 16383},
        {Vst3Parameter::programChange, 127,
         ParameterInfo::kCanAutomate | ParameterInfo::kIsProgramChange, 127},
    };
    for (const Case& c : cases) {
        const auto parameter = owned(Vst3Parameter::create(0, 9, c.controller, 0xb00010));
        const ParameterInfo& info = parameter->getInfo();
        EXPECT_EQ(info.id, 0xb00010u);
        EXPECT_EQ(std::u16string(info.title), u"MIDI/controller");
        EXPECT_EQ(std::u16string(info.shortTitle), u"controller");
        EXPECT_EQ(std::u16string(info.units), u"");
        EXPECT_EQ(info.defaultNormalizedValue, 0);
        EXPECT_EQ(info.unitId, kRootUnitId);
        EXPECT_EQ(info.stepCount, c.steps);
        EXPECT_EQ(info.flags, c.flags);
        EXPECT_TRUE(parameter->isMidi);
        EXPECT_EQ(parameter->channel, 9);
        EXPECT_EQ(parameter->controller, c.controller);
        EXPECT_EQ(parameter->clapId, 0xb00010u);
        EXPECT_EQ(parameter->clapIndex, 0);
        EXPECT_EQ(parameter->cookie, nullptr);
        EXPECT_EQ(parameter->minimum, 0);
        EXPECT_EQ(parameter->maximum, c.maximum);
    }
}

// Hosts often keep normalized values as floats: k / 127 then reads back a hair below k.
TEST(Vst3Parameter, EveryMidiValueSurvivesTheRoundTrip) {
    const auto controller = owned(Vst3Parameter::create(0, 0, 1, 1));
    for (int k = 0; k <= 127; ++k) {
        ASSERT_EQ(controller->asClapValue(k / 127.0), k);
        ASSERT_EQ(controller->asClapValue(static_cast<float>(k) / 127.0f), k);
        ASSERT_EQ(controller->asClapValue(controller->asVst3Value(k)), k);
    }
    const auto bend = owned(Vst3Parameter::create(0, 0, Vst3Parameter::pitchBend, 2));
    for (int k = 0; k <= 16383; ++k) {
        ASSERT_EQ(bend->asClapValue(static_cast<float>(k) / 16383.0f), k);
    }
}

}  // namespace
