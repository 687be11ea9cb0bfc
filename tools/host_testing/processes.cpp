#include "processes.hpp"

#include <sys/prctl.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace ondrix_host_testing {
namespace {

// /proc/PID/stat: "pid (name) state ppid pgrp ..."; the name may hold spaces and parentheses.
bool read_stat(pid_t pid, ProcessInfo& info) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return false;
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return false;
    info.pid = pid;
    info.name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 2));
    rest >> info.state >> info.parent >> info.group;
    return static_cast<bool>(rest);
}

}  // namespace

std::vector<ProcessInfo> all_processes() {
    std::vector<ProcessInfo> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        ProcessInfo info;
        if (read_stat(std::stoi(name), info)) found.push_back(info);
    }
    return found;
}

std::vector<pid_t> children_named(pid_t parent, const std::string& name) {
    std::vector<pid_t> found;
    for (const ProcessInfo& info : all_processes()) {
        if (info.parent == parent && info.name == name && info.state != 'Z') {
            found.push_back(info.pid);
        }
    }
    return found;
}

std::vector<ProcessInfo> group_members(pid_t group) {
    std::vector<ProcessInfo> found;
    for (const ProcessInfo& info : all_processes()) {
        if (info.group == group) found.push_back(info);
    }
    return found;
}

std::vector<pid_t> group_members_named(pid_t group, const std::string& name) {
    std::vector<pid_t> found;
    for (const ProcessInfo& info : group_members(group)) {
        if (info.name == name && info.state != 'Z') found.push_back(info.pid);
    }
    return found;
}

bool process_gone(pid_t pid) {
    return !std::filesystem::exists("/proc/" + std::to_string(pid));
}

void become_subreaper() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

std::vector<pid_t> still_running(const std::vector<pid_t>& pids, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<pid_t> running;
    for (;;) {
        running.clear();
        for (const pid_t pid : pids) {
            waitpid(pid, nullptr, WNOHANG);
            ProcessInfo info;
            if (read_stat(pid, info) && info.state != 'Z') running.push_back(pid);
        }
        if (running.empty() || std::chrono::steady_clock::now() >= deadline) return running;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace ondrix_host_testing
