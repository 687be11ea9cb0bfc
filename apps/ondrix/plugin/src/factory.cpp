#include "factory.hpp"

#include <cstring>
#include <type_traits>

#include "error.hpp"
#include "instance.hpp"

namespace vantrel_ondrix_plugin {
namespace {

static_assert(std::is_standard_layout_v<PluginFactoryTable>);
static_assert(std::is_standard_layout_v<AuInfoFactoryTable>);

const Factory* factory_of(const clap_plugin_factory_t* table) {
    return &reinterpret_cast<const PluginFactoryTable*>(table)->factory;
}

const Factory* factory_of(const clap_plugin_factory_as_auv2_t* table) {
    return &reinterpret_cast<const AuInfoFactoryTable*>(table)->factory;
}

constexpr const char* NULL_FACTORY =
    "Plugin factory method was called with null clap_plugin_factory pointer";
constexpr const char* FACTORY_PANICKED = "Plugin factory panicked";

std::uint32_t get_plugin_count(const clap_plugin_factory_t* table) noexcept {
    if (table == nullptr) {
        factory_error_line(NULL_FACTORY);
        return 0;
    }
    return 1;
}

const clap_plugin_descriptor_t* get_plugin_descriptor(const clap_plugin_factory_t* table,
                                                      std::uint32_t index) noexcept {
    if (table == nullptr) {
        factory_error_line(NULL_FACTORY);
        return nullptr;
    }
    if (index != 0) return nullptr;
    return factory_of(table)->descriptor.raw();
}

const clap_plugin_t* create_plugin(const clap_plugin_factory_t* table, const clap_host_t* host,
                                   const char* plugin_id) noexcept {
    if (table == nullptr) {
        factory_error_line(NULL_FACTORY);
        return nullptr;
    }
    if (host == nullptr) {
        factory_error_line("Plugin factory method was called with null clap_host pointer");
        return nullptr;
    }
    if (plugin_id == nullptr) {
        factory_error_line("Plugin factory method was called with null plugin_id pointer");
        return nullptr;
    }
    const Factory* factory = factory_of(table);
    if (std::strcmp(plugin_id, factory->descriptor.id().c_str()) != 0) return nullptr;
    try {
        return PluginInstance::create(host, factory->descriptor.raw());
    } catch (...) {
        factory_error_line(FACTORY_PANICKED);
        return nullptr;
    }
}

bool get_auv2_info(const clap_plugin_factory_as_auv2_t* table, std::uint32_t index,
                   clap_plugin_info_as_auv2_t* info) noexcept {
    if (table == nullptr || index != 0 || info == nullptr) return false;
    const Factory* factory = factory_of(table);
    std::memcpy(info->au_type, factory->au_type.data(), factory->au_type.size());
    std::memcpy(info->au_subt, factory->au_subtype.data(), factory->au_subtype.size());
    return true;
}

}  // namespace

PluginFactoryTable::PluginFactoryTable()
    : table{&get_plugin_count, &get_plugin_descriptor, &create_plugin}, factory{} {}

AuInfoFactoryTable::AuInfoFactoryTable()
    : table{MANUFACTURER_CODE, MANUFACTURER_NAME, &get_auv2_info}, factory{} {}

}  // namespace vantrel_ondrix_plugin
