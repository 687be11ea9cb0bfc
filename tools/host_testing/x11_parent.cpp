#include "x11_parent.hpp"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdlib>
#include <stdexcept>
#include <unordered_set>

namespace ondrix_host_testing {
namespace {

// Windows of another process may go at any moment: their errors are expected.
int ignore_error(Display*, XErrorEvent*) {
    return 0;
}

// One connection for the whole program, never closed: an X server with no client left resets
// itself, and a window made during the reset finds no display.
Display* shared_display() {
    static Display* display = [] {
        Display* opened = XOpenDisplay(nullptr);
        if (opened != nullptr) XSetErrorHandler(&ignore_error);
        return opened;
    }();
    return display;
}

}  // namespace

X11Parent::X11Parent(int width, int height) : width_(width), height_(height) {
    display_ = shared_display();
    if (display_ == nullptr) throw std::runtime_error("no X display (run under xvfb-run)");
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, width, height, 0,
                                  BlackPixel(display_, screen), WhitePixel(display_, screen));
    XStoreName(display_, window_, "ondrix editor test host");
    XMapWindow(display_, window_);
    XSync(display_, False);
    // As a window manager gives a host's new window the keyboard (no window manager runs here).
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
}

X11Parent::~X11Parent() {
    XDestroyWindow(display_, window_);
    XSync(display_, False);
}

std::vector<ChildWindow> X11Parent::children() {
    XSync(display_, False);
    Window root = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    std::vector<ChildWindow> found;
    if (XQueryTree(display_, window_, &root, &parent, &list, &count) == 0) return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, list[i], &attributes) == 0) continue;
        found.push_back(ChildWindow{list[i], attributes.x, attributes.y, attributes.width,
                                    attributes.height, attributes.map_state == IsViewable});
    }
    if (list != nullptr) XFree(list);
    return found;
}

void X11Parent::click(int x, int y) {
    int root_x = 0;
    int root_y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), x, y, &root_x, &root_y,
                          &child);
    XTestFakeMotionEvent(display_, -1, root_x, root_y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

void X11Parent::key(unsigned long keysym, bool control) {
    // The pointer off the parent: X gives the key to the focused window itself, not to the
    // window under the pointer.
    const Screen* screen = DefaultScreenOfDisplay(display_);
    XTestFakeMotionEvent(display_, -1, screen->width - 1, screen->height - 1, CurrentTime);
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    const KeyCode control_code = XKeysymToKeycode(display_, XK_Control_L);
    if (control) XTestFakeKeyEvent(display_, control_code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (control) XTestFakeKeyEvent(display_, control_code, False, CurrentTime);
    XSync(display_, False);
}

std::size_t X11Parent::screenshot(const std::string& path) {
    XSync(display_, False);
    XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(width_),
                              static_cast<unsigned>(height_), AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width_, height_);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    std::unordered_set<unsigned long> colours;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            colours.insert(pixel);
            guchar* out = pixels + y * stride + x * 3;
            out[0] = static_cast<guchar>((pixel & image->red_mask) >> 16);
            out[1] = static_cast<guchar>((pixel & image->green_mask) >> 8);
            out[2] = static_cast<guchar>(pixel & image->blue_mask);
        }
    }
    XDestroyImage(image);
    gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return colours.size();
}

}  // namespace ondrix_host_testing
