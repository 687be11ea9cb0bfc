#pragma once

#include <array>
#include <string>
#include <string_view>

#include <clap/plugin.h>

namespace vantrel_ondrix_plugin {

inline constexpr std::string_view PLUGIN_ID = "app.vantrel.ondrix.plugin";

// The CLAP descriptor of Vantrel Ondrix, owning every string and the null-terminated features
// array that the C record points at. Thread: any once built (read-only). Owner: its Factory;
// instances point at it until the module's last deinit.
class PluginDescriptor {
  public:
    PluginDescriptor();
    PluginDescriptor(const PluginDescriptor&) = delete;
    PluginDescriptor& operator=(const PluginDescriptor&) = delete;

    const clap_plugin_descriptor_t* raw() const { return &raw_; }
    const std::string& id() const { return id_; }

  private:
    std::string id_;
    std::string name_;
    std::string vendor_;
    std::string url_;
    std::string manual_url_;
    std::string support_url_;
    std::string version_;
    std::string description_;
    std::array<std::string, 2> features_;
    std::array<const char*, 3> feature_pointers_;
    clap_plugin_descriptor_t raw_;
};

}  // namespace vantrel_ondrix_plugin
