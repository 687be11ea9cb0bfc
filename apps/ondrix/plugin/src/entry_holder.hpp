#pragma once

#include <mutex>
#include <optional>

#include "factory.hpp"

namespace vantrel_ondrix_plugin {

// What the first init builds: the plug-in factory and the Audio Unit information factory, each
// with a descriptor of its own. Thread: any (read-only once built). Owner: the EntryHolder.
struct EntryPoint {
    PluginFactoryTable plugin_factory;
    AuInfoFactoryTable au_info_factory;
};

// The module's entry state: built on the first init, counted by further inits, emptied by the
// deinit that matches the first. A failure while the lock is held poisons it, and every later
// operation refuses. Thread: any; every operation holds the lock for its whole run.
// Owner: one static instance (EntryHolder::instance()).
class EntryHolder {
  public:
    static EntryHolder& instance();

    bool init(const char* plugin_path) noexcept;
    void deinit() noexcept;
    const void* get_factory(const char* factory_id) noexcept;

  private:
    EntryHolder() = default;
    // Takes the lock; a lock the system cannot give ends the process.
    std::unique_lock<std::mutex> lock() noexcept;

    std::mutex mutex_;
    bool poisoned_ = false;
    std::optional<EntryPoint> entry_;
    unsigned init_count_ = 0;
};

}  // namespace vantrel_ondrix_plugin
