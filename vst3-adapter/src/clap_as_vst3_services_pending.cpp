// ClapAsVst3: the plug-in's host requests and the idle tick, answering nothing yet; the queue
// of gestures and values still carries them so that nothing is lost.

#include "clap_as_vst3.hpp"

void ClapAsVst3::param_rescan(clap_param_rescan_flags) {}
void ClapAsVst3::param_clear(clap_id, clap_param_clear_flags) {}
void ClapAsVst3::param_request_flush() {
    requestFlush = true;
}
bool ClapAsVst3::gui_can_resize() {
    return false;
}
bool ClapAsVst3::gui_request_resize(uint32_t, uint32_t) {
    return false;
}
bool ClapAsVst3::gui_request_show() {
    return false;
}
bool ClapAsVst3::gui_request_hide() {
    return false;
}
void ClapAsVst3::latency_changed() {}
void ClapAsVst3::tail_changed() {}
void ClapAsVst3::mark_dirty() {}
void ClapAsVst3::restartPlugin() {
    requestRestart = true;
}
void ClapAsVst3::request_callback() {
    requestCallback = true;
}
bool ClapAsVst3::track_info_get(clap_track_info_t*) {
    return false;
}
bool ClapAsVst3::register_timer(uint32_t, clap_id*) {
    return false;
}
bool ClapAsVst3::unregister_timer(clap_id) {
    return false;
}
const char* ClapAsVst3::host_get_name() {
    return hostName.c_str();
}
void ClapAsVst3::onBeginEdit(clap_id id) {
    eventQueue.push(queueEvent::beginEvent(id));
}
void ClapAsVst3::onPerformEdit(const clap_event_param_value_t* value) {
    eventQueue.push(queueEvent::valueEvent(value));
}
void ClapAsVst3::onEndEdit(clap_id id) {
    eventQueue.push(queueEvent::endEvent(id));
}
void ClapAsVst3::onIdle() {}
