#include "entry.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "entry_holder.hpp"

namespace vantrel_ondrix_plugin {

EntryHolder& EntryHolder::instance() {
    // Built on first use, so the lock exists before any entry call whatever the load order.
    static EntryHolder holder;
    return holder;
}

std::unique_lock<std::mutex> EntryHolder::lock() noexcept {
    try {
        return std::unique_lock<std::mutex>(mutex_);
    } catch (...) {
        std::fputs("[CLAP_PLUGIN_FACTORY_ERROR] The entry lock could not be taken\n", stderr);
        std::abort();
    }
}

bool EntryHolder::init(const char* /*plugin_path*/) noexcept {
    auto guard = lock();
    if (poisoned_) return false;
    if (entry_) {
        ++init_count_;
        return true;
    }
    try {
        entry_.emplace();
    } catch (...) {
        entry_.reset();
        poisoned_ = true;
        return false;
    }
    init_count_ = 1;
    return true;
}

void EntryHolder::deinit() noexcept {
    auto guard = lock();
    if (poisoned_ || !entry_) return;
    if (init_count_ < 2) {
        entry_.reset();
        init_count_ = 0;
    } else {
        --init_count_;
    }
}

const void* EntryHolder::get_factory(const char* factory_id) noexcept {
    if (factory_id == nullptr) return nullptr;
    auto guard = lock();
    if (poisoned_ || !entry_) return nullptr;
    if (std::strcmp(factory_id, CLAP_PLUGIN_FACTORY_ID) == 0) return &entry_->plugin_factory.table;
    if (std::strcmp(factory_id, CLAP_PLUGIN_FACTORY_INFO_AUV2) == 0) {
        return &entry_->au_info_factory.table;
    }
    return nullptr;
}

bool entry_init(const char* plugin_path) noexcept {
    return EntryHolder::instance().init(plugin_path);
}

void entry_deinit() noexcept {
    EntryHolder::instance().deinit();
}

const void* entry_get_factory(const char* factory_id) noexcept {
    return EntryHolder::instance().get_factory(factory_id);
}

}  // namespace vantrel_ondrix_plugin

extern "C" const clap_plugin_entry_t vantrel_ondrix_plugin_entry = vantrel_ondrix_plugin::ENTRY;
