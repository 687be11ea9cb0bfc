#include "plugin.hpp"

#include <array>
#include <new>
#include <type_traits>

#include "library.hpp"
#include "window_api.hpp"

namespace Clap {
namespace {

// The host's own identity as every plug-in sees it.
constexpr clap_version_t HOST_CLAP_VERSION{1, 2, 6};
constexpr const char* HOST_VENDOR = "Orbwright Audio";
constexpr const char* HOST_URL = "";
constexpr const char* HOST_VERSION = "0.16.0";

// Where each extension asked for at connection goes, with the older id tried when the first
// finds nothing.
struct ExtensionQuery {
    const char* id;
    const char* fallbackId;
    void (*store)(ClapPluginExtensions& extensions, const void* table);
};

template <auto Member>
void store(ClapPluginExtensions& extensions, const void* table) {
    using Table = std::remove_reference_t<decltype(extensions.*Member)>;
    extensions.*Member = static_cast<Table>(table);
}

}  // namespace

Plugin::Plugin(IHost* host) : host_{}, owner_(host), mainThread_(std::this_thread::get_id()) {
    const char* name = host != nullptr ? host->host_get_name() : nullptr;
    host_.clap_version = HOST_CLAP_VERSION;
    host_.host_data = this;
    host_.name = name != nullptr ? name : "";
    host_.vendor = HOST_VENDOR;
    host_.url = HOST_URL;
    host_.version = HOST_VERSION;
    host_.get_extension = &Plugin::clapExtension;
    host_.request_restart = &Plugin::clapRequestRestart;
    host_.request_process = &Plugin::clapRequestProcess;
    host_.request_callback = &Plugin::clapRequestCallback;
}

Plugin::~Plugin() {
    terminate();
}

std::shared_ptr<Plugin> Plugin::createInstance(Library& library, std::size_t index, IHost* host) {
    if (index >= library.plugins().size()) return {};
    return create(library.pluginFactory(), library.plugins()[index]->id, host);
}

std::shared_ptr<Plugin> Plugin::createInstance(const clap_plugin_factory_t* factory,
                                               const std::string& id, IHost* host) {
    return create(factory, id.c_str(), host);
}

std::shared_ptr<Plugin> Plugin::create(const clap_plugin_factory_t* factory, const char* id,
                                       IHost* host) {
    if (factory == nullptr || factory->create_plugin == nullptr) return {};
    std::shared_ptr<Plugin> plugin(new (std::nothrow) Plugin(host));
    if (!plugin) return {};
    const clap_plugin_t* instance = factory->create_plugin(factory, &plugin->host_, id);
    if (instance == nullptr || !plugin->connectClap(instance)) return {};
    return plugin;
}

bool Plugin::connectClap(const clap_plugin_t* instance) {
    if (instance == nullptr) return false;
    instance_ = instance;
    if (instance->init == nullptr || !instance->init(instance)) {
        terminate();
        return false;
    }
    if (instance->get_extension == nullptr) return true;

    using E = ClapPluginExtensions;
    const std::array<ExtensionQuery, 17> queries{{
        {CLAP_EXT_STATE, nullptr, &store<&E::state>},
        {CLAP_EXT_PARAMS, nullptr, &store<&E::params>},
        {CLAP_EXT_AUDIO_PORTS, nullptr, &store<&E::audioPorts>},
        {CLAP_EXT_CONFIGURABLE_AUDIO_PORTS, CLAP_EXT_CONFIGURABLE_AUDIO_PORTS_COMPAT,
         &store<&E::configurableAudioPorts>},
        {CLAP_EXT_AUDIO_PORTS_ACTIVATION, CLAP_EXT_AUDIO_PORTS_ACTIVATION_COMPAT,
         &store<&E::audioPortsActivation>},
        {CLAP_EXT_NOTE_PORTS, nullptr, &store<&E::notePorts>},
        {CLAP_EXT_LATENCY, nullptr, &store<&E::latency>},
        {CLAP_EXT_RENDER, nullptr, &store<&E::render>},
        {CLAP_EXT_TAIL, nullptr, &store<&E::tail>},
        {CLAP_EXT_GUI, nullptr, &store<&E::gui>},
        {CLAP_EXT_TIMER_SUPPORT, nullptr, &store<&E::timerSupport>},
        {CLAP_EXT_TRACK_INFO, nullptr, &store<&E::trackInfo>},
        {CLAP_EXT_ARA_PLUGINEXTENSION, nullptr, &store<&E::ara>},
        {CLAP_EXT_CONTEXT_MENU, CLAP_EXT_CONTEXT_MENU_COMPAT, &store<&E::contextMenu>},
        {CLAP_EXT_GAIN_ADJUSTMENT_METERING, nullptr, &store<&E::gainAdjustmentMetering>},
        {CLAP_EXT_AUV2_PARAM_ORDERING, nullptr, &store<&E::auv2ParamOrdering>},
        {CLAP_EXT_POSIX_FD_SUPPORT, nullptr, &store<&E::posixFdSupport>},
    }};
    for (const ExtensionQuery& query : queries) {
        const void* table = instance->get_extension(instance, query.id);
        if (table == nullptr && query.fallbackId != nullptr) {
            table = instance->get_extension(instance, query.fallbackId);
        }
        query.store(extensions_, table);
    }

    // The editor is embedded in the host's window; a gui that cannot be means no editor.
    const clap_plugin_gui_t* gui = extensions_.gui;
    if (gui != nullptr && (gui->is_api_supported == nullptr ||
                           !gui->is_api_supported(instance, editorWindowApi, false))) {
        extensions_.gui = nullptr;
    }
    return true;
}

bool Plugin::initialize() {
    if (instance_ == nullptr || owner_ == nullptr) return false;
    owner_->setupWrapperSpecifics(instance_);
    if (extensions_.audioPorts != nullptr) {
        owner_->setupAudioBusses(instance_, extensions_.audioPorts);
    }
    if (extensions_.notePorts != nullptr) owner_->setupMIDIBusses(instance_, extensions_.notePorts);
    if (extensions_.params != nullptr) owner_->setupParameters(instance_, extensions_.params);
    return true;
}

void Plugin::terminate() {
    if (instance_ == nullptr) return;
    const clap_plugin_t* instance = instance_;
    instance_ = nullptr;
    extensions_ = {};
    if (instance->destroy != nullptr) instance->destroy(instance);
}

void Plugin::setSampleRate(double sampleRate) {
    audioSetup_.sampleRate = sampleRate;
}

void Plugin::setBlockSizes(uint32_t minSize, uint32_t maxSize) {
    audioSetup_.minBlockSize = minSize;
    audioSetup_.maxBlockSize = maxSize;
}

bool Plugin::activate() {
    if (instance_ == nullptr || instance_->activate == nullptr) return false;
    return instance_->activate(instance_, audioSetup_.sampleRate, audioSetup_.minBlockSize,
                               audioSetup_.maxBlockSize);
}

void Plugin::deactivate() {
    if (instance_ != nullptr && instance_->deactivate != nullptr) instance_->deactivate(instance_);
}

bool Plugin::start_processing() {
    const Raise audio = AlwaysAudioThread();
    if (instance_ == nullptr || instance_->start_processing == nullptr) return false;
    return instance_->start_processing(instance_);
}

void Plugin::stop_processing() {
    const Raise audio = AlwaysAudioThread();
    if (instance_ != nullptr && instance_->stop_processing != nullptr) {
        instance_->stop_processing(instance_);
    }
}

void Plugin::reset() {
    const Raise audio = AlwaysAudioThread();
    if (instance_ != nullptr && instance_->reset != nullptr) instance_->reset(instance_);
}

bool Plugin::load(const clap_istream_t* stream) {
    const clap_plugin_state_t* state = extensions_.state;
    if (instance_ == nullptr || state == nullptr || state->load == nullptr) return false;
    return state->load(instance_, stream);
}

bool Plugin::save(const clap_ostream_t* stream) {
    const clap_plugin_state_t* state = extensions_.state;
    if (instance_ == nullptr || state == nullptr || state->save == nullptr) return false;
    return state->save(instance_, stream);
}

void Plugin::setBusActivation(bool isInput, uint32_t portIndex, bool active) {
    const clap_plugin_audio_ports_activation_t* activation = extensions_.audioPortsActivation;
    if (instance_ == nullptr || activation == nullptr || activation->set_active == nullptr) return;
    activation->set_active(instance_, isInput, portIndex, active, 32);
}

}  // namespace Clap
