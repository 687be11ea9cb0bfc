#pragma once

#include <array>

#include <clap/plugin-factory.h>
#include <clap/plugin-info-as-auv2.h>

#include "descriptor.hpp"

namespace vantrel_ondrix_plugin {

inline constexpr const char* MANUFACTURER_CODE = "Orbw";
inline constexpr const char* MANUFACTURER_NAME = "Orbwright Audio";

// The one plug-in type this module offers: its descriptor and the codes an Audio Unit wrapper
// publishes it under. Thread: any once built (read-only). Owner: the factory table holding it.
struct Factory {
    PluginDescriptor descriptor;
    std::array<char, 5> au_type{'a', 'u', 'm', 'i', '\0'};
    std::array<char, 5> au_subtype{'V', 'n', 'O', 'x', '\0'};
};

// The CLAP plug-in factory table followed by its Factory; the table's functions find the Factory
// from the table pointer the host passes back. Thread: any (read-only). Owner: the EntryPoint.
struct PluginFactoryTable {
    PluginFactoryTable();
    PluginFactoryTable(const PluginFactoryTable&) = delete;
    PluginFactoryTable& operator=(const PluginFactoryTable&) = delete;

    clap_plugin_factory_t table;
    Factory factory;
};

// The Audio Unit information factory table followed by a Factory of its own.
// Thread: any (read-only). Owner: the EntryPoint.
struct AuInfoFactoryTable {
    AuInfoFactoryTable();
    AuInfoFactoryTable(const AuInfoFactoryTable&) = delete;
    AuInfoFactoryTable& operator=(const AuInfoFactoryTable&) = delete;

    clap_plugin_factory_as_auv2_t table;
    Factory factory;
};

}  // namespace vantrel_ondrix_plugin
