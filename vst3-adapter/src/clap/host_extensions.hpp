#pragma once

#include <clap/ext/context-menu.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/log.h>
#include <clap/ext/params.h>
#include <clap/ext/posix-fd-support.h>
#include <clap/ext/state.h>
#include <clap/ext/tail.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/ext/track-info.h>

// The extension tables a Clap::Plugin offers its plug-in as host. Each callback finds its proxy
// through the host record and forwards to the proxy or its owner; given a record that is not a
// proxy's, it does nothing and answers false. Thread: as each extension says. Owner: static,
// shared by every proxy.
namespace Clap::HostExt {

extern const clap_host_log_t log;
extern const clap_host_params_t params;
extern const clap_host_track_info_t trackinfo;
extern const clap_host_thread_check_t threadcheck;
extern const clap_host_gui_t hostgui;
extern const clap_host_timer_support_t hosttimer;
extern const clap_host_latency_t latency;
extern const clap_host_tail_t tail;
extern const clap_host_state_t state;
extern const clap_host_context_menu_t context_menu;
extern const clap_host_posix_fd_support_t posixfd;

}  // namespace Clap::HostExt
