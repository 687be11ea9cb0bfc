#include "clap_test_host.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "main_loop.hpp"

namespace ondrix_plugin_testing {

const char* module_path() {
    return ONDRIX_CLAP_MODULE;
}

const clap_plugin_entry_t& module_entry() {
    static const clap_plugin_entry_t* entry = [] {
        void* handle = dlopen(module_path(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            std::fprintf(stderr, "cannot load %s: %s\n", module_path(), dlerror());
            std::abort();
        }
        auto* found = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
        if (found == nullptr) {
            std::fprintf(stderr, "no clap_entry in %s\n", module_path());
            std::abort();
        }
        return found;
    }();
    return *entry;
}

TestHost::TestHost(bool with_log) : with_log_(with_log) {
    host_.clap_version = clap_version_t{1, 1, 9};
    host_.host_data = this;
    host_.name = "ondrix tests";
    host_.vendor = "tests";
    host_.url = "";
    host_.version = "1";
    host_.get_extension = &TestHost::get_extension;
    host_.request_restart = &TestHost::request;
    host_.request_process = &TestHost::request;
    host_.request_callback = &TestHost::request;
    log_.log = &TestHost::log;
    state_.mark_dirty = &TestHost::mark_dirty;
    fd_support_.register_fd = [](const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) {
        return loop_of(host).add_fd(fd, flags);
    };
    fd_support_.modify_fd = [](const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) {
        return loop_of(host).modify_fd(fd, flags);
    };
    fd_support_.unregister_fd = [](const clap_host_t* host, int fd) {
        return loop_of(host).remove_fd(fd);
    };
    timer_support_.register_timer = [](const clap_host_t* host, std::uint32_t period,
                                       clap_id* id) {
        *id = loop_of(host).add_timer(period);
        return true;
    };
    timer_support_.unregister_timer = [](const clap_host_t* host, clap_id id) {
        return loop_of(host).remove_timer(id);
    };
}

MainLoop& TestHost::loop_of(const clap_host_t* host) {
    return *static_cast<TestHost*>(host->host_data)->loop;
}

const void* TestHost::get_extension(const clap_host_t* host, const char* id) {
    auto* self = static_cast<TestHost*>(host->host_data);
    if (self->with_log_ && std::strcmp(id, CLAP_EXT_LOG) == 0) return &self->log_;
    if (self->offers_state && std::strcmp(id, CLAP_EXT_STATE) == 0) return &self->state_;
    if (self->loop != nullptr && self->offers_fd_support &&
        std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) {
        return &self->fd_support_;
    }
    if (self->loop != nullptr && self->offers_timer_support &&
        std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) {
        return &self->timer_support_;
    }
    return nullptr;
}

void TestHost::mark_dirty(const clap_host_t* host) {
    ++static_cast<TestHost*>(host->host_data)->dirty_marks;
}

void TestHost::log(const clap_host_t* host, clap_log_severity severity, const char* message) {
    static_cast<TestHost*>(host->host_data)->lines.push_back(LogLine{severity, message});
}

EntryScope::EntryScope() {
    const auto& entry = module_entry();
    if (!entry.init(module_path())) std::abort();
    factory_ = static_cast<const clap_plugin_factory_t*>(entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory_ == nullptr) std::abort();
}

EntryScope::~EntryScope() {
    module_entry().deinit();
}

PluginUnderTest::PluginUnderTest(bool with_log) : host_(std::make_unique<TestHost>(with_log)) {
    plugin_ = entry_.factory().create_plugin(&entry_.factory(), host_->raw(),
                                             "app.vantrel.ondrix.plugin");
    if (plugin_ == nullptr) std::abort();
}

PluginUnderTest::~PluginUnderTest() {
    if (plugin_ != nullptr) plugin_->destroy(plugin_);
}

void PluginUnderTest::destroy() {
    plugin_->destroy(plugin_);
    plugin_ = nullptr;
}

void PluginUnderTest::init_and_activate(double sample_rate) {
    ASSERT_TRUE(plugin_->init(plugin_));
    ASSERT_TRUE(plugin_->activate(plugin_, sample_rate, 1, 4096));
    ASSERT_TRUE(plugin_->start_processing(plugin_));
}

bool PluginUnderTest::load_state(std::string_view document) {
    ByteSource source{std::string(document)};
    return extension<clap_plugin_state_t>(CLAP_EXT_STATE)->load(plugin_, source.raw());
}

std::string PluginUnderTest::save_state() {
    ByteSink sink;
    if (!extension<clap_plugin_state_t>(CLAP_EXT_STATE)->save(plugin_, sink.raw()))
        return "<failed>";
    return sink.bytes();
}

ByteSource::ByteSource(std::string bytes, std::size_t chunk, std::int64_t fail_code)
    : bytes_(std::move(bytes)), chunk_(chunk), fail_code_(fail_code) {
    stream_.ctx = this;
    stream_.read = &ByteSource::read;
}

std::int64_t ByteSource::read(const clap_istream_t* stream, void* buffer, std::uint64_t size) {
    auto* self = static_cast<ByteSource*>(stream->ctx);
    ++self->reads_;
    if (self->fail_code_ != 0) return self->fail_code_;
    const std::size_t n = std::min(
        {static_cast<std::size_t>(size), self->chunk_, self->bytes_.size() - self->offset_});
    std::memcpy(buffer, self->bytes_.data() + self->offset_, n);
    self->offset_ += n;
    return static_cast<std::int64_t>(n);
}

ByteSink::ByteSink(std::size_t chunk, std::int64_t result) : chunk_(chunk), result_(result) {
    stream_.ctx = this;
    stream_.write = &ByteSink::write;
}

std::int64_t ByteSink::write(const clap_ostream_t* stream, const void* buffer, std::uint64_t size) {
    auto* self = static_cast<ByteSink*>(stream->ctx);
    ++self->writes_;
    if (self->result_ <= 0) return self->result_;
    const std::size_t n = std::min(static_cast<std::size_t>(size), self->chunk_);
    self->bytes_.append(static_cast<const char*>(buffer), n);
    return static_cast<std::int64_t>(n);
}

InputEvents::InputEvents() {
    list_.ctx = this;
    list_.size = &InputEvents::size;
    list_.get = &InputEvents::get;
}

std::uint32_t InputEvents::size(const clap_input_events_t* list) {
    return static_cast<std::uint32_t>(static_cast<InputEvents*>(list->ctx)->events_.size());
}

const clap_event_header_t* InputEvents::get(const clap_input_events_t* list, std::uint32_t index) {
    auto* self = static_cast<InputEvents*>(list->ctx);
    return index < self->events_.size() ? self->events_[index] : nullptr;
}

OutputEvents::OutputEvents(bool accept) : accept_(accept) {
    list_.ctx = this;
    list_.try_push = &OutputEvents::try_push;
}

bool OutputEvents::try_push(const clap_output_events_t* list, const clap_event_header_t* event) {
    auto* self = static_cast<OutputEvents*>(list->ctx);
    ++self->attempts_;
    if (!self->accept_) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(event);
    self->events_.emplace_back(bytes, bytes + event->size);
    return true;
}

clap_event_note_t note_on(std::uint32_t time, std::int16_t key) {
    clap_event_note_t event{};
    event.header = {sizeof(clap_event_note_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON,
                    0};
    event.note_id = -1;
    event.port_index = 0;
    event.channel = 0;
    event.key = key;
    event.velocity = 0.8;
    return event;
}

clap_event_midi_t host_midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1) {
    clap_event_midi_t event{};
    event.header = {sizeof(clap_event_midi_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    event.port_index = 0;
    event.data[0] = status;
    event.data[1] = data1;
    event.data[2] = 99;
    return event;
}

clap_event_header_t bare_event(std::uint32_t time, std::uint16_t type, std::uint16_t space) {
    return clap_event_header_t{sizeof(clap_event_header_t), time, space, type, 0};
}

Block::Block(std::uint32_t frames) : channels_(2, std::vector<float>(frames + 1, 12345.0f)) {
    for (auto& channel : channels_) pointers_.push_back(channel.data());
    buffer_.data32 = pointers_.data();
    buffer_.data64 = nullptr;
    buffer_.channel_count = 2;
    process_.frames_count = frames;
    process_.steady_time = -1;
    process_.audio_outputs = &buffer_;
    process_.audio_outputs_count = 1;
}

StderrCapture::StderrCapture() {
    testing::internal::CaptureStderr();
}

StderrCapture::~StderrCapture() {
    finish();
}

std::string StderrCapture::finish() {
    if (!done_) {
        text_ = testing::internal::GetCapturedStderr();
        done_ = true;
    }
    return text_;
}

}  // namespace ondrix_plugin_testing
