#include "parent_watch.hpp"

namespace ondrix_web_view {
namespace {

// The watch's connection while it starts watching, and whether the X server refused.
Display* starting = nullptr;
bool refused = false;
int (*gdk_handler)(Display*, XErrorEvent*) = nullptr;

int note_refusal(Display* display, XErrorEvent* error) {
    if (display == starting) {
        refused = true;
        return 0;
    }
    return gdk_handler != nullptr ? gdk_handler(display, error) : 0;
}

}  // namespace

ParentWatch::ParentWatch(const char* display_name, Window parent) : parent_(parent) {
    display_ = XOpenDisplay(display_name);
    if (display_ == nullptr) return;
    // A window the server doesn't know refuses the selection with BadWindow, which would end
    // the program through the process-wide error handler (GDK's): heard here instead, for the
    // one round trip it takes.
    starting = display_;
    refused = false;
    gdk_handler = XSetErrorHandler(&note_refusal);
    XSelectInput(display_, parent_, StructureNotifyMask);
    XSync(display_, False);
    XSetErrorHandler(gdk_handler);
    starting = nullptr;
    gone_ = refused;
}

ParentWatch::~ParentWatch() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

int ParentWatch::fd() const {
    return display_ != nullptr ? ConnectionNumber(display_) : -1;
}

bool ParentWatch::read() {
    if (display_ == nullptr) return gone_;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == parent_) gone_ = true;
    }
    return gone_;
}

bool ParentWatch::ask() {
    if (display_ == nullptr || gone_) return gone_;
    XSync(display_, False);
    return read();
}

}  // namespace ondrix_web_view
