#pragma once

// One item of a host's VST3 context menu as a CLAP menu builder takes it: the host's record and
// target, and the CLAP kind and record made from them. The CLAP record points into `label`, so
// an item may move (a vector of them may grow) but not be copied.
// Threads: the host's main thread. Owner: the component's list of mirrored menu items; the
// target belongs to the host's menu.

#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <clap/ext/context-menu.h>

#include <cstdint>
#include <string>

struct wrapper_context_menu_item {
    Steinberg::Vst::IContextMenuItem vst3Item{};
    Steinberg::Vst::IContextMenuTarget* vst3Target = nullptr;
    clap_context_menu_item_kind_t clapKind = CLAP_CONTEXT_MENU_ITEM_ENTRY;
    // Every field an item of `clapKind` has (a plain entry is not checked, a submenu has no
    // action); `addTo` hands the builder the record of its kind made from it.
    clap_context_menu_check_entry_t clapItem{};
    std::string label;

    wrapper_context_menu_item() = default;
    wrapper_context_menu_item(wrapper_context_menu_item&& other) noexcept;
    wrapper_context_menu_item& operator=(wrapper_context_menu_item&& other) noexcept;
    wrapper_context_menu_item(const wrapper_context_menu_item&) = delete;
    wrapper_context_menu_item& operator=(const wrapper_context_menu_item&) = delete;
    ~wrapper_context_menu_item() = default;

    // Fills the CLAP kind and record from `vst3Item`; `index` (the item's place in the host's
    // menu) becomes the action id of an entry.
    void vst3_to_clap(uint32_t index);
    // Adds the item to a CLAP menu: the record of its kind, or none for separators and submenu
    // ends. Returns the builder's answer.
    bool addTo(const clap_context_menu_builder_t& builder) const;

  private:
    // Points the record's label at this item's own text again.
    void relink();
};
