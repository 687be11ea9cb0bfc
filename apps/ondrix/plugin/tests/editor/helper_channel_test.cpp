// The socket between the plug-in and its web view helper: messages survive the trip whole, the
// writer never blocks however much waits, and a broken or closed peer is noticed.
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "editor/helper/channel.hpp"
#include "editor/helper/messages.hpp"

namespace vantrel_ondrix_plugin::editor::helper {
namespace {

TEST(HelperMessages, EachKindReadsBackAsItWasWritten) {
    const std::vector<ToHelper> to_helper{
        Open{0x1234'5678'9abcULL, {0, 0, 1180, 760}, "ondrix",
             {{"window.a = 1", true}, {"window.b = 2", false}}, "ondrix://localhost/index.html",
             "ipc"},
        Evaluate{"window.ipc && 1"},
        Zoom{1.25},
        Move{{1, 2, 900.5, 560}},
        Hide{true},
        Reply{7, 404, {}, "Not found"},
        Reply{8, 200, {{"Content-Type", "application/wasm"}}, std::string("\0\x01\xff", 3)},
    };
    for (const ToHelper& message : to_helper) {
        SCOPED_TRACE(message.index());
        EXPECT_EQ(decode_to_helper(encode(message)), message);
    }
    const std::vector<FromHelper> from_helper{
        Ready{42}, Post{"{\"cmd\":\"plugin_init\"}"}, Request{3, "ondrix://localhost/"},
        Failed{"The editor couldn't open the X11 display"}};
    for (const FromHelper& message : from_helper) {
        SCOPED_TRACE(message.index());
        EXPECT_EQ(decode_from_helper(encode(message)), message);
    }
}

TEST(HelperMessages, AScriptSentAfterItsHeadIsAnEvaluate) {
    for (const std::string& script :
         std::vector<std::string>{"", "window.__vtPlugin && 1", std::string(70000, 'x')}) {
        SCOPED_TRACE(script.size());
        EXPECT_EQ(evaluate_head(script.size()) + script, encode(ToHelper{Evaluate{script}}));
    }
}

TEST(HelperMessages, AFrameThatIsNotAWholeMessageIsRefused) {
    const std::string post = encode(FromHelper{Post{"hello"}});
    std::string unknown_kind = post;
    unknown_kind[0] = '\x09';
    std::string left_over = post;
    left_over.push_back('!');
    // An Open cut after its scheme, then a script count far beyond what follows.
    std::string long_list = encode(ToHelper{Open{1, {}, "ondrix", {}, "", ""}}).substr(0, 51);
    long_list.append("\xff\xff\xff\x7f", 4);
    const struct {
        const char* name;
        std::string frame;
    } cases[] = {
        {"empty", ""},
        {"unknown kind", unknown_kind},
        {"cut short", post.substr(0, post.size() - 1)},
        {"bytes left over", left_over},
        {"a list longer than the frame", long_list},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(decode_from_helper(c.frame));
        EXPECT_FALSE(decode_to_helper(c.frame));
    }
}

class ChannelPair : public ::testing::Test {
  protected:
    ChannelPair() {
        int fds[2];
        socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
        writer = std::make_unique<Channel>(fds[0]);
        reader = std::make_unique<Channel>(fds[1]);
    }
    // Reads and writes until nothing waits to be written; the frames read.
    std::vector<std::string> exchange() {
        std::vector<std::string> frames;
        for (int round = 0; round < 10000; ++round) {
            writer->flush();
            reader->receive([&](std::string_view frame) { frames.emplace_back(frame); });
            if (!writer->wants_write()) break;
        }
        reader->receive([&](std::string_view frame) { frames.emplace_back(frame); });
        return frames;
    }

    std::unique_ptr<Channel> writer;
    std::unique_ptr<Channel> reader;
};

TEST_F(ChannelPair, FramesLargerThanTheSocketHoldsWaitWithoutBlockingAndArriveWhole) {
    const std::string big(3u << 20, 'w');
    writer->send("first");
    // A frame sent from pieces; the socket takes part of it and the rest waits.
    writer->send(std::array<std::string_view, 3>{"(", big, ")"});
    writer->send("");
    writer->send(std::array<std::string_view, 2>{"la", "st"});
    EXPECT_TRUE(writer->wants_write()) << "the socket cannot hold 3 MiB at once";
    EXPECT_EQ(exchange(), (std::vector<std::string>{"first", "(" + big + ")", "", "last"}));
    EXPECT_FALSE(writer->wants_write());
}

TEST_F(ChannelPair, APeerThatClosesOrSendsAnOversizedFrameEndsTheChannel) {
    writer->send("said before closing");
    writer->close();
    std::vector<std::string> frames;
    const auto on_frame = [&](std::string_view frame) { frames.emplace_back(frame); };
    // What was said comes first; the end shows by the next read.
    reader->receive(on_frame);
    EXPECT_EQ(frames, std::vector<std::string>{"said before closing"});
    EXPECT_FALSE(reader->receive(on_frame));
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_FALSE(reader->open());

    int fds[2];
    socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    Channel channel(fds[1]);
    const char huge_length[4] = {'\xff', '\xff', '\xff', '\x7f'};
    ASSERT_EQ(write(fds[0], huge_length, 4), 4);
    EXPECT_FALSE(channel.receive([](std::string_view) { ADD_FAILURE(); }));
    close(fds[0]);
}

}  // namespace
}  // namespace vantrel_ondrix_plugin::editor::helper
