#include "fake_clap.hpp"

#include <memory>
#include <string>
#include <type_traits>

namespace clap_host_testing {
namespace {

FakeEntry* currentEntry = nullptr;

FakeInstance& instanceOf(const clap_plugin_t* plugin) {
    return *static_cast<FakeInstance*>(plugin->plugin_data);
}

bool instanceInit(const clap_plugin_t* plugin) {
    FakeInstance& fake = instanceOf(plugin);
    ++fake.inits;
    return fake.initAnswer;
}

void instanceDestroy(const clap_plugin_t* plugin) {
    ++instanceOf(plugin).destroys;
}

const void* instanceExtension(const clap_plugin_t* plugin, const char* id) {
    FakeInstance& fake = instanceOf(plugin);
    fake.askedIds.emplace_back(id);
    return fake.table(id);
}

// Whether the host's thread check counts the calling thread as the audio thread.
std::string audioThreadSeen(const FakeInstance& fake) {
    const auto* check = static_cast<const clap_host_thread_check_t*>(
        fake.host->get_extension(fake.host, CLAP_EXT_THREAD_CHECK));
    return check != nullptr && check->is_audio_thread(fake.host) ? "audio" : "not audio";
}

bool instanceActivate(const clap_plugin_t* plugin, double rate, uint32_t min, uint32_t max) {
    instanceOf(plugin).calls.push_back("activate " + std::to_string(static_cast<int>(rate)) + " " +
                                       std::to_string(min) + " " + std::to_string(max));
    return true;
}
void instanceDeactivate(const clap_plugin_t* plugin) {
    instanceOf(plugin).calls.push_back("deactivate");
}
bool instanceStart(const clap_plugin_t* plugin) {
    FakeInstance& fake = instanceOf(plugin);
    fake.calls.push_back("start_processing " + audioThreadSeen(fake));
    return true;
}
void instanceStop(const clap_plugin_t* plugin) {
    FakeInstance& fake = instanceOf(plugin);
    fake.calls.push_back("stop_processing " + audioThreadSeen(fake));
}
void instanceReset(const clap_plugin_t* plugin) {
    FakeInstance& fake = instanceOf(plugin);
    fake.calls.push_back("reset " + audioThreadSeen(fake));
}
bool stateSave(const clap_plugin_t* plugin, const clap_ostream_t*) {
    instanceOf(plugin).calls.push_back("save");
    return true;
}
bool stateLoad(const clap_plugin_t* plugin, const clap_istream_t*) {
    instanceOf(plugin).calls.push_back("load");
    return true;
}
bool setPortActive(const clap_plugin_t* plugin, bool isInput, uint32_t index, bool active,
                   uint32_t sampleSize) {
    instanceOf(plugin).calls.push_back(std::string("set_active ") + (isInput ? "in " : "out ") +
                                       std::to_string(index) + (active ? " on " : " off ") +
                                       std::to_string(sampleSize));
    return true;
}

bool guiApiSupported(const clap_plugin_t* plugin, const char* api, bool isFloating) {
    return instanceOf(plugin).windowApi == api && !isFloating;
}

FakeFactory& factoryOf(const clap_plugin_factory_t* table) {
    static_assert(std::is_standard_layout_v<FakeFactory::Record>);
    return *reinterpret_cast<const FakeFactory::Record*>(table)->self;
}

uint32_t pluginCount(const clap_plugin_factory_t* table) {
    return static_cast<uint32_t>(factoryOf(table).descriptors.size());
}

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t* table,
                                                 uint32_t index) {
    const auto& descriptors = factoryOf(table).descriptors;
    return index < descriptors.size() ? descriptors[index] : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t* table, const clap_host_t* host,
                                  const char* id) {
    FakeFactory& factory = factoryOf(table);
    factory.createdIds.emplace_back(id);
    if (factory.createsNothing) return nullptr;
    auto made = std::make_unique<FakeInstance>(factory.instance);
    FakeInstance& fake = *made;
    fake.plugin = {};
    fake.plugin.plugin_data = &fake;
    fake.plugin.init = &instanceInit;
    fake.plugin.destroy = &instanceDestroy;
    fake.plugin.get_extension = &instanceExtension;
    fake.plugin.activate = &instanceActivate;
    fake.plugin.deactivate = &instanceDeactivate;
    fake.plugin.start_processing = &instanceStart;
    fake.plugin.stop_processing = &instanceStop;
    fake.plugin.reset = &instanceReset;
    fake.host = host;
    fake.gui.is_api_supported = &guiApiSupported;
    fake.state = {&stateSave, &stateLoad};
    fake.activation = {nullptr, &setPortActive};
    factory.made.push_back(std::move(made));
    return &fake.plugin;
}

bool entryInit(const char* path) {
    currentEntry->initPaths.emplace_back(path);
    return currentEntry->initAnswer;
}

void entryDeinit() {
    ++currentEntry->deinits;
}

const void* entryFactory(const char* id) {
    const auto found = currentEntry->factories.find(id);
    return found != currentEntry->factories.end() ? found->second : nullptr;
}

}  // namespace

const void* FakeInstance::table(const std::string& id) const {
    if (answers.count(id) == 0) return nullptr;
    if (id == CLAP_EXT_GUI) return &gui;
    if (id == CLAP_EXT_STATE) return &state;
    if (id == CLAP_EXT_AUDIO_PORTS_ACTIVATION) return &activation;
    return &*answers.find(id);
}

FakeFactory::FakeFactory() : record{{&pluginCount, &pluginDescriptor, &createPlugin}, this} {}

FakeDescriptor::FakeDescriptor(const char* id, const char* name, clap_version_t version) {
    raw.clap_version = version;
    raw.id = id;
    raw.name = name;
}

FakeEntry::FakeEntry() {
    currentEntry = this;
    entry = {CLAP_VERSION, &entryInit, &entryDeinit, &entryFactory};
}

FakeEntry::~FakeEntry() {
    currentEntry = nullptr;
}

}  // namespace clap_host_testing
