#include "core.hpp"

#include <utility>

#include "json/parse.hpp"

namespace ondrix_plugin_core {

namespace {

std::vector<float> empty_trace() {
    std::vector<float> trace;
    trace.reserve(TRACE_CAPACITY);
    return trace;
}

// Compact text, members in key order. A string that is not valid UTF-8 must not make the whole
// state unsavable; it is written with replacement characters instead.
std::string write_compact(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

bool fits_in_state(const nlohmann::json& patch) {
    return write_compact(patch).size() <= MAX_PATCH_BYTES;
}

Core::Core() : trace_(empty_trace()) {
    for (auto& cell : live_sources_) cell.store(0.0f, std::memory_order_relaxed);
    for (auto& cell : live_outputs_) cell.store(0.0f, std::memory_order_relaxed);
}

bool Core::set_patch(const nlohmann::json& value) {
    auto read = ondrix_engine::settings::Patch::from_json_tree(value);
    if (!read.ok()) return false;
    // A patch is kept only when the state saved with it can be loaded again.
    if (!fits_in_state(value)) return false;

    // Everything that may allocate happens before the first lock, so a failure leaves the Core
    // as it was, and what is replaced is freed after its lock is released.
    std::optional<ondrix_engine::settings::Patch> patch(std::move(read.value()));
    std::optional<nlohmann::json> json(value);
    {
        std::lock_guard lock(pending_mutex_);
        std::swap(pending_patch_, patch);
    }
    bool changed = false;
    {
        std::lock_guard lock(json_mutex_);
        changed = !last_patch_json_ || *last_patch_json_ != value;
        std::swap(last_patch_json_, json);
    }
    if (changed) patch_revision_.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

std::optional<nlohmann::json> Core::patch_json() const {
    std::lock_guard lock(json_mutex_);
    return last_patch_json_;
}

std::string Core::save_state() const {
    nlohmann::json document = nlohmann::json::object();
    auto patch = patch_json();
    document["patch"] = patch ? std::move(*patch) : nlohmann::json(nullptr);
    document["version"] = 1;
    return write_compact(document);
}

bool Core::load_state(std::string_view bytes) {
    if (bytes.size() > MAX_DOCUMENT_BYTES) return false;
    auto parsed = ondrix_engine::json::parse(bytes);
    if (!parsed.ok()) return false;
    const nlohmann::json& tree = parsed.value();
    if (tree.is_object()) {
        auto patch = tree.find("patch");
        if (patch != tree.end() && !patch->is_null() && !set_patch(*patch)) return false;
    }
    epoch_.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

std::uint32_t Core::loaded_epoch() const {
    return epoch_.load(std::memory_order_acquire);
}

std::uint32_t Core::patch_revision() const {
    return patch_revision_.load(std::memory_order_acquire);
}

void Core::restart() {
    restart_requested_.store(true, std::memory_order_release);
}

Live Core::take_live() {
    Live live;
    take_live(live);
    return live;
}

void Core::take_live(Live& live) {
    for (std::size_t i = 0; i < LIVE_SOURCE_COUNT; ++i) {
        live.sources[i] = live_sources_[i].load(std::memory_order_relaxed);
    }
    for (std::size_t i = 0; i < LIVE_OUTPUT_COUNT; ++i) {
        live.outputs[i] = live_outputs_[i].load(std::memory_order_relaxed);
    }
    // The audio thread gets this buffer: empty, with all the room it may fill.
    live.trace.clear();
    live.trace.reserve(TRACE_CAPACITY);
    std::lock_guard lock(trace_mutex_);
    std::swap(trace_, live.trace);
}

std::optional<ondrix_engine::settings::Patch> Core::take_pending_patch() {
    std::optional<ondrix_engine::settings::Patch> patch;
    std::lock_guard lock(pending_mutex_);
    std::swap(patch, pending_patch_);
    return patch;
}

bool Core::take_restart_request() {
    return restart_requested_.exchange(false, std::memory_order_acq_rel);
}

void Core::store_live(std::span<const float, LIVE_SOURCE_COUNT> sources,
                      std::span<const float, LIVE_OUTPUT_COUNT> outputs) {
    for (std::size_t i = 0; i < LIVE_SOURCE_COUNT; ++i) {
        live_sources_[i].store(sources[i], std::memory_order_relaxed);
    }
    for (std::size_t i = 0; i < LIVE_OUTPUT_COUNT; ++i) {
        live_outputs_[i].store(outputs[i], std::memory_order_relaxed);
    }
}

bool Core::try_record(std::span<const float, LIVE_SOURCE_COUNT> taps,
                      std::span<const float, LIVE_OUTPUT_COUNT> values) {
    std::unique_lock lock(trace_mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return false;
    // The room is fixed when the list is made; a list without room for one more frame starts
    // again from empty rather than grow on this thread.
    if (trace_.capacity() - trace_.size() < TRACE_FRAME_SIZE) trace_.clear();
    trace_.insert(trace_.end(), taps.begin(), taps.end());
    trace_.insert(trace_.end(), values.begin(), values.end());
    return true;
}

}  // namespace ondrix_plugin_core
