/* The plug-in's editor window, embedded in a host window or floating. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_GUI[] = "clap.gui";

/* Window systems, named as the api strings below. */
static const CLAP_CONSTEXPR char CLAP_WINDOW_API_WIN32[] = "win32";
static const CLAP_CONSTEXPR char CLAP_WINDOW_API_COCOA[] = "cocoa";
static const CLAP_CONSTEXPR char CLAP_WINDOW_API_X11[] = "x11";
static const CLAP_CONSTEXPR char CLAP_WINDOW_API_WAYLAND[] = "wayland";

#ifdef __cplusplus
extern "C" {
#endif

typedef void* clap_hwnd;
typedef void* clap_nsview;
typedef unsigned long clap_xwnd;

/* A host window handed to the plug-in; owned by the host, read on the main thread. */
typedef struct clap_window {
    const char* api; /* one of the CLAP_WINDOW_API strings */
    union {
        clap_nsview cocoa;
        clap_xwnd x11;
        clap_hwnd win32;
        void* ptr; /* for any other api */
    };
} clap_window_t;

/* How the editor may be resized; the host owns the record and the plug-in fills it. */
typedef struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;

    /* When both directions resize, whether the width-to-height ratio is kept. */
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
} clap_gui_resize_hints_t;

/* Plug-in gui table; owned by the plug-in, called on the main thread. Sizes are in pixels
   for Win32 and X11 and in points for Cocoa. */
typedef struct clap_plugin_gui {
    /* Whether the editor can be shown with api, embedded or floating. */
    bool(CLAP_ABI* is_api_supported)(const clap_plugin_t* plugin, const char* api,
                                     bool is_floating);

    /* The api and mode the plug-in likes best; *api points at a string the plug-in owns. */
    bool(CLAP_ABI* get_preferred_api)(const clap_plugin_t* plugin, const char** api,
                                      bool* is_floating);

    /* Creates the editor's resources; the window itself comes with set_parent. */
    bool(CLAP_ABI* create)(const clap_plugin_t* plugin, const char* api, bool is_floating);

    /* Frees everything create made. */
    void(CLAP_ABI* destroy)(const clap_plugin_t* plugin);

    /* The display's scale factor, for apis that leave scaling to the plug-in. */
    bool(CLAP_ABI* set_scale)(const clap_plugin_t* plugin, double scale);

    /* The editor's current size. */
    bool(CLAP_ABI* get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);

    /* Whether the host may resize the editor window. */
    bool(CLAP_ABI* can_resize)(const clap_plugin_t* plugin);

    bool(CLAP_ABI* get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);

    /* Turns the proposed size into the nearest size the editor accepts. */
    bool(CLAP_ABI* adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);

    bool(CLAP_ABI* set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);

    /* Embeds the editor in the host's window. */
    bool(CLAP_ABI* set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);

    /* Keeps a floating editor above the host's window. */
    bool(CLAP_ABI* set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);

    /* A title for a floating editor window. */
    void(CLAP_ABI* suggest_title)(const clap_plugin_t* plugin, const char* title);

    bool(CLAP_ABI* show)(const clap_plugin_t* plugin);
    bool(CLAP_ABI* hide)(const clap_plugin_t* plugin);
} clap_plugin_gui_t;

/* Host gui table; owned by the host, called on the main thread. */
typedef struct clap_host_gui {
    /* The resize hints changed; the host asks for them again. */
    void(CLAP_ABI* resize_hints_changed)(const clap_host_t* host);

    /* Asks the host to resize the editor's window; true when the host will. */
    bool(CLAP_ABI* request_resize)(const clap_host_t* host, uint32_t width, uint32_t height);

    bool(CLAP_ABI* request_show)(const clap_host_t* host);
    bool(CLAP_ABI* request_hide)(const clap_host_t* host);

    /* A floating window was closed, or the connection to the window system was lost. */
    void(CLAP_ABI* closed)(const clap_host_t* host, bool was_destroyed);
} clap_host_gui_t;

#ifdef __cplusplus
}
#endif
