#include "editor_window.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "processes.hpp"

namespace ondrix_host_testing {
namespace {

using namespace std::chrono_literals;

// Kibibytes of one line ("Rss:", "Pss:") of the process's smaps_rollup; 0 if none.
long memory_kib(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string word;
    while (in >> word) {
        if (word == key) {
            long kib = 0;
            in >> kib;
            return kib;
        }
    }
    return 0;
}

}  // namespace

std::vector<pid_t> EditorWindow::helpers() {
    return children_named(getpid(), HELPER);
}

bool EditorWindow::wait_for_child(int width, int height, bool viewable) {
    return loop.run_until(
        [&] {
            const auto children = parent.children();
            return std::any_of(children.begin(), children.end(), [&](const ChildWindow& c) {
                return c.viewable == viewable && c.width == width && c.height == height;
            });
        },
        PAGE_LIMIT);
}

bool EditorWindow::wait_for_page(const std::string& name) {
    const std::string path = screenshot_path(name);
    const auto drawn = [&] { return parent.screenshot(path) > 64; };
    bool done = false;
    const auto deadline = std::chrono::steady_clock::now() + PAGE_LIMIT;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        loop.run_for(200ms);
        done = drawn();
    }
    // Once more after the page settled, for the picture.
    loop.run_for(300ms);
    drawn();
    return done;
}

bool EditorWindow::wait_for_no_child(std::chrono::milliseconds limit) {
    return loop.run_until([&] { return parent.children().empty(); }, limit);
}

std::string test_name() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

std::string screenshot_path(const std::string& name) {
    std::filesystem::create_directories(ONDRIX_SCREENSHOT_DIR);
    return std::string(ONDRIX_SCREENSHOT_DIR) + "/" + name + ".png";
}

void expect_starter_patch(const std::string& before, const std::string& after) {
    const auto document = nlohmann::json::parse(after);
    EXPECT_NE(document, nlohmann::json::parse(before));
    const auto& patch = document.at("patch");
    ASSERT_EQ(patch.at("outputs").size(), 64u);
    EXPECT_EQ(patch.at("sources").size(), 16u);
    EXPECT_EQ(patch.at("tempo"), 120);
    for (int n = 0; n < 64; ++n) {
        EXPECT_EQ(patch["outputs"][n].value("enabled", false), n < 2) << "output " << n;
    }
}

HelperMemory helper_memory() {
    HelperMemory memory;
    for (const pid_t helper : EditorWindow::helpers()) {
        for (const ProcessInfo& member : group_members(helper)) {
            memory.rss_kib += memory_kib(member.pid, "Rss:");
            memory.pss_kib += memory_kib(member.pid, "Pss:");
            ++memory.processes;
        }
    }
    return memory;
}

}  // namespace ondrix_host_testing
