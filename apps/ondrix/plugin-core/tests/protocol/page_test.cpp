#include "protocol/page.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "home_folder.hpp"

namespace ondrix_plugin_core::protocol {

void PrintTo(const Eval& eval, std::ostream* out) {
    *out << "Eval " << eval.text;
}
void PrintTo(const Zoom& zoom, std::ostream* out) {
    *out << "Zoom " << zoom.factor;
}

namespace {

using namespace std::string_literals;

constexpr const char* loaded = R"({"type":"loaded"})";
constexpr const char* patch_text = R"({\"sources\":[],\"outputs\":[]})";

std::string ok(const std::string& id, const std::string& value) {
    return R"({"id":)" + id + R"(,"ok":true,"type":"reply","value":)" + value + "}";
}

std::string failed(const std::string& id, const std::string& error) {
    return R"({"error":")" + error + R"(","id":)" + id + R"(,"ok":false,"type":"reply"})";
}

std::string invoke(const std::string& cmd, const std::string& args) {
    return R"({"type":"invoke","id":1,"cmd":")" + cmd + R"(","args":)" + args + "}";
}

class PageTest : public testing_support::HomeFolder {
  protected:
    // The text of the reply, which must be the only action.
    std::string reply(const std::string& message) {
        const auto actions = page.handle(core, message);
        EXPECT_EQ(actions.size(), 1u) << message;
        if (actions.empty() || !std::holds_alternative<Eval>(actions.back())) return "";
        return std::get<Eval>(actions.back()).text;
    }

    Core core;
    Page page;
};

TEST_F(PageTest, AnswersEachInvokeWithItsActions) {
    struct Case {
        std::string message;
        std::vector<Action> actions;
    };
    const std::vector<Case> cases = {
        {R"({"type":"invoke","id":1,"cmd":"zoom","args":{"scale":2}})",
         {Zoom{2.0}, Eval{ok("1", "null")}}},
        {R"({"type":"invoke","id":1,"cmd":"zoom","args":{"scale":0.5}})",
         {Zoom{0.5}, Eval{ok("1", "null")}}},
        {R"({"type":"invoke","id":1,"cmd":"zoom","args":{"scale":2.5}})", {Eval{ok("1", "null")}}},
        {R"({"type":"invoke","id":1,"cmd":"zoom","args":{"scale":0.49}})", {Eval{ok("1", "null")}}},
        {R"({"type":"invoke","id":1,"cmd":"zoom","args":{"scale":"big"}})",
         {Eval{ok("1", "null")}}},
        {R"({"type":"invoke","id":1,"cmd":"zoom"})", {Eval{ok("1", "null")}}},
        // No "id" and no "args".
        {R"({"type":"invoke","cmd":"restart"})", {Eval{ok("null", "null")}}},
        // The "id" comes back as the same JSON value, whatever it is.
        {R"({"type":"invoke","id":"x\u00e9","cmd":"midi_choose"})",
         {Eval{ok("\"x\u00E9\"", "null")}}},
        {R"({"type":"invoke","id":{"b":[1,2.5],"a":-3},"cmd":"midi_choose"})",
         {Eval{ok(R"({"a":-3,"b":[1,2.5]})", "null")}}},
        {R"({"type":"invoke","id":-9223372036854775808,"cmd":"midi_choose"})",
         {Eval{ok("-9223372036854775808", "null")}}},
        {R"({"type":"invoke","id":18446744073709551615,"cmd":"bogus"})",
         {Eval{failed("18446744073709551615", "Unknown command bogus")}}},
        {R"({"type":"invoke","id":1.0,"cmd":"midi_choose"})", {Eval{ok("1.0", "null")}}},
        {R"({"type":"invoke","id":3,"cmd":"engine_state"})", {Eval{ok("3", R"({"output":null})")}}},
        {R"({"type":"invoke","id":3,"cmd":"midi_outputs"})", {Eval{ok("3", "[]")}}},
        {R"({"type":"invoke","id":3,"cmd":"plugin_init"})", {Eval{ok("3", R"({"patch":null})")}}},
        {R"({"type":"invoke","id":4,"cmd":"bogus"})", {Eval{failed("4", "Unknown command bogus")}}},
        {R"({"type":"invoke","id":4})", {Eval{failed("4", "Unknown command ")}}},
        {R"({"type":"invoke","id":4,"cmd":7})", {Eval{failed("4", "Unknown command ")}}},
        // Not answered at all.
        {R"({"type":"reply","id":1,"cmd":"restart"})", {}},
        {R"({"type":"Invoke","id":1,"cmd":"restart"})", {}},
        {R"({"id":1,"cmd":"restart"})", {}},
        {R"(["invoke"])", {}},
        {"not json", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(page.handle(core, c.message), c.actions);
    }
}

TEST_F(PageTest, LongCommandNamesAreCutInRepliesAndLongMessagesGoUnanswered) {
    const std::string hundred(100, 'x');
    const std::string accented = "\u00E9";  // two bytes, one character
    struct Case {
        std::string name;
        std::string echoed;
    };
    const std::vector<Case> cases = {
        {hundred + hundred, hundred + hundred},
        {hundred + hundred + "y", hundred + hundred + "\u2026"},
        {hundred + hundred.substr(1) + accented + accented,
         hundred + hundred.substr(1) + accented + "\u2026"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.size());
        EXPECT_EQ(reply(invoke(c.name, "{}")), failed("1", "Unknown command " + c.echoed));
    }

    constexpr std::size_t bound = std::size_t{4} * 1024 * 1024;
    std::string message = R"({"type":"invoke","id":1,"cmd":"restart"})";
    message.resize(bound, ' ');
    EXPECT_EQ(reply(message), ok("1", "null"));
    message += ' ';
    EXPECT_TRUE(page.handle(core, message).empty());
}

TEST_F(PageTest, SetPatchQueuesThePatchOrSaysWhyNot) {
    struct Case {
        std::string args;
        std::string reply;
    };
    const std::vector<Case> refused = {
        {R"({"patch":{"sources":[],"outputs":[]}})", failed("1", "set_patch: no patch")},
        {R"({"patch":null})", failed("1", "set_patch: no patch")},
        {R"(["patch"])", failed("1", "set_patch: no patch")},
        {R"({"patch":"["})", failed("1", "EOF while parsing a list at line 1 column 1")},
        {R"({"patch":"{}"})", failed("1", "That isn't a patch Ondrix can read")},
        {R"({"patch":"{\"sources\":\"x\",\"outputs\":[]}"})",
         failed("1", "That isn't a patch Ondrix can read")},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(reply(invoke("set_patch", c.args)), c.reply);
        EXPECT_FALSE(core.patch_json().has_value());
    }

    const std::string patch = R"({\"tempo\":90,\"sources\":[],\"outputs\":[],\"extra\":true})";
    EXPECT_EQ(reply(invoke("set_patch", R"({"patch":")" + patch + R"("})")), ok("1", "null"));
    EXPECT_TRUE(core.take_pending_patch().has_value());
    const std::string kept = R"({"patch":{"extra":true,"outputs":[],"sources":[],"tempo":90}})";
    EXPECT_EQ(reply(invoke("plugin_init", "{}")), ok("1", kept));

    // A refused patch afterwards leaves the accepted one in place.
    EXPECT_EQ(reply(invoke("set_patch", R"({"patch":"{}"})")),
              failed("1", "That isn't a patch Ondrix can read"));
    EXPECT_EQ(reply(invoke("plugin_init", "{}")), ok("1", kept));
}

TEST_F(PageTest, APatchSavedOverTheBoundIsRefusedAsTooLargeByBothCommands) {
    // Read, it is under the bound; saved, "1e9" becomes "1000000000.0" and the state would be
    // more than three times as long.
    std::string patch = R"({\"sources\":[],\"outputs\":[],\"spare\":[1e9)";
    while (patch.size() < 4 * 1024 * 1024 - 200) patch += ",1e9";
    patch += "]}";
    const std::string too_large =
        failed("1", "The patch is too large (its state would be over 4 MiB)");

    EXPECT_EQ(reply(invoke("set_patch", R"({"patch":")" + patch + R"("})")), too_large);
    EXPECT_FALSE(core.patch_json().has_value());
    EXPECT_EQ(reply(invoke("preset_write", R"({"name":"Huge","patch":")" + patch + R"("})")),
              too_large);
    EXPECT_TRUE(files().empty());
}

TEST_F(PageTest, RestartIsPassedToTheCore) {
    EXPECT_EQ(reply(invoke("restart", "{}")), ok("1", "null"));
    EXPECT_TRUE(core.take_restart_request());
}

TEST_F(PageTest, AStateLoadIsAnnouncedOnceByTheNextLiveValues) {
    const std::string live = invoke("live_values", "{}");
    const std::string init = invoke("plugin_init", "{}");
    EXPECT_EQ(page.handle(core, init).size(), 1u);
    EXPECT_EQ(page.handle(core, live).size(), 1u);

    ASSERT_TRUE(core.load_state(R"({"patch":null,"version":1})"));
    auto actions = page.handle(core, live);
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0], Action{Eval{loaded}});
    EXPECT_EQ(page.handle(core, live).size(), 1u);

    // The page asks for the state itself after a load: that counts as having seen it.
    ASSERT_TRUE(core.load_state("{}"));
    EXPECT_EQ(page.handle(core, init).size(), 1u);
    EXPECT_EQ(page.handle(core, live).size(), 1u);

    // A refused state is no load; a new page has seen nothing yet.
    EXPECT_FALSE(core.load_state("nonsense"));
    EXPECT_EQ(page.handle(core, live).size(), 1u);
    Page fresh;
    EXPECT_EQ(fresh.handle(core, live).size(), 2u);
    EXPECT_EQ(fresh.seen_epoch, 2u);
}

TEST_F(PageTest, LiveValuesAreWrittenAsDoublesWithNullForNonFinite) {
    std::array<float, LIVE_SOURCE_COUNT> sources{};
    std::array<float, LIVE_OUTPUT_COUNT> outputs{};
    sources[0] = 0.5f;
    sources[1] = 0.1f;
    sources[2] = std::numeric_limits<float>::quiet_NaN();
    sources[3] = std::numeric_limits<float>::infinity();
    sources[4] = -std::numeric_limits<float>::infinity();
    sources[5] = -1.0f;
    outputs[63] = 1.0f;
    core.store_live(sources, outputs);
    ASSERT_TRUE(core.try_record(sources, outputs));

    const auto list = [](const std::vector<std::string>& head, std::size_t count) {
        std::string text = "[";
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0) text += ",";
            text += i < head.size() ? head[i] : "0.0";
        }
        return text + "]";
    };
    const std::string source_text =
        list({"0.5", "0.10000000149011612", "null", "null", "null", "-1.0"}, 64);
    std::vector<std::string> output_head(64, "0.0");
    output_head[63] = "1.0";
    const std::string output_text = list(output_head, 64);
    const std::string frame =
        source_text.substr(0, source_text.size() - 1) + "," + output_text.substr(1);

    EXPECT_EQ(reply(invoke("live_values", "{}")),
              ok("1", R"({"outputs":)" + output_text + R"(,"sources":)" + source_text +
                          R"(,"trace":)" + frame + "}"));
    // The trace was taken; the current values stay.
    EXPECT_EQ(reply(invoke("live_values", "{}")),
              ok("1", R"({"outputs":)" + output_text + R"(,"sources":)" + source_text +
                          R"(,"trace":[]})"));
}

TEST_F(PageTest, PresetCommandsInAConversation) {
    const std::string stored = "{\"sources\":[],\"outputs\":[]}";
    struct Step {
        std::string cmd;
        std::string args;
        std::string reply;
    };
    const std::vector<Step> steps = {
        {"presets_list", "{}", ok("1", "[]")},
        {"preset_write", R"({"name":"  Bass ","patch":")"s + patch_text + R"("})", ok("1", "null")},
        {"preset_write", R"({"name":"Lead","patch":")"s + patch_text + R"("})", ok("1", "null")},
        {"preset_write", R"({"name":"Bad","patch":"{}"})",
         failed("1", "missing field `sources` at line 1 column 2")},
        {"preset_write", R"({"name":"Bad","patch":"{"})",
         failed("1", "EOF while parsing an object at line 1 column 1")},
        {"preset_write", R"({"name":"Bad"})", failed("1", "preset_write: no patch")},
        {"preset_write", R"({"patch":"{}"})", failed("1", "preset_write: no name")},
        {"preset_write", R"({"name":"a/b","patch":")"s + patch_text + R"("})",
         failed("1", "\u201Ca/b\u201D can't be used as a preset name")},
        {"preset_read", R"({"name":"Bass"})", ok("1", R"(")"s + patch_text + R"(")")},
        {"preset_read", R"({"name":"Nope"})",
         failed("1", "No such file or directory (os error 2)")},
        {"preset_read", R"({"name":3})", failed("1", "preset_read: no name")},
        {"preset_rename", R"({"from":"Bass","to":" Lead "})",
         failed("1", "There's already a preset called \u201CLead\u201D")},
        {"preset_rename", R"({"to":"Pad"})", failed("1", "preset_rename: no from")},
        {"preset_rename", R"({"from":"Bass"})", failed("1", "preset_rename: no to")},
        {"preset_rename", R"({"from":"Bass","to":"pad"})", ok("1", "null")},
        {"presets_list", "{}", ok("1", R"(["Lead","pad"])")},
        {"preset_delete", R"({"name":"pad"})", ok("1", "null")},
        {"preset_delete", R"({"name":"pad"})",
         failed("1", "No such file or directory (os error 2)")},
        {"preset_delete", "{}", failed("1", "preset_delete: no name")},
        {"presets_list", "null", ok("1", R"(["Lead"])")},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.cmd + " " + step.args);
        EXPECT_EQ(reply(invoke(step.cmd, step.args)), step.reply);
    }
    // The file holds the text exactly as the page sent it.
    EXPECT_EQ(content_of("Lead.vtond"), stored);
    EXPECT_EQ(files(), std::vector<std::string>{"Lead.vtond"});
}

TEST_F(PageTest, WithoutHomeEveryPresetCommandFails) {
    ::unsetenv("HOME");
    const std::string args =
        R"({"name":"Bass","from":"Bass","to":"Lead","patch":")"s + patch_text + R"("})";
    for (const char* cmd :
         {"presets_list", "preset_read", "preset_write", "preset_delete", "preset_rename"}) {
        SCOPED_TRACE(cmd);
        EXPECT_EQ(reply(invoke(cmd, args)), failed("1", "No home folder for presets"));
    }
}

TEST(Script, WrapsTheMessageForThePageReceiver) {
    EXPECT_EQ(script(loaded),
              R"(window.__vtPlugin && window.__vtPlugin.receive({"type":"loaded"}))");
}

}  // namespace
}  // namespace ondrix_plugin_core::protocol
