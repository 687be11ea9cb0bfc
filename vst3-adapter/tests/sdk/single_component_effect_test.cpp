#include "sdk/single_component_effect.hpp"

#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// An effect with one stereo input, two outputs (stereo main, mono aux) and one event input.
class Effect : public SingleComponentEffect {
public:
    Effect() {
        addAudioInput(u"In", SpeakerArr::kStereo);
        addAudioOutput(u"Out", SpeakerArr::kStereo);
        addAudioOutput(u"Aux", SpeakerArr::kMono, kAux, 0);
        addEventInput(u"MIDI", 16);
    }
    ParameterContainer& parameterList() { return parameters; }
    EditControllerEx1& controller() { return *this; }
};

// The object is reference counted; the test holds the creation reference.
struct Held {
    Effect* effect = new Effect;
    ~Held() { EXPECT_EQ(effect->release(), 0u); }
};

TEST(SingleComponentEffect, AnswersBusQuestionsFromItsFourLists) {
    Held held;
    IComponent* component = held.effect;
    EXPECT_EQ(component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component->getBusCount(kAudio, kOutput), 2);
    EXPECT_EQ(component->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(component->getBusCount(kEvent, kOutput), 0);

    BusInfo info{};
    ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 1, info), kResultTrue);
    EXPECT_EQ(info.mediaType, kAudio);
    EXPECT_EQ(info.direction, kOutput);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(info.busType, kAux);
    EXPECT_EQ(info.flags, 0u);
    EXPECT_EQ(std::u16string(info.name), u"Aux");
    ASSERT_EQ(component->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
    EXPECT_EQ(info.channelCount, 16);

    for (int32 index : {-1, 2}) {
        EXPECT_EQ(component->getBusInfo(kAudio, kOutput, index, info), kInvalidArgument);
        EXPECT_EQ(component->activateBus(kAudio, kOutput, index, true), kInvalidArgument);
    }
    EXPECT_EQ(component->getBusInfo(kEvent, kOutput, 0, info), kInvalidArgument);

    ASSERT_EQ(component->activateBus(kAudio, kOutput, 1, true), kResultTrue);
    EXPECT_TRUE(held.effect->getBusList(kAudio, kOutput)->at(1)->isActive());
}

TEST(SingleComponentEffect, TakesBusArrangementsOnlyWhenTheBusesExist) {
    Held held;
    IAudioProcessor* processor = held.effect;
    SpeakerArrangement in[] = {SpeakerArr::kMono};
    SpeakerArrangement out[] = {SpeakerArr::kMono, SpeakerArr::k51, SpeakerArr::kStereo};

    // More outputs than buses: refused, and nothing changes.
    EXPECT_EQ(processor->setBusArrangements(in, 1, out, 3), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(in, 2, out, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(nullptr, 1, out, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(in, -1, out, 1), kResultFalse);
    SpeakerArrangement arrangement = 0;
    ASSERT_EQ(processor->getBusArrangement(kOutput, 0, arrangement), kResultTrue);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo);

    // Fewer than the buses: the given ones take their arrangement, the others keep theirs.
    ASSERT_EQ(processor->setBusArrangements(in, 1, out, 1), kResultTrue);
    EXPECT_EQ(processor->getBusArrangement(kInput, 0, arrangement), kResultTrue);
    EXPECT_EQ(arrangement, SpeakerArr::kMono);
    EXPECT_EQ(processor->getBusArrangement(kOutput, 0, arrangement), kResultTrue);
    EXPECT_EQ(arrangement, SpeakerArr::kMono);
    ASSERT_EQ(processor->setBusArrangements(nullptr, 0, out + 1, 2), kResultTrue);
    EXPECT_EQ(processor->getBusArrangement(kOutput, 1, arrangement), kResultTrue);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo);

    EXPECT_EQ(processor->getBusArrangement(kOutput, 2, arrangement), kResultFalse);
    EXPECT_EQ(processor->getBusArrangement(kInput, -1, arrangement), kResultFalse);
}

TEST(SingleComponentEffect, ProcessesOnly32BitWithNoLatencyTailOrContextNeeds) {
    Held held;
    IAudioProcessor* processor = held.effect;
    EXPECT_EQ(processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(kSample64), kResultFalse);
    ProcessSetup setup{kRealtime, kSample64, 512, 48000.0};
    EXPECT_EQ(processor->setupProcessing(setup), kResultFalse);
    setup.symbolicSampleSize = kSample32;
    EXPECT_EQ(processor->setupProcessing(setup), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 0u);
    EXPECT_EQ(processor->getTailSamples(), 0u);

    IProcessContextRequirements* requirements = held.effect;
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    held.effect->setProcessContextRequirements(
        IProcessContextRequirements::kNeedTempo | IProcessContextRequirements::kNeedTransportState);
    EXPECT_EQ(requirements->getProcessContextRequirements(),
              IProcessContextRequirements::kNeedTempo |
                  IProcessContextRequirements::kNeedTransportState);
}

TEST(SingleComponentEffect, KeepsNoStateInEitherSlot) {
    Held held;
    IComponent* component = held.effect;
    IEditController* controller = held.effect;
    EXPECT_EQ(component->getState(nullptr), kNotImplemented);
    EXPECT_EQ(component->setState(nullptr), kNotImplemented);
    EXPECT_EQ(controller->getState(nullptr), kNotImplemented);
    EXPECT_EQ(controller->setState(nullptr), kNotImplemented);
}

// The SDK's versions index with vector::at: a bad index would throw into the host.
TEST(SingleComponentEffect, RefusesUnitAndParameterIndicesOutsideItsLists) {
    Held held;
    UnitInfo unit{};
    EXPECT_EQ(static_cast<IUnitInfo*>(held.effect)->getUnitInfo(0, unit), kResultFalse);

    held.effect->parameterList().addParameter(u"Level", nullptr, 0, 0.5, ParameterInfo::kCanAutomate,
                                              7);
    IEditController* controller = held.effect;
    ParameterInfo info{};
    EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(1, info), kResultFalse);
    ASSERT_EQ(controller->getParameterInfo(0, info), kResultTrue);
    EXPECT_EQ(info.id, 7u);

    held.effect->controller().addUnit(new Unit(u"Root", kRootUnitId));
    ASSERT_EQ(static_cast<IUnitInfo*>(held.effect)->getUnitInfo(0, unit), kResultTrue);
    EXPECT_EQ(std::u16string(unit.name), u"Root");
    EXPECT_EQ(static_cast<IUnitInfo*>(held.effect)->getUnitInfo(1, unit), kResultFalse);
}

TEST(SingleComponentEffect, OneObjectAndOneCountBehindEveryInterface) {
    Held held;
    const FUID* offered[] = {&FUnknown::iid,        &IPluginBase::iid,    &IComponent::iid,
                             &IAudioProcessor::iid, &IEditController::iid, &IEditController2::iid,
                             &IUnitInfo::iid,       &IConnectionPoint::iid,
                             &IProcessContextRequirements::iid};
    for (const FUID* iid : offered) {
        void* object = nullptr;
        ASSERT_EQ(held.effect->queryInterface(iid->toTUID(), &object), kResultOk);
        EXPECT_EQ(held.effect->getRefCount(), 2);
        EXPECT_EQ(static_cast<FUnknown*>(object)->release(), 1u);
    }
    void* object = &held;
    EXPECT_EQ(held.effect->queryInterface(IMidiMapping::iid.toTUID(), &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(held.effect->getRefCount(), 1);
}

}  // namespace
