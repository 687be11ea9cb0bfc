// ondrix-web-view FD PARENT_PID
//
// The editor's web view on Linux, kept out of the host's process: WebKitGTK (GTK 3, X11) in a
// window embedded in the host's X11 window. The plug-in starts it with one end of a socket pair
// as FD and talks to it in the frames of editor/helper/messages.hpp: it opens the page, answers
// the page's "ondrix" requests and takes its posts. The helper ends as soon as that socket
// closes, with the process that started it, and, with the exit status PARENT_GONE, when the host
// destroys the window it is embedded in.
#include <fcntl.h>
#include <gdk/gdkx.h>
#include <poll.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <webkit2/webkit2.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "editor/helper/channel.hpp"
#include "editor/helper/messages.hpp"
#include "parent_watch.hpp"

namespace {

namespace helper = vantrel_ondrix_plugin::editor::helper;

// Everything of the one web view this process shows. Thread: the GTK main thread. Owner: main.
struct State {
    explicit State(int fd) : channel(fd) {}

    helper::Channel channel;
    guint watch = 0;
    bool watching_output = false;
    GtkWidget* plug = nullptr;
    WebKitWebView* view = nullptr;
    vantrel_ondrix_plugin::editor::Bounds bounds;
    // Set when the parent speaks XEmbed (it said so with XEMBED_EMBEDDED_NOTIFY); it then hands
    // the plug the focus itself.
    bool xembed_parent = false;
    // The scheme requests waiting for their Reply, by id.
    std::map<std::uint64_t, WebKitURISchemeRequest*> requests;
    std::uint64_t next_request = 1;
    // The host's window, from Open on.
    std::optional<ondrix_web_view::ParentWatch> parent;
    std::thread::id main_thread = std::this_thread::get_id();
};

State* state = nullptr;

// Leaves at once: nothing here needs tearing down, and WebKit's own processes end when their
// connection to this one closes.
[[noreturn]] void leave(int status) {
    _exit(status);
}

void watch_channel();

// Whether the host destroyed the parent. Asked from the main thread only (the watch's connection
// is not shared between threads); another thread learns only what the main thread has read.
bool parent_gone() {
    if (!state->parent) return false;
    return std::this_thread::get_id() == state->main_thread ? state->parent->ask()
                                                            : state->parent->gone();
}

// Once the host destroyed the parent, what GDK, GTK or WebKit warn about (GDK of the windows that
// went with it, "unexpectedly destroyed"; of X errors about them, just before it ends the
// program) is the end of this web view, not a fault of it: the helper ends quietly. While the
// parent is there every message is written as usual, and an X error still ends the program.
GLogWriterOutput write_log(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
    constexpr int faults = G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING;
    if ((level & faults) != 0 && parent_gone()) leave(helper::PARENT_GONE);
    return g_log_writer_default(level, fields, count, nullptr);
}

gboolean on_parent_event(gint, GIOCondition condition, gpointer) {
    if (state->parent->read()) leave(helper::PARENT_GONE);
    // The X server's connection lost: GDK's own ends the program.
    return (condition & (G_IO_HUP | G_IO_ERR)) != 0 ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

// Watches the host's window: when the host destroys it, the helper ends, before GDK, GTK or
// WebKit take up the windows that went with it (a source of higher priority than GDK's events).
void watch_parent(Window parent) {
    state->parent.emplace(gdk_display_get_name(gdk_display_get_default()), parent);
    if (state->parent->gone()) leave(helper::PARENT_GONE);
    if (state->parent->fd() >= 0) {
        g_unix_fd_add_full(G_PRIORITY_HIGH, state->parent->fd(),
                           static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                           &on_parent_event, nullptr, nullptr);
    }
}

void send(const helper::FromHelper& message) {
    state->channel.send(helper::encode(message));
    watch_channel();
}

// Reports why the helper cannot go on, waiting a little for the socket to take it, and ends.
[[noreturn]] void fail(std::string reason) {
    state->channel.send(helper::encode(helper::FromHelper{helper::Failed{std::move(reason)}}));
    for (int i = 0; i < 100 && state->channel.wants_write(); ++i) {
        pollfd out{state->channel.fd(), POLLOUT, 0};
        poll(&out, 1, 10);
        if (!state->channel.flush()) break;
    }
    leave(2);
}

Window plug_xid() {
    return GDK_WINDOW_XID(gtk_widget_get_window(state->plug));
}

// The plug follows the size and place it is sent, as an XEmbed embedder would make it: by
// moving its X window, which GTK then follows.
void place() {
    const auto& b = state->bounds;
    const int width = std::max(1, static_cast<int>(b.width));
    const int height = std::max(1, static_cast<int>(b.height));
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XMoveResizeWindow(display, plug_xid(), static_cast<int>(b.x), static_cast<int>(b.y),
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
}

// GTK maps and unmaps the plug's contents; mapping its window is the embedder's part, done here
// as an embedder would.
void set_hidden(bool hidden) {
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    if (hidden) {
        gtk_widget_hide(state->plug);
        XUnmapWindow(display, plug_xid());
    } else {
        gtk_widget_show_all(state->plug);
        XMapWindow(display, plug_xid());
    }
}

// A parent that is not an XEmbed embedder never tells the plug it has the focus, so GTK would
// give the page no key. A click into it takes the X focus and says so to the plug itself, as an
// embedder would.
void send_xembed(long message, long detail) {
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = plug_xid();
    event.xclient.message_type = XInternAtom(display, "_XEMBED", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = message;
    event.xclient.data.l[2] = detail;
    XSendEvent(display, plug_xid(), False, NoEventMask, &event);
}

constexpr long XEMBED_EMBEDDED_NOTIFY = 0;
constexpr long XEMBED_WINDOW_ACTIVATE = 1;
constexpr long XEMBED_WINDOW_DEACTIVATE = 2;
constexpr long XEMBED_FOCUS_IN = 4;
constexpr long XEMBED_FOCUS_OUT = 5;
constexpr long XEMBED_FOCUS_CURRENT = 0;

GdkFilterReturn note_embedder(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const auto* event = static_cast<const XEvent*>(xevent);
    if (event->type == ClientMessage &&
        event->xclient.message_type ==
            XInternAtom(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), "_XEMBED", False) &&
        event->xclient.data.l[1] == XEMBED_EMBEDDED_NOTIFY) {
        state->xembed_parent = true;
    }
    return GDK_FILTER_CONTINUE;
}

void on_gdk_event(GdkEvent* event, gpointer) {
    if (state->plug != nullptr && gtk_widget_get_realized(state->plug) && !state->xembed_parent) {
        // (GTK counts the pointer being over the plug as focus; the X focus is what counts.)
        Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
        Window focus = 0;
        int revert = 0;
        if (event->type == GDK_BUTTON_PRESS && XGetInputFocus(display, &focus, &revert) &&
            focus != plug_xid()) {
            gdk_x11_display_error_trap_push(gdk_display_get_default());
            XSetInputFocus(display, plug_xid(), RevertToParent, event->button.time);
            gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
            send_xembed(XEMBED_WINDOW_ACTIVATE, 0);
            send_xembed(XEMBED_FOCUS_IN, XEMBED_FOCUS_CURRENT);
        } else if (event->type == GDK_FOCUS_CHANGE && !event->focus_change.in &&
                   gtk_window_has_toplevel_focus(GTK_WINDOW(state->plug))) {
            send_xembed(XEMBED_FOCUS_OUT, 0);
            send_xembed(XEMBED_WINDOW_DEACTIVATE, 0);
        }
    }
    gtk_main_do_event(event);
}

void on_scheme_request(WebKitURISchemeRequest* request, gpointer) {
    const std::uint64_t id = state->next_request++;
    state->requests.emplace(id, WEBKIT_URI_SCHEME_REQUEST(g_object_ref(request)));
    send(helper::Request{id, webkit_uri_scheme_request_get_uri(request)});
}

void answer(helper::Reply reply) {
    const auto found = state->requests.find(reply.id);
    if (found == state->requests.end()) return;
    WebKitURISchemeRequest* request = found->second;
    state->requests.erase(found);

    GBytes* body = g_bytes_new(reply.body.data(), reply.body.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(body);
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(reply.body.size()));
    webkit_uri_scheme_response_set_status(response, reply.status, nullptr);
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& [name, value] : reply.headers) {
        soup_message_headers_append(headers, name.c_str(), value.c_str());
        if (g_ascii_strcasecmp(name.c_str(), "Content-Type") == 0) {
            webkit_uri_scheme_response_set_content_type(response, value.c_str());
        }
    }
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
    g_bytes_unref(body);
    g_object_unref(request);
}

void on_post(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_string(value)) return;
    char* text = jsc_value_to_string(value);
    send(helper::Post{text});
    g_free(text);
}

void on_page_ended(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer) {
    fail(reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
             ? "The editor's page ended: it used more memory than its limit"
             : "The editor's page ended: its web process crashed");
}

// The page's 2D canvases (scopes, meters, drawn shapes; some redrawn every frame) are drawn on
// the CPU, which looks the same. Drawn with the GPU, WebKitGTK 2.50 now and then ends the web
// process on a failed check in Skia's GPU resource cache ("trap invalid opcode" in
// libwebkit2gtk, on the web process's main thread or its compositor's), and the page goes blank.
// A WebKitGTK without the setting (before 2.46) is left as it is.
void draw_canvases_on_the_cpu(WebKitSettings* settings) {
    constexpr const char* setting = "enable-2d-canvas-acceleration";
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(settings), setting) != nullptr) {
        g_object_set(settings, setting, FALSE, nullptr);
    }
}

// Builds the web view inside the host's window.
void open(const helper::Open& open) {
    watch_parent(static_cast<Window>(open.parent));
    state->bounds = open.bounds;

    WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
    WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(data);
    g_object_unref(data);
    webkit_web_context_register_uri_scheme(context, open.scheme.c_str(), &on_scheme_request,
                                           nullptr, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, open.scheme.c_str());
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, open.scheme.c_str());

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    for (const helper::Script& script : open.scripts) {
        WebKitUserScript* user_script = webkit_user_script_new(
            script.source.c_str(),
            script.main_frame_only ? WEBKIT_USER_CONTENT_INJECT_TOP_FRAME
                                   : WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
            WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
        webkit_user_content_manager_add_script(content, user_script);
        webkit_user_script_unref(user_script);
    }
    const std::string signal = "script-message-received::" + open.handler;
    g_signal_connect(content, signal.c_str(), G_CALLBACK(&on_post), nullptr);
    webkit_user_content_manager_register_script_message_handler(content, open.handler.c_str());

    state->view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                               "user-content-manager", content, nullptr));
    g_object_unref(content);
    draw_canvases_on_the_cpu(webkit_web_view_get_settings(state->view));
    // A page whose web process went would stay blank: the helper ends, and the host's log says
    // why.
    g_signal_connect(state->view, "web-process-terminated", G_CALLBACK(&on_page_ended), nullptr);

    state->plug = gtk_plug_new(static_cast<Window>(open.parent));
    // Neither an embedder letting go of the plug (XEmbed's end) nor a request to close it
    // destroys the plug: the plug-in closes the helper. A parent destroyed ends the helper by
    // itself (watch_parent).
    g_signal_connect(state->plug, "delete-event", G_CALLBACK(&gtk_true), nullptr);
    gtk_container_add(GTK_CONTAINER(state->plug), GTK_WIDGET(state->view));
    gtk_window_set_default_size(GTK_WINDOW(state->plug), std::max(1, static_cast<int>(open.bounds.width)),
                                std::max(1, static_cast<int>(open.bounds.height)));
    gtk_widget_realize(state->plug);
    gdk_window_add_filter(gtk_widget_get_window(state->plug), &note_embedder, nullptr);
    place();
    set_hidden(false);
    webkit_web_view_load_uri(state->view, open.start_url.c_str());
    send(helper::Ready{plug_xid()});
}

void handle(std::string_view frame) {
    const auto message = helper::decode_to_helper(frame);
    if (!message) leave(3);
    if (state->view == nullptr) {
        if (const auto* first = std::get_if<helper::Open>(&*message)) {
            open(*first);
            return;
        }
        leave(3);
    }
    std::visit(
        [](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, helper::Evaluate>) {
                webkit_web_view_evaluate_javascript(state->view, m.script.data(),
                                                    static_cast<gssize>(m.script.size()), nullptr,
                                                    nullptr, nullptr, nullptr, nullptr);
            } else if constexpr (std::is_same_v<M, helper::Zoom>) {
                webkit_web_view_set_zoom_level(state->view, m.factor);
            } else if constexpr (std::is_same_v<M, helper::Move>) {
                state->bounds = m.bounds;
                place();
            } else if constexpr (std::is_same_v<M, helper::Hide>) {
                set_hidden(m.hidden);
            } else if constexpr (std::is_same_v<M, helper::Reply>) {
                answer(m);
            }
        },
        *message);
}

gboolean on_channel(gint, GIOCondition condition, gpointer) {
    if ((condition & G_IO_OUT) != 0 && !state->channel.flush()) leave(0);
    if ((condition & (G_IO_IN | G_IO_HUP | G_IO_ERR)) != 0 && !state->channel.receive(&handle)) {
        leave(0);
    }
    watch_channel();
    return G_SOURCE_CONTINUE;
}

// Watches the socket for input, and for room to write while frames wait.
void watch_channel() {
    const bool output = state->channel.wants_write();
    if (state->watch != 0 && output == state->watching_output) return;
    if (state->watch != 0) g_source_remove(state->watch);
    const auto condition = static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR |
                                                     (output ? G_IO_OUT : 0));
    state->watch = g_unix_fd_add(state->channel.fd(), condition, &on_channel, nullptr);
    state->watching_output = output;
}

int number(const char* text) {
    int value = -1;
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc{} && end == view.data() + view.size() ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    const int fd = number(argv[1]);
    const int parent = number(argv[2]);
    if (fd < 0 || parent <= 0) return 1;
    // Ends with the process that started it; if that one is already gone, at once.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) return 1;
    prctl(PR_SET_NAME, "ondrix-web-view");
    // WebKit's processes must not hold the socket open after this one ends; nothing else that
    // was handed down (the program's own descriptor) is needed.
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    close_range(static_cast<unsigned>(fd) + 1, ~0u, 0);

    State the_state(fd);
    state = &the_state;
    g_log_set_writer_func(&write_log, nullptr, nullptr);

    // One pixel of the host's window is one pixel of the page's; X11 only (the parent is an
    // X11 window).
    g_setenv("GDK_SCALE", "1", TRUE);
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) fail("The editor couldn't open the X11 display");
    gdk_event_handler_set(&on_gdk_event, nullptr, nullptr);
    watch_channel();
    gtk_main();
    return 0;
}
