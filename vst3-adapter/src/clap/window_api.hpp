#pragma once

// The window api an editor embeds in on this system: an X11 window on Linux, an NSView on
// macOS. The adapter offers an editor only for a plug-in whose gui takes it.

#include <clap/ext/gui.h>

namespace Clap {

#ifdef __APPLE__
inline constexpr const char* editorWindowApi = CLAP_WINDOW_API_COCOA;
#else
inline constexpr const char* editorWindowApi = CLAP_WINDOW_API_X11;
#endif

}  // namespace Clap
