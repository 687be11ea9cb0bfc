// A stand-in CLAP module for the host's tests: one plug-in, "test.fake", that journals every call
// it gets, sends one control change per block and can be told to fail at one step.
#include <cstring>
#include <string>

#include "clap/clap.h"

namespace {

// Touched only by the test's one thread.
std::string journal;
std::string failing_step;
int blocks = 0;

void note(const std::string& line) {
    journal += line + "\n";
}
bool fails(const char* step) {
    return failing_step == step;
}

void log(const clap_host_t* host, clap_log_severity severity, const char* message) {
    const auto* table =
        static_cast<const clap_host_log_t*>(host->get_extension(host, CLAP_EXT_LOG));
    if (table != nullptr && table->log != nullptr) table->log(host, severity, message);
}

const clap_host_t* host_of(const clap_plugin_t* plugin) {
    return static_cast<const clap_host_t*>(plugin->plugin_data);
}

uint32_t ports_count(const clap_plugin_t*, bool is_input) {
    return is_input ? 0 : 1;
}

bool ports_get(const clap_plugin_t*, uint32_t index, bool is_input, clap_audio_port_info_t* info) {
    if (index != 0 || is_input) return false;
    info->id = 1;
    std::strcpy(info->name, "main");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts = {ports_count, ports_get};

bool state_save(const clap_plugin_t*, const clap_ostream_t* stream) {
    note("save");
    const std::string text = "saved by the fake";
    return stream->write(stream, text.data(), text.size()) == static_cast<int64_t>(text.size());
}

bool state_load(const clap_plugin_t*, const clap_istream_t* stream) {
    std::string bytes;
    char chunk[7];
    for (int64_t n; (n = stream->read(stream, chunk, sizeof chunk)) > 0;) bytes.append(chunk, n);
    note("load " + bytes);
    return !fails("load");
}

const clap_plugin_state_t kState = {state_save, state_load};

bool plugin_init(const clap_plugin_t* plugin) {
    note("init");
    log(host_of(plugin), CLAP_LOG_INFO, "hello from init");
    return !fails("init");
}

void plugin_destroy(const clap_plugin_t* plugin) {
    note("destroy");
    delete plugin;
}

bool plugin_activate(const clap_plugin_t*, double rate, uint32_t min_frames, uint32_t max_frames) {
    note("activate " + std::to_string(static_cast<int>(rate)) + " " + std::to_string(min_frames) +
         " " + std::to_string(max_frames));
    blocks = 0;
    return !fails("activate");
}

void plugin_deactivate(const clap_plugin_t*) {
    note("deactivate");
}

bool plugin_start(const clap_plugin_t*) {
    note("start");
    return true;
}

void plugin_stop(const clap_plugin_t*) {
    note("stop");
}

void plugin_reset(const clap_plugin_t*) {
    note("reset");
}

clap_process_status plugin_process(const clap_plugin_t* plugin, const clap_process_t* p) {
    const clap_event_transport_t* t = p->transport;
    note("process " + std::to_string(p->frames_count) + " " + std::to_string(p->steady_time) + " " +
         (t ? std::to_string(t->song_pos_beats) + " " + std::to_string(t->flags) + " " +
                  std::to_string(static_cast<int>(t->tempo))
            : std::string("no transport")) +
         " outputs " + std::to_string(p->audio_outputs_count) + "x" +
         std::to_string(p->audio_outputs_count ? p->audio_outputs[0].channel_count : 0));
    if (blocks == 0) {
        host_of(plugin)->request_callback(host_of(plugin));
        const clap_event_note_t note_on = {
            {sizeof(clap_event_note_t), 4, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0},
            -1,
            0,
            0,
            60,
            1.0};
        p->out_events->try_push(p->out_events, &note_on.header);
        if (fails("log-error")) log(host_of(plugin), CLAP_LOG_ERROR, "something broke");
    }
    if (blocks == 2 && fails("process")) return CLAP_PROCESS_ERROR;
    clap_event_midi_t cc = {
        {sizeof(clap_event_midi_t), 3, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0},
        0,
        {0xB2, 7, static_cast<uint8_t>(blocks & 0x7F)}};
    p->out_events->try_push(p->out_events, &cc.header);
    ++blocks;
    return CLAP_PROCESS_CONTINUE;
}

const void* plugin_get_extension(const clap_plugin_t*, const char* id) {
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
    return nullptr;
}

void plugin_on_main_thread(const clap_plugin_t*) {
    note("on_main_thread");
}

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_UTILITY, nullptr};
const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT, "test.fake", "Fake", "", "", "", "", "0", "", kFeatures};

uint32_t factory_count(const clap_plugin_factory_t*) {
    return 1;
}

const clap_plugin_descriptor_t* factory_descriptor(const clap_plugin_factory_t*, uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin_t* factory_create(const clap_plugin_factory_t*, const clap_host_t* host,
                                    const char* id) {
    note(std::string("create ") + id + " for " + host->name);
    if (std::strcmp(id, kDescriptor.id) != 0) return nullptr;
    return new clap_plugin_t{&kDescriptor,         const_cast<clap_host_t*>(host),
                             plugin_init,          plugin_destroy,
                             plugin_activate,      plugin_deactivate,
                             plugin_start,         plugin_stop,
                             plugin_reset,         plugin_process,
                             plugin_get_extension, plugin_on_main_thread};
}

const clap_plugin_factory_t kFactory = {factory_count, factory_descriptor, factory_create};

bool entry_init(const char* path) {
    note(std::string("entry.init ") + (path && *path ? "with path" : "without path"));
    return !fails("entry");
}

void entry_deinit() {
    note("entry.deinit");
}

const void* entry_get_factory(const char* id) {
    return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

extern "C" {

// Exported by its declaration in clap/entry.h.
const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, entry_init, entry_deinit,
                                        entry_get_factory};

// Empties the journal and makes the named step fail ("" for none).
CLAP_EXPORT void fake_module_reset(const char* step) {
    journal.clear();
    failing_step = step;
}

CLAP_EXPORT const char* fake_module_journal() {
    return journal.c_str();
}
}
