/* What a VST3 wrapper asks of a module and its plug-ins beyond the CLAP descriptors: the VST3
   factory's vendor texts, each plug-in's class id and sub-categories, and wrapper specifics. */
#pragma once

#include "plugin.h"

/* Factory ids: version 1 adds get_compatibility_json. */
static const CLAP_CONSTEXPR char CLAP_PLUGIN_FACTORY_INFO_VST3[] =
    "clap.plugin-factory-info-as-vst3/1";
static const CLAP_CONSTEXPR char CLAP_PLUGIN_FACTORY_INFO_VST3_V0[] =
    "clap.plugin-factory-info-as-vst3/0";

/* Plug-in extension id. */
static const CLAP_CONSTEXPR char CLAP_PLUGIN_AS_VST3[] = "clap.plugin-info-as-vst3/0";

#ifdef __cplusplus
extern "C" {
#endif

/* The VST3 class of one plug-in; owned by the factory. Null fields fall back to what the
   descriptor gives. */
typedef struct clap_plugin_info_as_vst3 {
    const char* vendor;
    const uint8_t* component_id; /* 16 bytes: the VST3 class id */
    const char* features;        /* the VST3 sub-categories, "|"-separated */
} clap_plugin_info_as_vst3_t;

/* VST3 information factory; owned by the module, read-only, valid until the last deinit of the
   entry. Callable from any thread. Null texts fall back to the first descriptor's. */
typedef struct clap_plugin_factory_as_vst3 {
    const char* vendor;
    const char* vendor_url;
    const char* email_contact;

    /* The VST3 class of the plug-in at index, or null. */
    const clap_plugin_info_as_vst3_t*(CLAP_ABI* get_vst3_info)(
        const struct clap_plugin_factory_as_vst3* factory, uint32_t index);

    /* Version 1 only: the VST3 plug-in compatibility JSON text, or null. A factory answering the
       version 0 id may end before this field. */
    const char*(CLAP_ABI* get_compatibility_json)(
        const struct clap_plugin_factory_as_vst3* factory);
} clap_plugin_factory_as_vst3_t;

/* Plug-in VST3 specifics table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_as_vst3 {
    /* How many MIDI channels the note port at note_port takes. */
    uint32_t(CLAP_ABI* get_num_midi_channels)(const clap_plugin_t* plugin, uint32_t note_port);

    /* The note expressions the plug-in takes, a bit set: 0x01 volume, 0x02 pan, 0x04 tuning,
       0x08 vibrato, 0x10 expression, 0x20 brightness, 0x40 poly pressure. */
    uint32_t(CLAP_ABI* supported_note_expressions)(const clap_plugin_t* plugin);
} clap_plugin_as_vst3_t;

#ifdef __cplusplus
}
#endif
