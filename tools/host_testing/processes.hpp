#pragma once

// The processes an editor leaves running, read from /proc.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace ondrix_host_testing {

struct ProcessInfo {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    char state = '?';
    std::string name;
};

std::vector<ProcessInfo> all_processes();
// The live (not zombie) children of `parent` named `name`.
std::vector<pid_t> children_named(pid_t parent, const std::string& name);
// Every process in the group `group`, zombies included.
std::vector<ProcessInfo> group_members(pid_t group);
// The live (not zombie) processes of the group `group` named `name`.
std::vector<pid_t> group_members_named(pid_t group, const std::string& name);

// No process `pid` exists, not even a zombie (it ended and was reaped).
bool process_gone(pid_t pid);

// Makes this process the reaper of the orphans of its descendants, so that processes which
// outlive their parent stay visible to the test (and are reaped by it).
void become_subreaper();
// Reaps each of `pids` that ends (as a zombie child of this process or not at all) within
// `limit`; returns those still running after it.
std::vector<pid_t> still_running(const std::vector<pid_t>& pids, std::chrono::milliseconds limit);

}  // namespace ondrix_host_testing
