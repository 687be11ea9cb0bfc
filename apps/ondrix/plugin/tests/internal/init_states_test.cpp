// The instance states a host cannot bring about on its own: a constructor that fails, calls made
// while the constructor runs, an instance being destroyed; and the log's fallback for a text the
// host cannot be given. The instance is linked in, so a test can put its own constructor in.
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"
#include "descriptor.hpp"
#include "error.hpp"
#include "frame.hpp"
#include "instance.hpp"

namespace ondrix_plugin_testing {
namespace {

using vantrel_ondrix_plugin::CallKind;
using vantrel_ondrix_plugin::InstanceState;
using vantrel_ondrix_plugin::OndrixPlugin;
using vantrel_ondrix_plugin::PluginBoxInner;
using vantrel_ondrix_plugin::PluginDescriptor;
using vantrel_ondrix_plugin::PluginInstance;
using vantrel_ondrix_plugin::PluginWrapperError;

const std::string INIT_FAILED = "Plugin initialization has already failed";
const std::string DURING_INIT = "Host tried to call plugin function during initialization";

// An instance made by the factory's own routine whose constructor a test replaces.
class Instance {
  public:
    explicit Instance(PluginBoxInner::Initializer initializer)
        : plugin(PluginInstance::create(host.raw(), descriptor.raw())) {
        static_cast<PluginBoxInner*>(plugin->plugin_data)->initializer = initializer;
    }
    ~Instance() { plugin->destroy(plugin); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    PluginDescriptor descriptor;
    TestHost host;
    const clap_plugin_t* plugin;
};

OndrixPlugin::Parts failing_constructor(const clap_host_t*) {
    throw std::runtime_error("Couldn't build the core");
}

TEST(InitStates, AFailedConstructorLeavesAnInstanceThatCanOnlyBeDestroyed) {
    Instance instance(&failing_constructor);
    const clap_plugin_t* p = instance.plugin;
    EXPECT_FALSE(p->init(p));
    EXPECT_EQ(instance.host.lines,
              (std::vector<LogLine>{{CLAP_LOG_ERROR, "Couldn't build the core"}}));
    EXPECT_EQ(static_cast<PluginBoxInner*>(p->plugin_data)->state.load(),
              InstanceState::InitFailed);

    instance.host.lines.clear();
    Block block(32);
    EXPECT_FALSE(p->init(p));
    EXPECT_EQ(p->get_extension(p, CLAP_EXT_STATE), nullptr);
    EXPECT_FALSE(p->activate(p, 48000.0, 1, 512));
    EXPECT_EQ(p->process(p, &block.process()), CLAP_PROCESS_ERROR);
    p->on_main_thread(p);
    p->reset(p);
    EXPECT_EQ(instance.host.lines,
              std::vector<LogLine>(6, {CLAP_LOG_HOST_MISBEHAVING, INIT_FAILED}));
}

// What the instance answered while its constructor ran.
struct DuringInit {
    const clap_plugin_t* plugin = nullptr;
    const void* state_extension = nullptr;
    bool init = true;
    bool activate = true;
    bool save = true;
    clap_process_status process = CLAP_PROCESS_CONTINUE;
};
DuringInit during_init;

OndrixPlugin::Parts reentrant_constructor(const clap_host_t* host) {
    const clap_plugin_t* p = during_init.plugin;
    during_init.state_extension = p->get_extension(p, CLAP_EXT_STATE);
    during_init.init = p->init(p);
    during_init.activate = p->activate(p, 48000.0, 1, 512);
    p->on_main_thread(p);
    Block block(32);
    during_init.process = p->process(p, &block.process());
    if (during_init.state_extension != nullptr) {
        ByteSink sink;
        during_init.save = static_cast<const clap_plugin_state_t*>(during_init.state_extension)
                               ->save(p, sink.raw());
    }
    return OndrixPlugin::construct(host);
}

TEST(InitStates, WhileTheConstructorRunsOnlyExtensionsAreAnswered) {
    Instance instance(&reentrant_constructor);
    const clap_plugin_t* p = instance.plugin;
    during_init = DuringInit{};
    during_init.plugin = p;
    ASSERT_TRUE(p->init(p));

    EXPECT_NE(during_init.state_extension, nullptr);
    EXPECT_FALSE(during_init.init);
    EXPECT_FALSE(during_init.activate);
    EXPECT_EQ(during_init.process, CLAP_PROCESS_ERROR);
    EXPECT_FALSE(during_init.save);
    EXPECT_EQ(instance.host.lines,
              (std::vector<LogLine>{{CLAP_LOG_HOST_MISBEHAVING, INIT_FAILED},
                                    {CLAP_LOG_HOST_MISBEHAVING, DURING_INIT},
                                    {CLAP_LOG_HOST_MISBEHAVING, DURING_INIT},
                                    {CLAP_LOG_HOST_MISBEHAVING, DURING_INIT},
                                    {CLAP_LOG_HOST_MISBEHAVING, DURING_INIT}}));

    instance.host.lines.clear();
    EXPECT_TRUE(p->activate(p, 48000.0, 1, 512)) << "ready once the constructor returned";
    p->deactivate(p);
    EXPECT_TRUE(instance.host.lines.empty());
}

TEST(InitStates, AnInstanceBeingDestroyedRefusesEveryCall) {
    for (CallKind kind : {CallKind::Init, CallKind::GetExtension, CallKind::MainThread,
                          CallKind::Activate, CallKind::AudioThread, CallKind::Destroy}) {
        for (bool active : {false, true}) {
            SCOPED_TRACE(static_cast<int>(kind) * 2 + active);
            const auto refused =
                vantrel_ondrix_plugin::refusal(kind, InstanceState::Destroying, active);
            ASSERT_TRUE(refused.has_value());
            EXPECT_EQ(refused->text(), "Plugin is being destroyed");
            EXPECT_EQ(refused->severity(), CLAP_LOG_HOST_MISBEHAVING);
        }
    }
}

TEST(PluginLog, ATextTheHostCannotTakeGoesToStandardError) {
    TestHost host;
    vantrel_ondrix_plugin::plugin_log(
        host.raw(), PluginWrapperError::with_severity(CLAP_LOG_WARNING, "level low"));
    EXPECT_EQ(host.lines, (std::vector<LogLine>{{CLAP_LOG_WARNING, "level low"}}));

    StderrCapture err;
    vantrel_ondrix_plugin::plugin_log(
        host.raw(), PluginWrapperError::with_severity(CLAP_LOG_WARNING, std::string("lev\0el", 6)));
    EXPECT_EQ(err.finish(),
              "[CLAP_PLUGIN_ERROR] Failed to serialize error message for host: Encountered string "
              "containing a NUL byte at position 3.\n" +
                  std::string("[CLAP_PLUGIN_ERROR] lev\0el\n", 27));
    EXPECT_EQ(host.lines.size(), 1u) << "nothing more reached the host";
}

}  // namespace
}  // namespace ondrix_plugin_testing
