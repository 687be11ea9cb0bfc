#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <clap/clap.h>

namespace ondrix_host_testing {
class MainLoop;
}

namespace ondrix_plugin_testing {

using ondrix_host_testing::MainLoop;

// The entry record of the built module, loaded with dlopen once per test program.
const clap_plugin_entry_t& module_entry();
// Path of the built module.
const char* module_path();

// One line the plug-in logged through the host's "clap.log".
struct LogLine {
    std::int32_t severity;
    std::string message;
    friend bool operator==(const LogLine&, const LogLine&) = default;
    friend void PrintTo(const LogLine& line, std::ostream* out) {
        *out << line.severity << " \"" << line.message << '"';
    }
};

// A host for tests: answers "clap.log" (unless made without it) and records every line, and
// answers "clap.state" (while offers_state) and counts its mark_dirty calls. Given a main loop,
// it offers "clap.posix-fd-support" and "clap.timer-support" (while their flags are set) over it.
// Thread: the test's thread (the log is called from the plug-in's calls). Owner: the test.
class TestHost {
  public:
    explicit TestHost(bool with_log = true);
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const clap_host_t* raw() const { return &host_; }
    std::vector<LogLine> lines;
    bool offers_state = true;
    int dirty_marks = 0;
    MainLoop* loop = nullptr;
    bool offers_fd_support = true;
    bool offers_timer_support = true;

  private:
    static const void* get_extension(const clap_host_t* host, const char* id);
    static void log(const clap_host_t* host, clap_log_severity severity, const char* message);
    static void mark_dirty(const clap_host_t* host);
    static void request(const clap_host_t*) {}
    static MainLoop& loop_of(const clap_host_t* host);

    clap_host_t host_{};
    clap_host_log_t log_{};
    clap_host_state_t state_{};
    clap_host_posix_fd_support_t fd_support_{};
    clap_host_timer_support_t timer_support_{};
    bool with_log_;
};

// Runs entry init on construction and deinit on destruction.
class EntryScope {
  public:
    EntryScope();
    ~EntryScope();
    EntryScope(const EntryScope&) = delete;
    EntryScope& operator=(const EntryScope&) = delete;

    const clap_plugin_factory_t& factory() const { return *factory_; }

  private:
    const clap_plugin_factory_t* factory_;
};

// A created (not yet initialised) instance of the plug-in with its own test host; destroyed
// with the fixture unless the test destroyed it.
class PluginUnderTest {
  public:
    explicit PluginUnderTest(bool with_log = true);
    ~PluginUnderTest();
    PluginUnderTest(const PluginUnderTest&) = delete;
    PluginUnderTest& operator=(const PluginUnderTest&) = delete;

    const clap_plugin_t* plugin() const { return plugin_; }
    TestHost& host() { return *host_; }
    // Calls destroy now; the fixture then does nothing more.
    void destroy();

    // Shorthands for initialised and active instances.
    void init_and_activate(double sample_rate = 48000.0);
    template <class T>
    const T* extension(const char* id) const {
        return static_cast<const T*>(plugin_->get_extension(plugin_, id));
    }
    bool load_state(std::string_view document);
    std::string save_state();

  private:
    EntryScope entry_;
    std::unique_ptr<TestHost> host_;
    const clap_plugin_t* plugin_ = nullptr;
};

// An input stream over a byte string that hands out at most `chunk` bytes per read, or returns
// `fail_code` from its first read when that is set.
class ByteSource {
  public:
    explicit ByteSource(std::string bytes, std::size_t chunk = SIZE_MAX,
                        std::int64_t fail_code = 0);
    const clap_istream_t* raw() const { return &stream_; }
    std::size_t reads() const { return reads_; }

  private:
    static std::int64_t read(const clap_istream_t* stream, void* buffer, std::uint64_t size);
    std::string bytes_;
    std::size_t chunk_;
    std::int64_t fail_code_;
    std::size_t offset_ = 0;
    std::size_t reads_ = 0;
    clap_istream_t stream_{};
};

// An output stream that takes at most `chunk` bytes per write; `result` set to a value of 0 or
// below makes every write return it instead.
class ByteSink {
  public:
    explicit ByteSink(std::size_t chunk = SIZE_MAX, std::int64_t result = 1);
    const clap_ostream_t* raw() const { return &stream_; }
    const std::string& bytes() const { return bytes_; }
    std::size_t writes() const { return writes_; }

  private:
    static std::int64_t write(const clap_ostream_t* stream, const void* buffer, std::uint64_t size);
    std::string bytes_;
    std::size_t chunk_;
    std::int64_t result_;
    std::size_t writes_ = 0;
    clap_ostream_t stream_{};
};

// The host's input events of one block: any mix of event records, kept as copies.
class InputEvents {
  public:
    InputEvents();
    InputEvents(const InputEvents&) = delete;
    InputEvents& operator=(const InputEvents&) = delete;

    template <class Event>
    void add(const Event& event) {
        auto& stored =
            storage_.emplace_back(std::make_unique<std::uint64_t[]>(sizeof(Event) / 8 + 1));
        std::memcpy(stored.get(), &event, sizeof(Event));
        events_.push_back(reinterpret_cast<const clap_event_header_t*>(stored.get()));
    }
    // A null entry at this index (the walk must stop there).
    void add_null() { events_.push_back(nullptr); }
    const clap_input_events_t* raw() const { return &list_; }

  private:
    static std::uint32_t size(const clap_input_events_t* list);
    static const clap_event_header_t* get(const clap_input_events_t* list, std::uint32_t index);
    std::vector<std::unique_ptr<std::uint64_t[]>> storage_;
    std::vector<const clap_event_header_t*> events_;
    clap_input_events_t list_{};
};

// The host's output list: keeps a copy of every event pushed (refusing all when `accept` is
// false, while still counting the attempts).
class OutputEvents {
  public:
    explicit OutputEvents(bool accept = true);
    OutputEvents(const OutputEvents&) = delete;
    OutputEvents& operator=(const OutputEvents&) = delete;

    const clap_output_events_t* raw() const { return &list_; }
    const std::vector<std::vector<std::uint8_t>>& events() const { return events_; }
    const clap_event_header_t& header(std::size_t i) const {
        return *reinterpret_cast<const clap_event_header_t*>(events_[i].data());
    }
    template <class Event>
    Event as(std::size_t i) const {
        Event event{};
        std::memcpy(&event, events_[i].data(), std::min(sizeof(Event), events_[i].size()));
        return event;
    }
    std::size_t attempts() const { return attempts_; }
    void clear() {
        events_.clear();
        attempts_ = 0;
    }

  private:
    static bool try_push(const clap_output_events_t* list, const clap_event_header_t* event);
    std::vector<std::vector<std::uint8_t>> events_;
    bool accept_;
    std::size_t attempts_ = 0;
    clap_output_events_t list_{};
};

// Event builders.
clap_event_note_t note_on(std::uint32_t time, std::int16_t key = 60);
clap_event_midi_t host_midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1);
clap_event_header_t bare_event(std::uint32_t time, std::uint16_t type, std::uint16_t space = 0);

// A block of `frames` frames with stereo 32-bit outputs (filled with garbage first).
class Block {
  public:
    explicit Block(std::uint32_t frames);
    clap_process_t& process() { return process_; }
    const std::vector<float>& channel(std::size_t c) const { return channels_[c]; }

  private:
    std::vector<std::vector<float>> channels_;
    std::vector<float*> pointers_;
    clap_audio_buffer_t buffer_{};
    clap_process_t process_{};
};

// Captures everything written to standard error while alive.
class StderrCapture {
  public:
    StderrCapture();
    ~StderrCapture();
    // Stops capturing and returns the text.
    std::string finish();

  private:
    bool done_ = false;
    std::string text_;
};

}  // namespace ondrix_plugin_testing
