#include "sdk/module_init.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string>& calls() {
    static std::vector<std::string> list;
    return list;
}

// Registered in an order that differs from their priorities.
const Steinberg::ModuleInitializer lateInit([] { calls().push_back("init 0x7fffffff"); }, 0x7fffffff);
const Steinberg::ModuleInitializer firstInit([] { calls().push_back("init 1"); }, 1);
const Steinberg::ModuleInitializer defaultInitA([] { calls().push_back("init 100 a"); });
const Steinberg::ModuleInitializer defaultInitB([] { calls().push_back("init 100 b"); });
const Steinberg::ModuleTerminator lateExit([] { calls().push_back("exit 0x7fffffff"); }, 0x7fffffff);
const Steinberg::ModuleTerminator firstExit([] { calls().push_back("exit 5"); }, 5);

TEST(ModuleEntry, RunsInitialisersOnFirstEntryAndTerminatorsOnLastExitByPriority) {
    calls().clear();
    EXPECT_FALSE(bundleExit());  // no entry open: nothing runs
    EXPECT_TRUE(calls().empty());

    EXPECT_TRUE(bundleEntry(nullptr));
    EXPECT_TRUE(bundleEntry(nullptr));
    EXPECT_EQ(calls(), (std::vector<std::string>{"init 1", "init 100 a", "init 100 b",
                                                 "init 0x7fffffff"}));
    calls().clear();
    EXPECT_TRUE(bundleExit());
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(bundleExit());
    EXPECT_EQ(calls(), (std::vector<std::string>{"exit 5", "exit 0x7fffffff"}));
    calls().clear();
    EXPECT_FALSE(bundleExit());
    EXPECT_TRUE(calls().empty());

    // A new first entry runs them again.
    EXPECT_TRUE(bundleEntry(nullptr));
    EXPECT_EQ(calls().size(), 4u);
    EXPECT_TRUE(bundleExit());
}

}  // namespace
