// Without an entry of its own, the module looks for a .clap named after its bundle.
#include <cstdlib>
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "clap/library.hpp"
#include "entry/factory.hpp"
#include "factory_fixture.hpp"
#include "os/paths.hpp"
#include "sdk/plugin_factory.hpp"
#include "test_files.hpp"

namespace entry_testing {
namespace {

using clap_host_testing::TempFolder;
using ::testing::Contains;

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FindPlugin, LoadsAClapNamedAfterTheBundleOnceOneIsThere) {
    TempFolder folder;
    const ScopedEnvironment clapPath("CLAP_PATH", folder.folder("clap").string());
    const ScopedEnvironment home("HOME", folder.folder("home").string());
    Clap::Library library;
    ASSERT_FALSE(library.hasEntryPoint());
    Vst3Adapter::CreationContexts contexts;
    std::optional<Steinberg::PFactoryInfo> info;
    const Vst3Adapter::ModuleFactoryState module{library, contexts, info, &createForTest};
    const std::string name = os::getBinaryName() + ".clap";

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Vst3Adapter::getPluginFactory(module), nullptr);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_THAT(logMessages(out),
                Contains("scanning for binary: " + (folder.path() / "clap" / name).string()));
    for (const vst3_testing::LogLine& line : vst3_testing::logLines(out)) {
        EXPECT_EQ(line.function, "findPlugin") << line.message;
        EXPECT_EQ(line.file, __FILE__) << "where the factory was asked for";
    }

    folder.copy(ONDRIX_TEST_COUNTING_MODULE, std::filesystem::path("clap") / "Sub" / name);
    ::testing::internal::CaptureStdout();
    Steinberg::IPluginFactory* factory = Vst3Adapter::getPluginFactory(module);
    const auto log = logMessages(::testing::internal::GetCapturedStdout());
    ASSERT_NE(factory, nullptr);
    EXPECT_THAT(log, Contains("scanning for binary: " +
                              (folder.path() / "clap" / "Sub" / name).string()));
    EXPECT_THAT(log, Contains("  plugin #0: 'Test Module'"));
    EXPECT_THAT(log, Contains("created factory for vendor 'Unspecified Vendor'"));
    EXPECT_EQ(factory->countClasses(), 1);
    EXPECT_EQ(factory->release(), 0u);
}

}  // namespace
}  // namespace entry_testing
