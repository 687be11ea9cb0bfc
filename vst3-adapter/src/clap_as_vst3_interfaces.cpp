// ClapAsVst3: the VST3 interfaces that answer from the tables the set-up built or pass a question
// on to one of the plug-in's optional extensions: MIDI controller mapping, note-expression
// information, units, parameter value texts, the host's channel context, gain reduction, ARA,
// and the host's context menus mirrored into the plug-in's own.

#include "clap_as_vst3.hpp"

#include "clap/plugin.hpp"
#include "helpers/utf16.hpp"
#include "helpers/utf8_prefix.hpp"
#include "os/log.hpp"
#include "sdk/string_convert.hpp"
#include "vst3_parameter.hpp"
#include "wrapped_view.hpp"

#include <fmt/format.h>

#include <string>
#include <string_view>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

using Vst3Adapter::detail::utf8Prefix;

// A text of ours into a host's 128-unit text field.
void toHost(const std::string& text, String128 out) {
    Vst3Adapter::detail::utf8_to_utf16l(text.c_str(), out, 128);
}

}  // namespace

tresult PLUGIN_API ClapAsVst3::queryInterface(const TUID iid, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    // The optional interfaces are admitted only when the plug-in has what they pass on to.
    const Clap::ClapPluginExtensions none;
    const Clap::ClapPluginExtensions& extensions = plugin ? plugin->extensions() : none;
    const auto offer = [&](const FUID& wanted, bool given, FUnknown* interface) {
        if (!given || !FUnknownPrivate::iidEqual(iid, wanted)) {
            return false;
        }
        addRef();
        *obj = interface;
        return true;
    };
    if (offer(IMidiMapping::iid, supportsMidiDialect, static_cast<IMidiMapping*>(this)) ||
        offer(IContextMenuTarget::iid, extensions.contextMenu != nullptr,
              static_cast<IContextMenuTarget*>(this)) ||
        offer(ARA::IPlugInEntryPoint::iid, extensions.ara != nullptr,
              static_cast<ARA::IPlugInEntryPoint*>(this)) ||
        offer(ARA::IPlugInEntryPoint2::iid, extensions.ara != nullptr,
              static_cast<ARA::IPlugInEntryPoint2*>(this)) ||
        offer(Presonus::IGainReductionInfo::iid, extensions.gainAdjustmentMetering != nullptr,
              static_cast<Presonus::IGainReductionInfo*>(this)) ||
        offer(ChannelContext::IInfoListener::iid, extensions.trackInfo != nullptr,
              static_cast<ChannelContext::IInfoListener*>(this)) ||
        offer(INoteExpressionController::iid, true,
              static_cast<INoteExpressionController*>(this))) {
        return kResultOk;
    }
    // Component and controller are one object: there is nothing for a host to connect.
    if (FUnknownPrivate::iidEqual(iid, IConnectionPoint::iid)) {
        *obj = nullptr;
        return kNoInterface;
    }
    return SingleComponentEffect::queryInterface(iid, obj);
}

tresult PLUGIN_API ClapAsVst3::getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                           CtrlNumber controller, ParamID& id) {
    if (busIndex != 0 || controller < 0 || controller >= static_cast<int>(mappedControllers) ||
        channel < 0 || channel >= static_cast<int>(mappedChannels)) {
        return kResultFalse;
    }
    // An entry never filled holds 0, which no MIDI-mapping parameter has: that controller
    // drives nothing.
    const ParamID mapped = midiMappingTable[channel][controller];
    if (mapped == 0) {
        return kResultFalse;
    }
    id = mapped;
    return kResultOk;
}

int32 PLUGIN_API ClapAsVst3::getNoteExpressionCount(int32 busIndex, int16 channel) {
    return busIndex == 0 && channel == 0 ? noteExpressions.getNoteExpressionCount() : 0;
}

tresult PLUGIN_API ClapAsVst3::getNoteExpressionInfo(int32 busIndex, int16 channel, int32 index,
                                                     NoteExpressionTypeInfo& info) {
    if (busIndex != 0 || channel != 0 || index < 0 ||
        index >= noteExpressions.getNoteExpressionCount()) {
        return kResultFalse;
    }
    return noteExpressions.getNoteExpressionInfo(index, info);
}

tresult PLUGIN_API ClapAsVst3::getNoteExpressionStringByValue(int32 /*busIndex*/, int16 /*channel*/,
                                                              NoteExpressionTypeID id,
                                                              NoteExpressionValue valueNormalized,
                                                              String128 string) {
    return noteExpressions.getNoteExpressionStringByValue(id, valueNormalized, string);
}

tresult PLUGIN_API ClapAsVst3::getNoteExpressionValueByString(
    int32 /*busIndex*/, int16 /*channel*/, NoteExpressionTypeID id, const TChar* string,
    NoteExpressionValue& valueNormalized) {
    return noteExpressions.getNoteExpressionValueByString(id, string, valueNormalized);
}

tresult PLUGIN_API ClapAsVst3::getUnitByBus(MediaType type, BusDirection dir, int32 busIndex,
                                            int32 channel, UnitID& unitId) {
    if (type != kEvent || dir != kInput || busIndex != 0 || channel < 0 ||
        static_cast<std::size_t>(channel) >= midiChannelUnits.size()) {
        return kResultFalse;
    }
    unitId = midiChannelUnits[static_cast<std::size_t>(channel)];
    return kResultOk;
}

tresult PLUGIN_API ClapAsVst3::getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                     String128 string) {
    auto* parameter = FCast<Vst3Parameter>(getParameterObject(id));
    if (parameter == nullptr) {
        return kResultFalse;
    }
    const double value = parameter->asClapValue(valueNormalized);
    if ((parameter->getInfo().flags & ParameterInfo::kIsProgramChange) != 0) {
        toHost(fmt::format("Program {:.6f}", value), string);
        return kResultOk;
    }
    if (parameter->isMidi) {
        toHost(fmt::format("{:.6f}", value), string);
        return kResultOk;
    }
    const clap_plugin_params_t* params = plugin ? plugin->extensions().params : nullptr;
    if (params != nullptr && params->value_to_text != nullptr) {
        const auto mainThread = Clap::Plugin::AlwaysMainThread();
        char text[128] = {};
        if (params->value_to_text(plugin->instance(), parameter->clapId, value, text,
                                  sizeof text - 1)) {
            Vst3Adapter::detail::utf8_to_utf16l(text, string, 128);
            return kResultOk;
        }
    }
    return EditControllerEx1::getParamStringByValue(id, valueNormalized, string);
}

tresult PLUGIN_API ClapAsVst3::getParamValueByString(ParamID id, TChar* string,
                                                     ParamValue& valueNormalized) {
    auto* parameter = FCast<Vst3Parameter>(getParameterObject(id));
    if (parameter == nullptr || string == nullptr || parameter->isMidi) {
        return kResultFalse;
    }
    const clap_plugin_params_t* params = plugin ? plugin->extensions().params : nullptr;
    if (params == nullptr || params->text_to_value == nullptr) {
        return kResultFalse;
    }
    // The plug-in reads at most 127 bytes and a terminator.
    const std::string text(utf8Prefix(StringConvert::convert(string, 128), 127));
    const auto mainThread = Clap::Plugin::AlwaysMainThread();
    double value = 0;
    if (!params->text_to_value(plugin->instance(), parameter->clapId, text.c_str(), &value)) {
        return kResultFalse;
    }
    valueNormalized = parameter->asVst3Value(value);
    return kResultOk;
}

tresult PLUGIN_API ClapAsVst3::executeMenuItem(int32 /*tag*/) {
    return kResultOk;
}

tresult PLUGIN_API ClapAsVst3::setChannelContextInfos(IAttributeList* list) {
    const clap_plugin_track_info_t* track = plugin ? plugin->extensions().trackInfo : nullptr;
    if (track == nullptr) {
        return kResultFalse;
    }
    if (list == nullptr) {
        return kInvalidArgument;
    }
    if (!trackInfo) {
        trackInfo.emplace();
    }
    trackInfo->flags = 0;

    int64 color = 0;
    if (list->getInt(ChannelContext::kChannelColorKey, color) == kResultOk) {
        const auto argb = static_cast<ChannelContext::ColorSpec>(color);
        trackInfo->flags |= CLAP_TRACK_INFO_HAS_TRACK_COLOR;
        trackInfo->color = {ChannelContext::GetAlpha(argb), ChannelContext::GetRed(argb),
                            ChannelContext::GetGreen(argb), ChannelContext::GetBlue(argb)};
    }
    TChar name[256] = {};
    if (list->getString(ChannelContext::kChannelNameKey, name, sizeof name) == kResultOk) {
        // A name the host filled to the last unit is read up to there; what is kept leaves room
        // for the plug-in's terminator.
        const std::string utf8 = StringConvert::convert(name, 256);
        const std::string_view kept = utf8Prefix(utf8, sizeof trackInfo->name - 1);
        trackInfo->flags |= CLAP_TRACK_INFO_HAS_TRACK_NAME;
        kept.copy(trackInfo->name, kept.size());
        trackInfo->name[kept.size()] = '\0';
    }
    track->changed(plugin->instance());
    return kResultOk;
}

double PLUGIN_API ClapAsVst3::getGainReductionValueInDb() {
    const auto* metering = plugin ? plugin->extensions().gainAdjustmentMetering : nullptr;
    return metering != nullptr ? metering->get(plugin->instance()) : 0.0;
}

const ARA::ARAFactory* PLUGIN_API ClapAsVst3::getFactory() {
    os::logWithLocation(__FILE__, __LINE__, __func__, "-> ARA::IPlugInEntryPoint::getFactory");
    const clap_ara_plugin_extension_t* ara = plugin ? plugin->extensions().ara : nullptr;
    if (ara == nullptr) {
        return nullptr;
    }
    return static_cast<const ARA::ARAFactory*>(ara->get_factory(plugin->instance()));
}

const ARA::ARAPlugInExtensionInstance* PLUGIN_API
ClapAsVst3::bindToDocumentController(ARA::ARADocumentControllerRef /*documentControllerRef*/) {
    os::logWithLocation(__FILE__, __LINE__, __func__,
                        "-> ARA::IPlugInEntryPoint::bindToDocumentController (!!! DEPRECATED !!!)");
    return nullptr;
}

const ARA::ARAPlugInExtensionInstance* PLUGIN_API ClapAsVst3::bindToDocumentControllerWithRoles(
    ARA::ARADocumentControllerRef documentControllerRef, ARA::ARAPlugInInstanceRoleFlags knownRoles,
    ARA::ARAPlugInInstanceRoleFlags assignedRoles) {
    os::logWithLocation(__FILE__, __LINE__, __func__,
                        "-> ARA::IPlugInEntryPoint2::bindToDocumentControllerWithRoles");
    const clap_ara_plugin_extension_t* ara = plugin ? plugin->extensions().ara : nullptr;
    if (ara == nullptr) {
        return nullptr;
    }
    return static_cast<const ARA::ARAPlugInExtensionInstance*>(ara->bind_to_document_controller(
        plugin->instance(), documentControllerRef, static_cast<uint32_t>(knownRoles),
        static_cast<uint32_t>(assignedRoles)));
}

bool ClapAsVst3::supportsContextMenu() const {
    return componentHandler3 != nullptr;
}

bool ClapAsVst3::context_menu_populate(const clap_context_menu_target_t* target,
                                       const clap_context_menu_builder_t* builder) {
    contextMenu = nullptr;
    // Items of an earlier menu point at that menu's targets: none may be performed now.
    contextMenuItems.clear();
    if (builder == nullptr) {
        return false;
    }
    for (clap_context_menu_item_kind_t kind = CLAP_CONTEXT_MENU_ITEM_ENTRY;
         kind <= CLAP_CONTEXT_MENU_ITEM_END_SUBMENU; ++kind) {
        if (!builder->supports(builder, kind)) {
            return false;
        }
    }
    if (componentHandler3 == nullptr || target == nullptr) {
        return false;
    }
    IContextMenu* menu = nullptr;
    if (target->kind == CLAP_CONTEXT_MENU_TARGET_KIND_GLOBAL) {
        menu = componentHandler3->createContextMenu(wrappedView, nullptr);
    } else if (target->kind == CLAP_CONTEXT_MENU_TARGET_KIND_PARAM) {
        contextMenuParamId = target->id;
        menu = componentHandler3->createContextMenu(wrappedView, &contextMenuParamId);
    }
    if (menu == nullptr) {
        return false;
    }
    contextMenu = owned(menu);

    const int32 count = contextMenu->getItemCount();
    contextMenuItems.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (std::size_t i = 0; i < contextMenuItems.size(); ++i) {
        wrapper_context_menu_item& item = contextMenuItems[i];
        if (contextMenu->getItem(static_cast<int32>(i), item.vst3Item, &item.vst3Target) !=
            kResultOk) {
            // Left without a target, so it cannot be performed.
            item.vst3Target = nullptr;
            continue;
        }
        item.vst3_to_clap(static_cast<uint32_t>(i));
        item.addTo(*builder);
    }
    return true;
}

bool ClapAsVst3::context_menu_perform(const clap_context_menu_target_t* /*target*/,
                                      clap_id actionId) {
    if (actionId >= contextMenuItems.size()) {
        return false;
    }
    const wrapper_context_menu_item& item = contextMenuItems[actionId];
    if (item.vst3Target == nullptr) {
        return false;
    }
    const tresult result = item.vst3Target->executeMenuItem(item.vst3Item.tag);
    clearContextMenu();
    return result == kResultOk;
}

bool ClapAsVst3::context_menu_can_popup() {
    return false;
}

bool ClapAsVst3::context_menu_popup(const clap_context_menu_target_t* /*target*/,
                                    int32_t /*screenIndex*/, int32_t /*x*/, int32_t /*y*/) {
    return false;
}
