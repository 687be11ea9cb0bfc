#include "context_menu_item.hpp"

#include "sdk/string_convert.hpp"

#include <utility>

using Steinberg::Vst::IContextMenuItem;

wrapper_context_menu_item::wrapper_context_menu_item(wrapper_context_menu_item&& other) noexcept
    : vst3Item(other.vst3Item),
      vst3Target(other.vst3Target),
      clapKind(other.clapKind),
      clapItem(other.clapItem),
      label(std::move(other.label)) {
    relink();
    other.relink();
}

wrapper_context_menu_item& wrapper_context_menu_item::operator=(
    wrapper_context_menu_item&& other) noexcept {
    vst3Item = other.vst3Item;
    vst3Target = other.vst3Target;
    clapKind = other.clapKind;
    clapItem = other.clapItem;
    label = std::move(other.label);
    relink();
    other.relink();
    return *this;
}

void wrapper_context_menu_item::relink() {
    clapItem.label = label.c_str();
}

void wrapper_context_menu_item::vst3_to_clap(uint32_t index) {
    label = Steinberg::Vst::StringConvert::convert(vst3Item.name, 128);
    const int32_t flags = vst3Item.flags;
    clapItem = {label.c_str(), (flags & IContextMenuItem::kIsDisabled) == 0, false, index};
    // A group's start and end are told apart from other items by their whole flag values: a
    // group start is also disabled and a group end also a separator.
    if (flags == IContextMenuItem::kIsGroupStart) {
        clapKind = CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU;
        clapItem.is_enabled = true;
    } else if (flags == IContextMenuItem::kIsGroupEnd) {
        clapKind = CLAP_CONTEXT_MENU_ITEM_END_SUBMENU;
    } else if ((flags & IContextMenuItem::kIsSeparator) != 0) {
        clapKind = CLAP_CONTEXT_MENU_ITEM_SEPARATOR;
    } else if ((flags & IContextMenuItem::kIsChecked) != 0) {
        clapKind = CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY;
        clapItem.is_checked = true;
    } else {
        clapKind = CLAP_CONTEXT_MENU_ITEM_ENTRY;
    }
}

bool wrapper_context_menu_item::addTo(const clap_context_menu_builder_t& builder) const {
    switch (clapKind) {
        case CLAP_CONTEXT_MENU_ITEM_ENTRY: {
            const clap_context_menu_entry_t entry{clapItem.label, clapItem.is_enabled,
                                                  clapItem.action_id};
            return builder.add_item(&builder, clapKind, &entry);
        }
        case CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY:
            return builder.add_item(&builder, clapKind, &clapItem);
        case CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU: {
            const clap_context_menu_submenu_t submenu{clapItem.label, clapItem.is_enabled};
            return builder.add_item(&builder, clapKind, &submenu);
        }
        default:
            return builder.add_item(&builder, clapKind, nullptr);
    }
}
