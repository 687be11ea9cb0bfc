#pragma once

// The host's side of an embedded editor window on X11: a top-level window made by the test, the
// windows that appear inside it, and screenshots of it.

#include <cstdint>
#include <string>
#include <vector>

// Xlib's display, declared here so that its macros stay out of the tests (they clash with
// GoogleTest's names).
struct _XDisplay;

namespace ondrix_host_testing {

// An X11 window id (Xlib's Window).
using WindowId = unsigned long;

// A window directly inside the parent, as the X server reports it.
struct ChildWindow {
    WindowId id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
};

// A mapped top-level window on the test program's display connection (DISPLAY, e.g. Xvfb's).
// Thread: the test's thread. Owner: the test.
class X11Parent {
  public:
    X11Parent(int width, int height);
    ~X11Parent();
    X11Parent(const X11Parent&) = delete;
    X11Parent& operator=(const X11Parent&) = delete;

    WindowId id() const { return window_; }
    std::vector<ChildWindow> children();
    // Clicks the first button at (x, y) of the parent, as a user's pointer would (XTest).
    void click(int x, int y);
    // Types the key `keysym` (e.g. XK_z), with Control held when asked, to the focused window,
    // the pointer first moved off the parent (to the screen's far corner).
    void key(unsigned long keysym, bool control);

    // Writes what the parent shows (its children's contents included) as a PNG; returns the
    // number of distinct colours in it (a page that drew has many, a blank window one or two).
    std::size_t screenshot(const std::string& path);

  private:
    _XDisplay* display_;
    WindowId window_;
    int width_;
    int height_;
};

}  // namespace ondrix_host_testing
