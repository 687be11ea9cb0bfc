#include "page_server.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iostream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "entry.hpp"
#include "event_lists.hpp"
#include "memory_streams.hpp"
#include "transport.hpp"

namespace ondrix_tools {
namespace {

constexpr double SAMPLE_RATE = 48000.0;
constexpr std::uint32_t BLOCK_FRAMES = 480;
constexpr double TEMPO = 120.0;
constexpr auto BLOCK_PERIOD = std::chrono::milliseconds(10);
constexpr std::string_view JSON = "application/json";

// Stands in for the host's X11 window: the recording web view only keeps it.
constexpr clap_xwnd HOST_WINDOW = 1;

std::string dump(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

HttpResponse json_response(const nlohmann::json& value) {
    return {200, std::string(JSON), dump(value)};
}

HttpResponse not_found() {
    return {404, "text/plain", "Not found"};
}

}  // namespace

PageServer::PageServer() : host_(std::cerr) {}

PageServer::~PageServer() {
    close();
}

bool PageServer::open() {
    entry_ = &vantrel_ondrix_plugin_entry;
    if (!entry_->init("")) {
        entry_ = nullptr;
        std::cerr << "ondrix-page-server: the plug-in's entry did not initialise\n";
        return false;
    }
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory != nullptr) {
        plugin_ = factory->create_plugin(factory, host_.clap_host(), "app.vantrel.ondrix.plugin");
    }
    if (plugin_ == nullptr || !plugin_->init(plugin_)) {
        std::cerr << "ondrix-page-server: the plug-in did not initialise\n";
        return false;
    }
    const auto* gui =
        static_cast<const clap_plugin_gui_t*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
    const clap_window_t window{CLAP_WINDOW_API_X11, {.x11 = HOST_WINDOW}};
    gui_created_ = gui != nullptr && gui->create(plugin_, CLAP_WINDOW_API_X11, false);
    if (!gui_created_ || !gui->set_parent(plugin_, &window)) {
        std::cerr << "ondrix-page-server: the editor did not open\n";
        return false;
    }
    active_ = plugin_->activate(plugin_, SAMPLE_RATE, BLOCK_FRAMES, BLOCK_FRAMES);
    if (!active_) {
        std::cerr << "ondrix-page-server: the plug-in did not activate\n";
        return false;
    }
    playing_ = true;
    audio_ = std::thread([this] { audio_loop(); });
    return true;
}

void PageServer::audio_loop() {
    std::vector<float> left(BLOCK_FRAMES);
    std::vector<float> right(BLOCK_FRAMES);
    float* channels[] = {left.data(), right.data()};
    clap_audio_buffer_t output{};
    output.data32 = channels;
    output.channel_count = 2;
    EmptyInputEvents in;
    RecordingOutputEvents out;

    plugin_->start_processing(plugin_);
    std::uint64_t frame = 0;
    auto next = std::chrono::steady_clock::now();
    while (playing_.load()) {
        const clap_event_transport_t transport = block_transport(frame, SAMPLE_RATE, TEMPO, true);
        clap_process_t process{};
        process.steady_time = static_cast<std::int64_t>(frame);
        process.frames_count = BLOCK_FRAMES;
        process.transport = &transport;
        process.audio_outputs = &output;
        process.audio_outputs_count = 1;
        process.in_events = in.list();
        process.out_events = out.list();
        plugin_->process(plugin_, &process);
        out.clear();
        frame += BLOCK_FRAMES;
        next += BLOCK_PERIOD;
        std::this_thread::sleep_until(next);
    }
    plugin_->stop_processing(plugin_);
}

HttpResponse PageServer::handle(const HttpRequest& request) {
    const std::string_view target = request.target;
    const bool get = request.method == "GET";
    const bool post = request.method == "POST";
    if (target == "/__ipc") {
        if (post) return ipc(request.body);
    } else if (target == "/__test/config") {
        if (get) return config();
    } else if (target == "/__test/state") {
        if (get) return save_state();
        if (post) return load_state(request.body);
    } else if (target == "/__test/start-scripts") {
        if (post) return set_start_scripts(request.body);
    } else if (target.starts_with("/__test/start-scripts/")) {
        if (get) return start_script(target.substr(std::string_view("/__test/start-scripts/").size()));
    } else if (target == "/__test/quit") {
        if (post) {
            quit_ = true;
            return json_response({{"ok", true}});
        }
    } else if (target.starts_with("/__test/")) {
        return not_found();
    } else if (get) {
        const auto view = recorder_.current();
        if (!view) return not_found();
        const auto served = view->config.on_request("ondrix://localhost" + std::string(target));
        HttpResponse response{served.status, {}, std::string(served.body)};
        for (const auto& header : served.headers) {
            if (header.name == "Content-Type") response.content_type = header.value;
        }
        if (response.content_type.starts_with("text/html")) {
            response.body = with_start_scripts(std::move(response.body));
        }
        return response;
    }
    return {405, "text/plain", "Method not allowed"};
}

HttpResponse PageServer::ipc(const std::string& body) {
    nlohmann::json scripts = nlohmann::json::array();
    nlohmann::json zooms = nlohmann::json::array();
    // The record stays alive even if the message releases its web view.
    if (const auto record = recorder_.current()) {
        const std::size_t first_script = record->scripts.size();
        const std::size_t first_zoom = record->zooms.size();
        const auto on_message = record->config.on_message;
        on_message(body);
        for (std::size_t i = first_script; i < record->scripts.size(); ++i)
            scripts.push_back(record->scripts[i]);
        for (std::size_t i = first_zoom; i < record->zooms.size(); ++i)
            zooms.push_back(record->zooms[i]);
    }
    return json_response({{"scripts", std::move(scripts)}, {"zooms", std::move(zooms)}});
}

HttpResponse PageServer::config() const {
    const auto view = recorder_.current();
    if (!view) return not_found();
    const auto& c = view->config;
    nlohmann::json scripts = nlohmann::json::array();
    for (const auto& script : c.scripts) {
        scripts.push_back({{"source", script.source}, {"main_frame_only", script.main_frame_only}});
    }
    return json_response({{"scheme", c.scheme},
                          {"start_url", c.start_url},
                          {"bounds", {c.bounds.x, c.bounds.y, c.bounds.width, c.bounds.height}},
                          {"handler", c.handler},
                          {"scripts", std::move(scripts)}});
}

HttpResponse PageServer::save_state() {
    const auto* state =
        static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
    MemoryOutputStream stream;
    if (state == nullptr || !state->save(plugin_, stream.stream())) {
        return {500, "text/plain", "The plug-in did not save its state"};
    }
    return {200, std::string(JSON), stream.bytes()};
}

HttpResponse PageServer::load_state(const std::string& body) {
    const auto* state =
        static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
    MemoryInputStream stream(body);
    const bool ok = state != nullptr && state->load(plugin_, stream.stream());
    return json_response({{"ok", ok}});
}

HttpResponse PageServer::set_start_scripts(const std::string& body) {
    const auto scripts = nlohmann::json::parse(body, nullptr, false);
    const bool ok = scripts.is_array() &&
                    std::all_of(scripts.begin(), scripts.end(),
                                [](const nlohmann::json& script) { return script.is_string(); });
    if (ok) start_scripts_ = scripts.get<std::vector<std::string>>();
    return json_response({{"ok", ok}});
}

HttpResponse PageServer::start_script(std::string_view number) const {
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
    if (error != std::errc{} || end != number.data() + number.size() ||
        index >= start_scripts_.size()) {
        return not_found();
    }
    return {200, "text/javascript; charset=utf-8", start_scripts_[index]};
}

// Classic scripts at the top of the head run, in order, before the page's module script.
std::string PageServer::with_start_scripts(std::string html) const {
    std::string tags;
    for (std::size_t i = 0; i < start_scripts_.size(); ++i) {
        tags += "<script src=\"/__test/start-scripts/" + std::to_string(i) + "\"></script>";
    }
    const auto head = html.find("<head>");
    html.insert(head == std::string::npos ? 0 : head + std::string_view("<head>").size(), tags);
    return html;
}

void PageServer::close() {
    if (plugin_ != nullptr) {
        if (gui_created_) {
            const auto* gui = static_cast<const clap_plugin_gui_t*>(
                plugin_->get_extension(plugin_, CLAP_EXT_GUI));
            gui->destroy(plugin_);
            gui_created_ = false;
        }
        if (audio_.joinable()) {
            playing_ = false;
            audio_.join();
        }
        if (active_) plugin_->deactivate(plugin_);
        active_ = false;
        plugin_->destroy(plugin_);
        plugin_ = nullptr;
    }
    if (entry_ != nullptr) entry_->deinit();
    entry_ = nullptr;
}

}  // namespace ondrix_tools
