#pragma once

// The host's window the web view is embedded in, watched for its end. The host may destroy it
// at any moment (a VST3 host after `removed`, a CLAP host before gui destroy), and the web view's
// own windows go with it. The watch has a connection of its own to the X server, so that it can
// be asked at any moment whether the parent went: also while GDK handles an X error, when GDK's
// own connection may not be used.

#include <X11/Xlib.h>

#include <atomic>

namespace ondrix_web_view {

// Thread: the GTK main thread; gone() any thread. Owner: the helper's state.
class ParentWatch {
  public:
    // Watches `parent` on the X display `display_name` (GDK's).
    ParentWatch(const char* display_name, Window parent);
    ~ParentWatch();
    ParentWatch(const ParentWatch&) = delete;
    ParentWatch& operator=(const ParentWatch&) = delete;

    // The connection's descriptor, readable when the X server sent something about the parent;
    // -1 when no connection could be made (nothing then is ever known gone).
    int fd() const;

    // Whether the parent is gone (or never was: a window the X server doesn't know), as far as
    // the events read so far tell.
    bool gone() const { return gone_; }
    // Reads what the X server sent; then whether the parent is gone.
    bool read();
    // Asks the X server, then reads: the answer covers everything the server did before, so an
    // X error already received on GDK's connection, about one of the helper's windows, follows
    // from the parent's end when this is true.
    bool ask();

  private:
    Display* display_ = nullptr;
    Window parent_;
    std::atomic<bool> gone_ = false;
};

}  // namespace ondrix_web_view
