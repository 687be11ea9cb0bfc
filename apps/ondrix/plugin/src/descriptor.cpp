#include "descriptor.hpp"

namespace vantrel_ondrix_plugin {

PluginDescriptor::PluginDescriptor()
    : id_(PLUGIN_ID),
      name_("Vantrel Ondrix"),
      vendor_("Orbwright Audio"),
      url_(""),
      manual_url_(""),
      support_url_(""),
      version_("0.1.0"),
      description_("A modulation source: LFOs, drawn shapes and chaos, sent as MIDI CCs"),
      features_{"note-effect", "utility"},
      feature_pointers_{features_[0].c_str(), features_[1].c_str(), nullptr},
      raw_{} {
    raw_.clap_version = clap_version_t{1, 1, 9};
    raw_.id = id_.c_str();
    raw_.name = name_.c_str();
    raw_.vendor = vendor_.c_str();
    raw_.url = url_.c_str();
    raw_.manual_url = manual_url_.c_str();
    raw_.support_url = support_url_.c_str();
    raw_.version = version_.c_str();
    raw_.description = description_.c_str();
    raw_.features = feature_pointers_.data();
}

}  // namespace vantrel_ondrix_plugin
