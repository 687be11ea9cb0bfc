// ondrix-page-server as the page's browser tests use it: started with --port 0, spoken to over
// HTTP, and told to quit; and as hostile clients use it: one that never reads its answer, and
// more of them than the server has descriptors for.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "http.hpp"

namespace {

namespace fs = std::filesystem;

struct Reply {
    int status = 0;
    std::string head;
    std::string body;
};

class PageServer : public ::testing::Test {
  protected:
    void SetUp() override {
        home_ = fs::temp_directory_path() / ("ondrix-page-server-" + std::to_string(::getpid()));
        fs::create_directories(home_);
    }

    // Starts the server, with at most `descriptors` open files when given.
    void start(rlim_t descriptors = 0) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        pid_ = ::fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const rlimit limit{descriptors, descriptors};
            if (descriptors > 0 && ::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(126);
            ::execl(ONDRIX_PAGE_SERVER, ONDRIX_PAGE_SERVER, "--port", "0", "--home", home_.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        const std::string prefix = "listening on http://127.0.0.1:";
        ASSERT_EQ(line.substr(0, prefix.size()), prefix) << line;
        port_ = std::stoi(line.substr(prefix.size()));
    }

    void TearDown() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }

    // A connected socket, or -1. A read that waits for 5 s fails; a receive buffer of
    // `receive_buffer` bytes, when given, takes no more than that before it is read.
    int connect_to_server(int receive_buffer = 0) const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const timeval timeout{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        if (receive_buffer > 0) {
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
        ::close(fd);
        return -1;
    }

    static void send_all(int fd, const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
    }

    // The reply on a connection the request was sent on; closes it.
    static Reply receive(int fd) {
        Reply reply;
        std::string text;
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) text.append(buffer, n);
        ::close(fd);
        const auto end = text.find("\r\n\r\n");
        if (text.size() < 12 || end == std::string::npos) return reply;
        reply.status = std::stoi(text.substr(9, 3));
        reply.head = text.substr(0, end);
        reply.body = text.substr(end + 4);
        return reply;
    }

    Reply send(const std::string& request) {
        const int fd = connect_to_server();
        if (fd < 0) return {};
        send_all(fd, request);
        return receive(fd);
    }
    static std::string get_request(const std::string& target) {
        return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    }
    static std::string post_request(const std::string& target, const std::string& body) {
        return "POST " + target +
               " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\n\r\n" + body;
    }
    Reply get(const std::string& target) { return send(get_request(target)); }
    Reply post(const std::string& target, const std::string& body) {
        return send(post_request(target, body));
    }

    // The server's processor time so far, user and system, in seconds.
    double cpu_seconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        for (int i = 3; i < 14; ++i) fields >> field;  // state ... cmajflt
        long user = 0, system = 0;
        fields >> user >> system;
        return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

    fs::path home_;
    pid_t pid_ = -1;
    int port_ = 0;
};

TEST_F(PageServer, ServesThePageAndItsMessagesThenQuits) {
    ASSERT_NO_FATAL_FAILURE(start());
    // A browser's speculative connection that never sends anything holds nobody up.
    const int idle = connect_to_server();
    ASSERT_GE(idle, 0);

    const Reply index = get("/");
    EXPECT_EQ(index.status, 200);
    EXPECT_NE(index.head.find("\r\nContent-Type: text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(index.body.find("<title>Vantrel Ondrix</title>"), std::string::npos);

    const Reply folder = get("/assets");
    EXPECT_EQ(folder.status, 404);
    EXPECT_EQ(folder.body, "Not found");

    const Reply init = post("/__ipc", R"({"type":"invoke","id":7,"cmd":"plugin_init","args":{}})");
    EXPECT_EQ(init.status, 200);
    EXPECT_EQ(nlohmann::json::parse(init.body),
              (nlohmann::json{{"scripts",
                               {"window.__vtPlugin && window.__vtPlugin.receive("
                                R"({"id":7,"ok":true,"type":"reply","value":{"patch":null}}))"}},
                              {"zooms", nlohmann::json::array()}}));

    const auto config = nlohmann::json::parse(get("/__test/config").body);
    EXPECT_EQ(config["scheme"], "ondrix");
    EXPECT_EQ(config["start_url"], "ondrix://localhost/index.html");
    EXPECT_EQ(config["bounds"], nlohmann::json({0, 0, 1180, 760}));
    EXPECT_EQ(config["handler"], "ipc");
    EXPECT_EQ(config["scripts"][0]["source"], "window.__VANTREL_PLUGIN__ = true");

    const std::string state = R"({"patch":{"outputs":[{"cc":20}],"sources":[]},"version":1})";
    EXPECT_EQ(post("/__test/state", state).body, R"({"ok":true})");
    EXPECT_EQ(get("/__test/state").body, state);
    EXPECT_EQ(post("/__test/state", "{").body, R"({"ok":false})");

    EXPECT_EQ(send("NONSENSE\r\n\r\n").status, 400);
    const std::string over = std::to_string(ondrix_tools::MAX_BODY_SIZE + 1);
    EXPECT_EQ(send("POST /__ipc HTTP/1.1\r\nContent-Length: " + over + "\r\n\r\n").status, 400);
    EXPECT_EQ(post("/index.html", "").status, 405);

    ::close(idle);
    EXPECT_EQ(post("/__test/quit", "").status, 200);
    int status = 0;
    ASSERT_EQ(::waitpid(pid_, &status, 0), pid_);
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A browser driven without init scripts gets them from the page itself: each HTML document then
// loads the scripts first, in order, before the page's own module script.
TEST_F(PageServer, PutsTheStartScriptsATestSetsFirstInEveryPage) {
    ASSERT_NO_FATAL_FAILURE(start());
    const std::string none = get("/index.html").body;
    EXPECT_EQ(none.find("/__test/start-scripts/"), std::string::npos);

    EXPECT_EQ(post("/__test/start-scripts", R"(["window.a = 1", "window.b = '</script>'"])").body,
              R"({"ok":true})");
    const std::string page = get("/index.html").body;
    const auto tags = page.find(
        R"(<head><script src="/__test/start-scripts/0"></script>)"
        R"(<script src="/__test/start-scripts/1"></script>)");
    ASSERT_NE(tags, std::string::npos) << page;
    EXPECT_LT(tags, page.find(R"(<script type="module")"));
    const Reply second = get("/__test/start-scripts/1");
    EXPECT_EQ(second.body, "window.b = '</script>'");
    EXPECT_NE(second.head.find("\r\nContent-Type: text/javascript"), std::string::npos);
    for (const char* missing : {"/__test/start-scripts/2", "/__test/start-scripts/x",
                                "/__test/start-scripts/1x", "/__test/start-scripts/"}) {
        EXPECT_EQ(get(missing).status, 404) << missing;
    }

    // A list that is not all text changes nothing; an empty one gives the page back as it is.
    EXPECT_EQ(post("/__test/start-scripts", R"(["window.c = 1", 2])").body, R"({"ok":false})");
    EXPECT_EQ(post("/__test/start-scripts", "{").body, R"({"ok":false})");
    EXPECT_EQ(get("/index.html").body, page);
    EXPECT_EQ(post("/__test/start-scripts", "[]").body, R"({"ok":true})");
    EXPECT_EQ(get("/index.html").body, none);
}

TEST_F(PageServer, AClientThatReadsNothingHoldsUpNobody) {
    // A preset of 4 MiB, read back through the page's messages: an answer larger than what the
    // sockets hold between the server and a client that never reads it.
    const fs::path presets = home_ / "Documents" / "Vantrel Ondrix" / "Presets";
    fs::create_directories(presets);
    const std::string text =
        R"({"sources":[],"outputs":[],"about":")" + std::string(4 * 1024 * 1024 - 64, 'a') + "\"}";
    std::ofstream(presets / "big.vtond", std::ios::binary) << text;
    ASSERT_NO_FATAL_FAILURE(start());

    const int stuck = connect_to_server(4096);
    ASSERT_GE(stuck, 0);
    send_all(stuck, post_request("/__ipc", R"({"type":"invoke","id":1,"cmd":"preset_read",)"
                                           R"("args":{"name":"big"}})"));
    ::usleep(200'000);  // the server has started on its answer

    EXPECT_EQ(get("/").status, 200);
    EXPECT_EQ(post("/__ipc", R"({"type":"invoke","id":2,"cmd":"presets_list","args":{}})").status,
              200);

    // Read at last, the answer is whole.
    const Reply big = receive(stuck);
    EXPECT_EQ(big.status, 200);
    EXPECT_NE(big.body.find(std::string(4 * 1024 * 1024 - 64, 'a')), std::string::npos);
}

TEST_F(PageServer, OutOfDescriptorsItMakesRoomInsteadOfSpinning) {
    ASSERT_NO_FATAL_FAILURE(start(48));
    // Clients that connect and send nothing, more than the server has descriptors for.
    std::vector<int> idle;
    for (int i = 0; i < 80; ++i) {
        const int fd = connect_to_server();
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
    }
    ::usleep(300'000);

    // A server that asked again at once for the client it has no descriptor for would take all
    // of a processor; one that makes room is at rest.
    const double before = cpu_seconds();
    ::usleep(1'000'000);
    EXPECT_LT(cpu_seconds() - before, 0.5);

    // The oldest idle connection gives way to a client with a request.
    EXPECT_EQ(get("/").status, 200);
    for (const int fd : idle) ::close(fd);
}

TEST(PageServerUsage, HelpGoesToStandardOutput) {
    FILE* help = ::popen(ONDRIX_PAGE_SERVER " --help 2>/dev/null", "r");
    ASSERT_NE(help, nullptr);
    std::string text;
    char buffer[256];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, help)) text.append(buffer, n);
    const int status = ::pclose(help);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(text.rfind("usage: ondrix-page-server [--port N] [--home DIR]\n", 0), 0u) << text;
}

}  // namespace
