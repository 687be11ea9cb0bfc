// ClapAsVst3: the remaining VST3 interfaces, admitted to and answered by the base only.

#include "clap_as_vst3.hpp"

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API ClapAsVst3::queryInterface(const TUID iid, void** obj) {
    return SingleComponentEffect::queryInterface(iid, obj);
}
tresult PLUGIN_API ClapAsVst3::getMidiControllerAssignment(int32, int16, CtrlNumber, ParamID&) {
    return kResultFalse;
}
tresult PLUGIN_API ClapAsVst3::setChannelContextInfos(IAttributeList*) {
    return kResultFalse;
}
int32 PLUGIN_API ClapAsVst3::getNoteExpressionCount(int32, int16) {
    return 0;
}
tresult PLUGIN_API ClapAsVst3::getNoteExpressionInfo(int32, int16, int32,
                                                     NoteExpressionTypeInfo&) {
    return kResultFalse;
}
tresult PLUGIN_API ClapAsVst3::getNoteExpressionStringByValue(int32, int16, NoteExpressionTypeID,
                                                              NoteExpressionValue, String128) {
    return kResultFalse;
}
tresult PLUGIN_API ClapAsVst3::getNoteExpressionValueByString(int32, int16, NoteExpressionTypeID,
                                                              const TChar*,
                                                              NoteExpressionValue&) {
    return kResultFalse;
}
tresult PLUGIN_API ClapAsVst3::executeMenuItem(int32) {
    return kResultOk;
}
const ARA::ARAFactory* PLUGIN_API ClapAsVst3::getFactory() {
    return nullptr;
}
const ARA::ARAPlugInExtensionInstance* PLUGIN_API
ClapAsVst3::bindToDocumentController(ARA::ARADocumentControllerRef) {
    return nullptr;
}
const ARA::ARAPlugInExtensionInstance* PLUGIN_API ClapAsVst3::bindToDocumentControllerWithRoles(
    ARA::ARADocumentControllerRef, ARA::ARAPlugInInstanceRoleFlags,
    ARA::ARAPlugInInstanceRoleFlags) {
    return nullptr;
}
double PLUGIN_API ClapAsVst3::getGainReductionValueInDb() {
    return 0.0;
}
bool ClapAsVst3::supportsContextMenu() const {
    return false;
}
bool ClapAsVst3::context_menu_populate(const clap_context_menu_target_t*,
                                       const clap_context_menu_builder_t*) {
    return false;
}
bool ClapAsVst3::context_menu_perform(const clap_context_menu_target_t*, clap_id) {
    return false;
}
bool ClapAsVst3::context_menu_can_popup() {
    return false;
}
bool ClapAsVst3::context_menu_popup(const clap_context_menu_target_t*, int32_t, int32_t,
                                    int32_t) {
    return false;
}
