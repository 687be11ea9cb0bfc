#include "editor/helper/helper_web_view.hpp"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "editor/helper/channel.hpp"
#include "editor/helper/messages.hpp"
#include "editor/helper/process.hpp"

namespace vantrel_ondrix_plugin::editor::helper {
namespace {

// A helper process and the plug-in's end of its socket. Writes wait in the channel's queue, so
// the host's main thread never blocks on the helper; the host loop watches the socket and the
// editor pumps this view when it is ready. Thread: main thread. Owner: the editor page.
class HelperWebView final : public WebView {
  public:
    HelperWebView(WebViewConfig config, Process process, int socket)
        : config_(std::move(config)), process_(std::move(process)), channel_(socket) {}

    ~HelperWebView() override {
        if (watching_) config_.loop->unwatch(channel_.fd());
        // Closing the socket ends the helper by itself; ending its group as well makes sure
        // nothing of it (nor of WebKit's own processes) is left.
        channel_.close();
        process_.end();
    }

    bool start(HostView parent) {
        send(Open{parent, config_.bounds, config_.scheme, scripts(), config_.start_url,
                  config_.handler});
        return rewatch();
    }

    // True also once the host destroyed the parent: there is nothing to resize, and the next
    // parent's web view takes the editor's size.
    bool set_bounds(const Bounds& bounds) override {
        send(Move{bounds});
        // The helper may have ended before the host loop said so.
        if (!channel_.open() && !ended_) ended();
        return channel_.open() || parent_gone_;
    }
    void set_hidden(bool hidden) override { send(Hide{hidden}); }
    void set_page_zoom(double factor) override { send(Zoom{factor}); }
    void evaluate_script(std::string_view script) override {
        evaluate_script_parts(std::span(&script, 1));
    }
    // The page is sent a script every display frame: it goes into the socket from its parts as
    // they are, never joined into one text.
    void evaluate_script_parts(std::span<const std::string_view> parts) override {
        constexpr std::size_t MOST_PARTS = 4;
        if (parts.size() > MOST_PARTS) {
            WebView::evaluate_script_parts(parts);
            return;
        }
        std::size_t size = 0;
        for (const std::string_view part : parts) size += part.size();
        const std::string head = evaluate_head(size);
        std::array<std::string_view, MOST_PARTS + 1> frame{head};
        std::copy(parts.begin(), parts.end(), frame.begin() + 1);
        send_frame(std::span(frame).first(parts.size() + 1));
    }

    void pump() override {
        if (ended_) return;
        channel_.flush();
        if (channel_.receive([this](std::string_view frame) { handle(frame); })) {
            rewatch();
            return;
        }
        ended();
    }

  private:
    std::vector<Script> scripts() const {
        std::vector<Script> scripts;
        for (const UserScript& script : config_.scripts) {
            scripts.push_back(Script{script.source, script.main_frame_only});
        }
        return scripts;
    }

    void send(const ToHelper& message) {
        const std::string frame = encode(message);
        send_frame(std::array<std::string_view, 1>{frame});
    }

    void send_frame(std::span<const std::string_view> pieces) {
        if (!channel_.open()) return;
        channel_.send(pieces);
        if (channel_.open()) rewatch();
    }

    // Watches the socket for input, and for room to write while frames wait.
    bool rewatch() {
        const bool writable = channel_.wants_write();
        if (watching_ && writable == watching_writable_) return true;
        if (!config_.loop->watch(channel_.fd(), writable)) return false;
        watching_ = true;
        watching_writable_ = writable;
        return true;
    }

    void handle(std::string_view frame) {
        const auto message = decode_from_helper(frame);
        if (!message) {
            failure_ = "The editor's web view sent a message that isn't one";
            channel_.close();
            return;
        }
        std::visit(
            [this](const auto& m) {
                using M = std::decay_t<decltype(m)>;
                if constexpr (std::is_same_v<M, Ready>) {
                    ready_ = true;
                } else if constexpr (std::is_same_v<M, Post>) {
                    // A copy: the handler may release this view.
                    const auto on_message = config_.on_message;
                    on_message(m.text);
                } else if constexpr (std::is_same_v<M, Request>) {
                    const Response response = config_.on_request(m.url);
                    Reply reply{m.id, response.status, {}, std::string(response.body)};
                    for (const Header& header : response.headers) {
                        reply.headers.emplace_back(header.name, header.value);
                    }
                    send(reply);
                } else if constexpr (std::is_same_v<M, Failed>) {
                    failure_ = m.reason;
                }
            },
            *message);
    }

    // The helper is gone: it is reaped and the reason logged, unless it ended because the host
    // destroyed its parent window; the view stays inert.
    void ended() {
        ended_ = true;
        if (watching_) config_.loop->unwatch(channel_.fd());
        watching_ = false;
        channel_.close();
        const std::optional<int> status = process_.end();
        if (status && WIFEXITED(*status) && WEXITSTATUS(*status) == PARENT_GONE) {
            parent_gone_ = true;
            return;
        }
        std::string line;
        if (failure_) {
            line = *failure_;
        } else if (!ready_ && status && WIFEXITED(*status) &&
                   WEXITSTATUS(*status) == LIBRARY_MISSING) {
            line = WEBKITGTK_MISSING;
        } else {
            line = "The editor's web view ended (" +
                   (status ? describe_status(*status) : std::string("status unknown")) +
                   "); close and open the editor to start it again";
        }
        config_.loop->log(line);
    }

    WebViewConfig config_;
    Process process_;
    Channel channel_;
    bool watching_ = false;
    bool watching_writable_ = false;
    bool ready_ = false;
    bool ended_ = false;
    bool parent_gone_ = false;
    std::optional<std::string> failure_;
};

}  // namespace

std::unique_ptr<WebView> start_helper_web_view(HostView parent, WebViewConfig config) {
    if (config.loop == nullptr) return nullptr;
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return nullptr;
    std::string error;
    std::optional<Process> process = Process::start(sockets[1], error);
    ::close(sockets[1]);
    if (!process) {
        ::close(sockets[0]);
        config.loop->log(error);
        return nullptr;
    }
    HostLoop* loop = config.loop;
    auto view = std::make_unique<HelperWebView>(std::move(config), std::move(*process), sockets[0]);
    if (!view->start(parent)) {
        loop->log("The host refused to watch the editor's socket");
        return nullptr;
    }
    return view;
}

}  // namespace vantrel_ondrix_plugin::editor::helper

namespace vantrel_ondrix_plugin::editor {

std::unique_ptr<WebView> make_platform_web_view(HostView parent, WebViewConfig config) {
    return helper::start_helper_web_view(parent, std::move(config));
}

}  // namespace vantrel_ondrix_plugin::editor
