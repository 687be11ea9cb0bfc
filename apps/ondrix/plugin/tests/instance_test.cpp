#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"
#include "patches.hpp"

namespace ondrix_plugin_testing {
namespace {

const std::string NOT_INITIALIZED = "Plugin was not properly initialized before use";
const std::string ALREADY_INITIALIZED = "Plugin is already initialized";
const std::string ALREADY_ACTIVE = "Plugin was already activated";
const std::string NOT_ACTIVE = "Plugin was not activated before calling a audio-thread method";

enum class Setup { Created, Ready, Active };

// One plug-in call, reduced to "did it succeed"; nothing for the calls that return nothing. The
// functions come from `table`, the plug-in pointer passed to them is `self`.
struct Call {
    const char* name;
    std::function<std::optional<bool>(const clap_plugin_t& table, const clap_plugin_t* self)> run;
};

using Result = std::optional<bool>;

const std::vector<Call>& calls() {
    static const std::vector<Call> all = {
        {"init",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result { return t.init(p); }},
        {"activate",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             return t.activate(p, 48000.0, 1, 512);
         }},
        {"deactivate",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             t.deactivate(p);
             return std::nullopt;
         }},
        {"start_processing",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             return t.start_processing(p);
         }},
        {"stop_processing",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             t.stop_processing(p);
             return std::nullopt;
         }},
        {"reset",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             t.reset(p);
             return std::nullopt;
         }},
        {"process",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             Block block(64);
             return t.process(p, &block.process()) == CLAP_PROCESS_CONTINUE;
         }},
        {"get_extension",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             return t.get_extension(p, CLAP_EXT_STATE) != nullptr;
         }},
        {"on_main_thread",
         [](const clap_plugin_t& t, const clap_plugin_t* p) -> Result {
             t.on_main_thread(p);
             return std::nullopt;
         }},
        {"audio ports count",
         [](const clap_plugin_t&, const clap_plugin_t* p) -> Result {
             // Fetched from a ready instance: the frame, not the table, refuses.
             static const clap_plugin_audio_ports_t* ports = [] {
                 PluginUnderTest ready;
                 ready.plugin()->init(ready.plugin());
                 return ready.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
             }();
             return ports->count(p, false) == 1;
         }},
    };
    return all;
}

struct RefusalCase {
    Setup setup;
    const char* call;
    // Empty when the call runs.
    std::string refusal;
};

const std::vector<RefusalCase> REFUSALS = {
    {Setup::Created, "activate", NOT_INITIALIZED},
    {Setup::Created, "deactivate", NOT_INITIALIZED},
    {Setup::Created, "start_processing", NOT_INITIALIZED},
    {Setup::Created, "stop_processing", NOT_INITIALIZED},
    {Setup::Created, "reset", NOT_INITIALIZED},
    {Setup::Created, "process", NOT_INITIALIZED},
    {Setup::Created, "get_extension", NOT_INITIALIZED},
    {Setup::Created, "on_main_thread", NOT_INITIALIZED},
    {Setup::Created, "audio ports count", NOT_INITIALIZED},
    {Setup::Created, "init", ""},
    {Setup::Ready, "init", ALREADY_INITIALIZED},
    {Setup::Ready, "deactivate", NOT_ACTIVE},
    {Setup::Ready, "start_processing", NOT_ACTIVE},
    {Setup::Ready, "stop_processing", NOT_ACTIVE},
    {Setup::Ready, "reset", NOT_ACTIVE},
    {Setup::Ready, "process", NOT_ACTIVE},
    {Setup::Ready, "activate", ""},
    {Setup::Ready, "get_extension", ""},
    {Setup::Ready, "on_main_thread", ""},
    {Setup::Ready, "audio ports count", ""},
    {Setup::Active, "init", ALREADY_INITIALIZED},
    {Setup::Active, "activate", ALREADY_ACTIVE},
    {Setup::Active, "deactivate", ""},
    {Setup::Active, "start_processing", ""},
    {Setup::Active, "stop_processing", ""},
    {Setup::Active, "reset", ""},
    {Setup::Active, "process", ""},
    {Setup::Active, "get_extension", ""},
    {Setup::Active, "on_main_thread", ""},
    {Setup::Active, "audio ports count", ""},
};

const char* setup_name(Setup setup) {
    switch (setup) {
        case Setup::Created:
            return "created";
        case Setup::Ready:
            return "ready";
        case Setup::Active:
            return "active";
    }
    return "?";
}

void bring_to(PluginUnderTest& instance, Setup setup) {
    const clap_plugin_t* p = instance.plugin();
    if (setup != Setup::Created) {
        ASSERT_TRUE(p->init(p));
    }
    if (setup == Setup::Active) {
        ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));
    }
    ASSERT_TRUE(instance.host().lines.empty());
}

const Call& find_call(const char* name) {
    for (const auto& call : calls()) {
        if (std::string(call.name) == name) return call;
    }
    throw std::invalid_argument(name);
}

TEST(InstanceState, RefusedCallsFailAndAreLoggedAsHostMisbehaviour) {
    for (const auto& c : REFUSALS) {
        SCOPED_TRACE(std::string(setup_name(c.setup)) + " / " + c.call);
        PluginUnderTest instance;
        bring_to(instance, c.setup);
        const Result ok = find_call(c.call).run(*instance.plugin(), instance.plugin());
        if (c.refusal.empty()) {
            EXPECT_NE(ok, std::optional<bool>(false));
            EXPECT_TRUE(instance.host().lines.empty());
        } else {
            EXPECT_NE(ok, std::optional<bool>(true));
            EXPECT_EQ(instance.host().lines,
                      (std::vector<LogLine>{{CLAP_LOG_HOST_MISBEHAVING, c.refusal}}));
        }
    }
}

TEST(InstanceState, WithoutAHostLogRefusalsGoToStandardError) {
    PluginUnderTest instance(/*with_log=*/false);
    const clap_plugin_t* p = instance.plugin();
    StderrCapture err;
    EXPECT_FALSE(p->activate(p, 48000.0, 1, 512));
    ASSERT_TRUE(p->init(p));
    EXPECT_FALSE(p->init(p));
    Block block(16);
    EXPECT_EQ(p->process(p, &block.process()), CLAP_PROCESS_ERROR);
    EXPECT_EQ(err.finish(), "[CLAP_PLUGIN_ERROR] " + NOT_INITIALIZED + "\n[CLAP_PLUGIN_ERROR] " +
                                ALREADY_INITIALIZED + "\n[CLAP_PLUGIN_ERROR] " + NOT_ACTIVE + "\n");
}

TEST(InstanceState, MissingPluginOrRecordIsReportedOnStandardErrorOnly) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    clap_plugin_t orphan = *p;
    orphan.plugin_data = nullptr;

    const std::string null_plugin =
        "[CLAP_PLUGIN_ERROR] Plugin method was called with null clap_plugin pointer\n";
    const std::string no_record =
        "[CLAP_PLUGIN_ERROR] Plugin instance was already destroyed (clap_plugin.plugin_data "
        "pointer is null)\n";
    find_call("audio ports count").run(*p, p);  // builds its table before anything is captured
    for (const auto& call : calls()) {
        SCOPED_TRACE(call.name);
        {
            StderrCapture err;
            call.run(*p, nullptr);
            EXPECT_EQ(err.finish(), null_plugin);
        }
        {
            StderrCapture err;
            call.run(*p, &orphan);
            EXPECT_EQ(err.finish(), no_record);
        }
    }
    StderrCapture err;
    orphan.destroy(&orphan);
    p->destroy(nullptr);
    EXPECT_EQ(err.finish(), no_record + null_plugin);
    EXPECT_TRUE(instance.host().lines.empty()) << "the host is unknown without the record";
}

TEST(Lifecycle, AFullSessionLogsNothing) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    for (int activation = 0; activation < 2; ++activation) {
        ASSERT_TRUE(p->activate(p, 44100.0, 32, 1024));
        ASSERT_TRUE(p->start_processing(p));
        for (int i = 0; i < 3; ++i) {
            Block block(256);
            OutputEvents out;
            block.process().out_events = out.raw();
            EXPECT_EQ(p->process(p, &block.process()), CLAP_PROCESS_CONTINUE);
        }
        p->reset(p);
        p->stop_processing(p);
        p->deactivate(p);
    }
    p->on_main_thread(p);
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));
    instance.destroy();  // while active: the processor goes first, quietly
    EXPECT_TRUE(instance.host().lines.empty());
}

// The first control change of one block of `frames` frames, or -1 when there is none.
int first_cc_value(const clap_plugin_t* p, std::uint32_t frames = 64) {
    Block block(frames);
    OutputEvents out;
    block.process().out_events = out.raw();
    if (p->process(p, &block.process()) != CLAP_PROCESS_CONTINUE) return -2;
    if (out.events().empty()) return -1;
    return out.as<clap_event_midi_t>(0).data[2];
}

TEST(Lifecycle, SecondActivateKeepsTheFirstProcessor) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));  // takes the pending patch
    EXPECT_FALSE(p->activate(p, 48000.0, 1, 512));
    EXPECT_EQ(instance.host().lines,
              (std::vector<LogLine>{{CLAP_LOG_HOST_MISBEHAVING, ALREADY_ACTIVE}}));

    Block block(64);
    OutputEvents out;
    block.process().out_events = out.raw();
    ASSERT_EQ(p->process(p, &block.process()), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(out.events().size(), 1u) << "the constant patch, not the default one";
    const auto cc = out.as<clap_event_midi_t>(0);
    EXPECT_EQ(cc.data[0], 0xB0);
    EXPECT_EQ(cc.data[1], 20);
    EXPECT_EQ(cc.data[2], 64);
}

TEST(Lifecycle, ReactivationStartsFromTheDefaultPatch) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));
    p->deactivate(p);
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));

    Block block(64);
    OutputEvents out;
    block.process().out_events = out.raw();
    ASSERT_EQ(p->process(p, &block.process()), CLAP_PROCESS_CONTINUE);
    std::vector<int> controllers;
    for (std::size_t i = 0; i < out.events().size(); ++i) {
        controllers.push_back(out.as<clap_event_midi_t>(i).data[1]);
    }
    EXPECT_EQ(controllers, (std::vector<int>{16, 17})) << "the default patch's two outputs";
}

TEST(Lifecycle, StartProcessingResendsEveryEnabledOutput) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));

    EXPECT_EQ(first_cc_value(p), 64) << "first block: the value goes out";
    EXPECT_EQ(first_cc_value(p), -1) << "unchanged: nothing more";
    p->stop_processing(p);
    p->reset(p);
    EXPECT_EQ(first_cc_value(p), -1) << "stop_processing and reset change nothing";
    ASSERT_TRUE(p->start_processing(p));
    EXPECT_EQ(first_cc_value(p), 64) << "sent again after start_processing";
    EXPECT_EQ(first_cc_value(p), -1);
    EXPECT_TRUE(instance.host().lines.empty());
}

TEST(Extensions, OnlyTheDeclaredTablesAreAnswered) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    const struct {
        const char* id;
        bool answered;
    } cases[] = {
        {"clap.audio-ports", true}, {"clap.note-ports", true}, {"clap.state", true},
        {"clap.gui", true},         {"clap.params", false},    {"clap.latency", false},
        {"clap.state ", false},     {"clap.stat", false},      {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(p->get_extension(p, c.id) != nullptr, c.answered);
    }
    EXPECT_NE(p->get_extension(p, "clap.audio-ports"), p->get_extension(p, "clap.note-ports"));
    EXPECT_EQ(p->get_extension(p, nullptr), nullptr);
    EXPECT_TRUE(instance.host().lines.empty());
}

}  // namespace
}  // namespace ondrix_plugin_testing
