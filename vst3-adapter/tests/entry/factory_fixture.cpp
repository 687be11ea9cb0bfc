#include "factory_fixture.hpp"

#include <stdexcept>

#include "sdk/plugin_factory.hpp"

namespace entry_testing {

std::vector<MadeComponent> madeComponents;
std::atomic<int> liveComponents{0};
bool makingThrows = false;

namespace {

// A component with nothing but its reference count.
class TestComponent : public Steinberg::FUnknown {
public:
    TestComponent() { ++liveComponents; }
    virtual ~TestComponent() { --liveComponents; }

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid.toTUID())) {
            addRef();
            *object = this;
            return Steinberg::kResultOk;
        }
        *object = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return ++references; }
    Steinberg::uint32 PLUGIN_API release() override {
        const Steinberg::uint32 left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    std::atomic<Steinberg::uint32> references{1};
};

Steinberg::FUnknown* makeTestComponent(Clap::Library* library, Steinberg::int32 index,
                                       Vst3Adapter::CreationContext* context) {
    madeComponents.push_back({library, index, context});
    if (makingThrows) throw std::runtime_error("no component");
    return new TestComponent;
}

}  // namespace

Steinberg::FUnknown* createForTest(void* context) {
    return Vst3Adapter::createInstance(context, &makeTestComponent);
}

void FactoryFixture::SetUp() {
    madeComponents.clear();
    makingThrows = false;
    ASSERT_EQ(Steinberg::gPluginFactory, nullptr);
}

void FactoryFixture::TearDown() {
    for (Steinberg::IPluginFactory* factory : held) {
        factory->release();
    }
    EXPECT_EQ(Steinberg::gPluginFactory, nullptr) << "a factory outlived its last reference";
    EXPECT_EQ(liveComponents, 0);
}

void FactoryFixture::setUpLibrary(std::map<std::string, const void*> factories) {
    entry.factories = std::move(factories);
    entry.factories[CLAP_PLUGIN_FACTORY_ID] = plugins.raw();
    library.useStaticEntry(&entry.entry, "/fake/Fake.clap");
}

Steinberg::IPluginFactory* FactoryFixture::getFactory(std::vector<std::string>* log) {
    ::testing::internal::CaptureStdout();
    Steinberg::IPluginFactory* factory =
        Vst3Adapter::getPluginFactory({library, contexts, factoryInfo, &createForTest});
    const std::string out = ::testing::internal::GetCapturedStdout();
    if (log != nullptr) {
        *log = logMessages(out);
    }
    if (factory != nullptr) {
        held.push_back(factory);
    }
    return factory;
}

Steinberg::PClassInfo2 FactoryFixture::classAt(Steinberg::int32 index) {
    Steinberg::PClassInfo2 info;
    auto* factory = static_cast<Steinberg::IPluginFactory2*>(Steinberg::gPluginFactory);
    EXPECT_NE(factory, nullptr);
    if (factory != nullptr) {
        EXPECT_EQ(factory->getClassInfo2(index, &info), Steinberg::kResultOk);
    }
    return info;
}

}  // namespace entry_testing
