#include "sdk/module_init.hpp"

#include <stdexcept>
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
bool failEntry = false;
const Steinberg::ModuleInitializer failingInit([] {
    if (failEntry) {
        throw std::runtime_error("cannot start");
    }
});
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

namespace {

// An initialiser that throws fails the entry without unwinding into the host; the entry stays
// closed, so the next one runs the initialisers again.
TEST(ModuleEntry, AFailingInitialiserFailsTheEntryAndLeavesItClosed) {
    calls().clear();
    failEntry = true;
    EXPECT_FALSE(bundleEntry(nullptr));
    failEntry = false;
    EXPECT_FALSE(bundleExit());
    calls().clear();
    EXPECT_TRUE(bundleEntry(nullptr));
    EXPECT_EQ(calls().size(), 4u);
    EXPECT_TRUE(bundleExit());
}

}  // namespace
