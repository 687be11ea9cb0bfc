#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "document_limit.hpp"
#include "settings/patch.hpp"

namespace ondrix_plugin_core {

// 16 sources x 4 taps; element 4 * s + t is tap t of source s.
inline constexpr std::size_t LIVE_SOURCE_COUNT = 64;
inline constexpr std::size_t LIVE_OUTPUT_COUNT = 64;
// One trace frame: the 64 tap values, then the 64 output values.
inline constexpr std::size_t TRACE_FRAME_SIZE = LIVE_SOURCE_COUNT + LIVE_OUTPUT_COUNT;
// Room of the trace list: 64 frames, 256 ms of history at one frame per 4 ms.
inline constexpr std::size_t TRACE_CAPACITY = 8192;

// A snapshot of the live values for the editor page.
// Thread: built on the main thread by Core::take_live. Owner: the caller.
struct Live {
    std::array<float, LIVE_SOURCE_COUNT> sources{};
    std::array<float, LIVE_OUTPUT_COUNT> outputs{};
    // Whole trace frames in the order they were recorded (possibly none).
    std::vector<float> trace;
};

// Whether the state document holding `patch` stays within MAX_DOCUMENT_BYTES. Numbers are
// written in their shortest form, which may be longer than the form they were read in ("1e9"
// becomes "1000000000.0"), so this depends on the tree, not on the text it came from.
bool fits_in_state(const nlohmann::json& patch);

// The state of one plug-in instance that the main thread and the audio thread share.
// Thread: main-thread calls take their locks blocking, one at a time; the audio-thread calls
// (marked below) only ever try a lock and never wait. Owner: shared by std::shared_ptr between
// the instance, the active Processor and the editor's message handler.
class Core {
  public:
    Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // --- main thread ---

    // Reads a patch from `value`; on success queues it for the audio thread (replacing any patch
    // still pending) and keeps `value` as the patch JSON. False, with nothing changed, when
    // `value` is not a readable patch, or when the state document holding it would be longer
    // than MAX_DOCUMENT_BYTES (it could not be loaded back).
    bool set_patch(const nlohmann::json& value);

    // The JSON tree last given to a successful set_patch, as it was given.
    std::optional<nlohmann::json> patch_json() const;

    // The state document: compact JSON {"patch":<patch JSON or null>,"version":1}.
    std::string save_state() const;

    // Applies a state document. False when `bytes` is longer than MAX_DOCUMENT_BYTES, is not JSON
    // or its "patch" is not readable (nothing changes then); true otherwise, counting the
    // loaded-state epoch.
    bool load_state(std::string_view bytes);

    // How many state documents load_state has accepted (wrapping at 2^32).
    std::uint32_t loaded_epoch() const;

    // How many times set_patch has replaced the patch JSON with a different tree (wrapping at
    // 2^32): a patch equal to the one held does not count.
    std::uint32_t patch_revision() const;

    // Asks the audio thread to restart every source at the start of its next block.
    void restart();

    // Copies the live values and takes the recorded trace frames, leaving an empty trace.
    Live take_live();
    // The same into `live`, whose trace buffer goes back to the audio thread for the next
    // frames: a caller that keeps its Live between takes allocates nothing.
    void take_live(Live& live);

    // Takes the pending patch, if any, waiting for its lock. Used when a Processor is built.
    std::optional<ondrix_engine::settings::Patch> take_pending_patch();

    // --- audio thread ---

    // Tries the pending-patch lock; when it is free, calls `use` with the pending slot while
    // holding the lock and returns true. Returns false at once when the lock is busy.
    template <class Use>
    bool try_with_pending_patch(Use&& use) {
        std::unique_lock lock(pending_mutex_, std::try_to_lock);
        if (!lock.owns_lock()) return false;
        use(pending_patch_);
        return true;
    }

    // Returns whether a restart was requested, clearing the request.
    bool take_restart_request();

    // Publishes the live values, one relaxed store per value.
    void store_live(std::span<const float, LIVE_SOURCE_COUNT> sources,
                    std::span<const float, LIVE_OUTPUT_COUNT> outputs);

    // Appends one trace frame (taps, then outputs) unless the trace lock is busy; empties the
    // list first when it lacks room for a whole frame. Never grows the list. True when recorded.
    bool try_record(std::span<const float, LIVE_SOURCE_COUNT> taps,
                    std::span<const float, LIVE_OUTPUT_COUNT> values);

  private:
    std::mutex pending_mutex_;
    std::optional<ondrix_engine::settings::Patch> pending_patch_;

    mutable std::mutex json_mutex_;
    std::optional<nlohmann::json> last_patch_json_;

    std::array<std::atomic<float>, LIVE_SOURCE_COUNT> live_sources_;
    std::array<std::atomic<float>, LIVE_OUTPUT_COUNT> live_outputs_;

    std::mutex trace_mutex_;
    std::vector<float> trace_;

    std::atomic<std::uint32_t> epoch_{0};
    std::atomic<std::uint32_t> patch_revision_{0};
    std::atomic<bool> restart_requested_{false};
};

}  // namespace ondrix_plugin_core
