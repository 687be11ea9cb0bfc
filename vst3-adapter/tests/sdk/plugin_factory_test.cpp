#include "sdk/plugin_factory.hpp"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "sdk/single_component_effect.hpp"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;

int liveEffects = 0;

class CountedEffect : public Vst::SingleComponentEffect {
public:
    CountedEffect() { ++liveEffects; }
    ~CountedEffect() override { --liveEffects; }
};

struct Context {
    int created = 0;
};

FUnknown* createEffect(void* context) {
    ++static_cast<Context*>(context)->created;
    return static_cast<Vst::IAudioProcessor*>(new CountedEffect);
}

const TUID effectId = INLINE_UID(0x986A9A7B, 0xC0F55BAB, 0xBC97607C, 0x9387BB0D);
const TUID otherId = INLINE_UID(1, 2, 3, 4);

PClassInfo2 effectInfo() {
    return PClassInfo2(effectId, PClassInfo::kManyInstances, "Audio Module Class",
                       "Vantrel \xC3\x96ndrix", 0, "Instrument|Synth|Tools", "Orbwright Audio",
                       "0.1.0", "VST 3.7.2");
}

struct FactoryFixture : ::testing::Test {
    Context context;
    CPluginFactory* factory = new CPluginFactory(
        PFactoryInfo("Orbwright Audio", "", "mailto:", PFactoryInfo::kUnicode));

    void SetUp() override {
        const PClassInfo2 info = effectInfo();
        ASSERT_TRUE(factory->registerClass(&info, &createEffect, &context));
    }
    void TearDown() override {
        if (factory != nullptr) {
            EXPECT_EQ(factory->release(), 0u);
        }
        EXPECT_EQ(liveEffects, 0);
    }
};

TEST_F(FactoryFixture, ListsTheRegisteredRecordInEachForm) {
    EXPECT_EQ(factory->countClasses(), 1);
    PFactoryInfo factoryInfo{};
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    EXPECT_STREQ(factoryInfo.vendor, "Orbwright Audio");
    EXPECT_EQ(factoryInfo.flags, PFactoryInfo::kUnicode);

    PClassInfo plain{};
    ASSERT_EQ(factory->getClassInfo(0, &plain), kResultOk);
    EXPECT_EQ(std::memcmp(plain.cid, effectId, sizeof(TUID)), 0);
    EXPECT_STREQ(plain.category, "Audio Module Class");
    EXPECT_STREQ(plain.name, "Vantrel \xC3\x96ndrix");

    PClassInfo2 second{};
    ASSERT_EQ(factory->getClassInfo2(0, &second), kResultOk);
    EXPECT_STREQ(second.subCategories, "Instrument|Synth|Tools");
    EXPECT_STREQ(second.vendor, "Orbwright Audio");

    // The unicode record carries the UTF-8 texts decoded, not byte for byte.
    PClassInfoW wide{};
    ASSERT_EQ(factory->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(std::memcmp(wide.cid, effectId, sizeof(TUID)), 0);
    EXPECT_EQ(wide.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(wide.category, "Audio Module Class");
    EXPECT_STREQ(wide.subCategories, "Instrument|Synth|Tools");
    EXPECT_EQ(std::u16string(wide.name), u"Vantrel Öndrix");
    EXPECT_EQ(std::u16string(wide.vendor), u"Orbwright Audio");
    EXPECT_EQ(std::u16string(wide.version), u"0.1.0");
    EXPECT_EQ(std::u16string(wide.sdkVersion), u"VST 3.7.2");

    EXPECT_EQ(factory->getClassInfo(1, &plain), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo2(-1, &second), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfoUnicode(1, &wide), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
}

TEST_F(FactoryFixture, RefusesASecondClassWithOneIdAndIncompleteRecords) {
    const PClassInfo2 info = effectInfo();
    EXPECT_FALSE(factory->registerClass(&info, &createEffect, &context));
    EXPECT_FALSE(factory->registerClass(nullptr, &createEffect));
    EXPECT_FALSE(factory->registerClass(&info, nullptr));
    EXPECT_EQ(factory->countClasses(), 1);
}

TEST_F(FactoryFixture, CreatesWithTheContextAndHandsOverOnlyTheAskedReference) {
    void* object = nullptr;
    ASSERT_EQ(factory->createInstance(effectId, Vst::IComponent::iid, &object), kResultOk);
    EXPECT_EQ(context.created, 1);
    auto* component = static_cast<Vst::IComponent*>(object);
    EXPECT_EQ(component->release(), 0u);  // the creation reference is gone already
    EXPECT_EQ(liveEffects, 0);
}

TEST_F(FactoryFixture, AForeignInterfaceOrClassGivesNoInterfaceAndLeavesNothingBehind) {
    void* object = &context;
    EXPECT_EQ(factory->createInstance(effectId, IPluginFactory::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(context.created, 1);
    EXPECT_EQ(liveEffects, 0);  // created, refused, freed

    object = &context;
    EXPECT_EQ(factory->createInstance(otherId, Vst::IComponent::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(context.created, 1);
}

TEST_F(FactoryFixture, IsTheModuleFactoryUntilItIsDestroyed) {
    gPluginFactory = factory;
    void* asked = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid, &asked), kResultOk);
    EXPECT_EQ(asked, static_cast<IPluginFactory3*>(factory));
    EXPECT_EQ(factory->release(), 1u);
    EXPECT_EQ(factory->queryInterface(Vst::IComponent::iid, &asked), kNoInterface);

    EXPECT_EQ(factory->release(), 0u);
    factory = nullptr;
    EXPECT_EQ(gPluginFactory, nullptr);

    // Another factory's end leaves the module's alone.
    auto* module = new CPluginFactory(PFactoryInfo());
    gPluginFactory = module;
    (new CPluginFactory(PFactoryInfo()))->release();
    EXPECT_EQ(gPluginFactory, module);
    module->release();
}

}  // namespace
