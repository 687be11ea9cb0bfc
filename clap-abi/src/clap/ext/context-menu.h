/* Context menus that the plug-in and the host fill for each other. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_CONTEXT_MENU[] = "clap.context-menu/1";
/* The draft's identifier, which older plug-ins answer. */
static const CLAP_CONSTEXPR char CLAP_EXT_CONTEXT_MENU_COMPAT[] = "clap.context-menu.draft/0";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* The menu of the plug-in as a whole. */
    CLAP_CONTEXT_MENU_TARGET_KIND_GLOBAL = 0,
    /* The menu of one parameter; the target's id is the parameter id. */
    CLAP_CONTEXT_MENU_TARGET_KIND_PARAM = 1,
};

/* What the menu is for; owned by the caller for the duration of the call. */
typedef struct clap_context_menu_target {
    uint32_t kind;
    clap_id id;
} clap_context_menu_target_t;

enum {
    /* Data: clap_context_menu_entry_t. */
    CLAP_CONTEXT_MENU_ITEM_ENTRY = 0,
    /* Data: clap_context_menu_check_entry_t. */
    CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY = 1,
    /* Data: none. */
    CLAP_CONTEXT_MENU_ITEM_SEPARATOR = 2,
    /* Data: clap_context_menu_submenu_t. */
    CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU = 3,
    /* Data: none. */
    CLAP_CONTEXT_MENU_ITEM_END_SUBMENU = 4,
};
typedef uint32_t clap_context_menu_item_kind_t;

/* A plain entry; label is owned by the caller of add_item. */
typedef struct clap_context_menu_entry {
    const char* label;
    bool is_enabled;
    clap_id action_id; /* handed back to perform */
} clap_context_menu_entry_t;

/* An entry with a check mark. */
typedef struct clap_context_menu_check_entry {
    const char* label;
    bool is_enabled;
    bool is_checked;
    clap_id action_id;
} clap_context_menu_check_entry_t;

/* Opens a submenu; the items up to the matching END_SUBMENU belong to it. */
typedef struct clap_context_menu_submenu {
    const char* label;
    bool is_enabled;
} clap_context_menu_submenu_t;

/* Collects menu items; owned by whoever asked for the menu, valid during populate only. */
typedef struct clap_context_menu_builder {
    void* ctx;

    /* Appends one item; item_data is the record of item_kind, or null. */
    bool(CLAP_ABI* add_item)(const struct clap_context_menu_builder* builder,
                             clap_context_menu_item_kind_t item_kind, const void* item_data);

    /* Whether the builder takes items of item_kind. */
    bool(CLAP_ABI* supports)(const struct clap_context_menu_builder* builder,
                             clap_context_menu_item_kind_t item_kind);
} clap_context_menu_builder_t;

/* Plug-in context-menu table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_context_menu {
    /* Adds the plug-in's items for target; target null means the global menu. */
    bool(CLAP_ABI* populate)(const clap_plugin_t* plugin, const clap_context_menu_target_t* target,
                             const clap_context_menu_builder_t* builder);

    /* Runs the item that populate added with action_id. */
    bool(CLAP_ABI* perform)(const clap_plugin_t* plugin, const clap_context_menu_target_t* target,
                            clap_id action_id);
} clap_plugin_context_menu_t;

/* Host context-menu table; owned by the host, called on the main thread. */
typedef struct clap_host_context_menu {
    /* Adds the host's items for target; target null means the global menu. */
    bool(CLAP_ABI* populate)(const clap_host_t* host, const clap_context_menu_target_t* target,
                             const clap_context_menu_builder_t* builder);

    /* Runs the item that populate added with action_id. */
    bool(CLAP_ABI* perform)(const clap_host_t* host, const clap_context_menu_target_t* target,
                            clap_id action_id);

    /* Whether the host can show a menu for the plug-in. */
    bool(CLAP_ABI* can_popup)(const clap_host_t* host);

    /* Shows the menu for target at x, y on the screen screen_index. */
    bool(CLAP_ABI* popup)(const clap_host_t* host, const clap_context_menu_target_t* target,
                          int32_t screen_index, int32_t x, int32_t y);
} clap_host_context_menu_t;

#ifdef __cplusplus
}
#endif
