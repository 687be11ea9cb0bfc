#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap/search_paths.hpp"
#include "test_files.hpp"

namespace clap_host_testing {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<fs::path>;

// Sets an environment variable, or unsets it for nullopt, until the end of the scope.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

// Runs in a fresh working folder, so relative folder names name nothing.
class ScopedWorkingFolder {
  public:
    explicit ScopedWorkingFolder(const fs::path& folder) : old_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~ScopedWorkingFolder() { fs::current_path(old_); }
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

  private:
    fs::path old_;
};

TEST(SearchPaths, SystemFoldersComeFromHomeAndTheStandardFolder) {
    const TempFolder home;
    const ScopedVariable homeVariable("HOME", home.path().string());
    EXPECT_EQ(Clap::getMacCLAPSearchPaths(), (Paths{home.path() / ".clap", "/usr/lib/clap"}));

    const ScopedVariable noHome("HOME", std::nullopt);
    EXPECT_EQ(Clap::getMacCLAPSearchPaths(), (Paths{"/usr/lib/clap"}));
}

TEST(SearchPaths, ClapPathAddsItsPiecesAfterTheSystemFolders) {
    const TempFolder home;
    const TempFolder working;
    const ScopedVariable homeVariable("HOME", home.path().string());
    const ScopedWorkingFolder inWorking(working.path());
    const Paths system = Clap::getMacCLAPSearchPaths();

    const std::vector<std::pair<std::optional<std::string>, Paths>> cases = {
        {"a:b", {"a", "b"}},      {"a:", {"a"}}, {":a", {"", "a"}},
        {"a::b", {"a", "", "b"}}, {"", {}},      {std::nullopt, {}},
    };
    for (const auto& [value, pieces] : cases) {
        SCOPED_TRACE(value.value_or("(unset)"));
        const ScopedVariable clapPath("CLAP_PATH", value);
        Paths expected = system;
        expected.insert(expected.end(), pieces.begin(), pieces.end());
        if (fs::exists("/usr/lib/clap")) {
            // This machine's own CLAP folder adds its subfolders at the end.
            const Paths found = Clap::getValidCLAPSearchPaths();
            ASSERT_GE(found.size(), expected.size());
            EXPECT_EQ(Paths(found.begin(), found.begin() + expected.size()), expected);
        } else {
            EXPECT_EQ(Clap::getValidCLAPSearchPaths(), expected);
        }
    }
}

TEST(SearchPaths, EveryRealFolderBelowIsListedOnceWhateverTheLinks) {
    const TempFolder home;
    const TempFolder tree;
    const ScopedVariable homeVariable("HOME", home.path().string());
    const fs::path root = tree.folder("root");
    tree.folder("root/x/y");
    tree.folder("root/w");
    fs::create_directory_symlink(root, root / "x" / "up");  // a loop back to the top
    fs::create_directory_symlink(root / "x", root / "z");   // a second way into x
    fs::create_directory_symlink(tree.path() / "nowhere", root / "dangling");
    std::ofstream(root / "w" / "file.clap") << "";
    const ScopedVariable clapPath("CLAP_PATH", (root.string() + ":" + root.string()));

    const Paths found = Clap::getValidCLAPSearchPaths();
    const Paths system = Clap::getMacCLAPSearchPaths();
    ASSERT_GE(found.size(), system.size() + 2);
    EXPECT_EQ(found[system.size()], root);
    EXPECT_EQ(found[system.size() + 1], root) << "the listed folders stay as given";

    std::map<fs::path, int> listings;
    for (auto it = found.begin() + system.size() + 2; it != found.end(); ++it) {
        ++listings[fs::canonical(*it)];
    }
    const fs::path real = fs::canonical(root);
    EXPECT_EQ(listings,
              (std::map<fs::path, int>{{real / "x", 1}, {real / "x" / "y", 1}, {real / "w", 1}}));
}

// What a probe module reports, line by line: "bundle", "entry", "plugin", "init path",
// "inits", "first search folder".
std::map<std::string, std::string> probe(const fs::path& module) {
    const OpenModule open(module);
    auto* report = open.function<const char*()>("bundle_probe");
    std::map<std::string, std::string> facts;
    if (report == nullptr) return facts;
    std::istringstream lines(report());
    for (std::string line; std::getline(lines, line);) {
        for (const char* key :
             {"bundle", "entry", "plugin", "init path", "inits", "first search folder"}) {
            const std::string prefix = std::string(key) + " ";
            if (line.rfind(prefix, 0) == 0 && facts.count(key) == 0) {
                facts[key] = line.substr(prefix.size());
                break;
            }
        }
    }
    return facts;
}

TEST(BundlePath, AModuleInABundlesContentsFindsItsOwnEntry) {
    const TempFolder temp;
    const TempFolder home;
    const ScopedVariable homeVariable("HOME", home.path().string());
    const fs::path bundle = temp.path() / "Probe.vst3";
    const fs::path inBundle =
        temp.copy(ONDRIX_TEST_BUNDLE_PROBE, "Probe.vst3/Contents/x86_64-linux/Probe.so");
    temp.folder("Probe.vst3/Contents/PlugIns");
    const fs::path outside = temp.copy(ONDRIX_TEST_BUNDLE_PROBE, "Plain/x86_64-linux/Probe.so");

    const auto inside = probe(inBundle);
    EXPECT_EQ(inside, (std::map<std::string, std::string>{
                          {"bundle", bundle.string()},
                          {"entry", "yes"},
                          {"plugin", "test.module"},
                          {"init path", bundle.string()},
                          {"inits", "1 deinits 1"},
                          {"first search folder", (bundle / "Contents" / "PlugIns").string()},
                      }));

    const auto plain = probe(outside);
    EXPECT_EQ(plain, (std::map<std::string, std::string>{
                         {"bundle", ""},
                         {"entry", "no"},
                         {"init path", ""},
                         {"inits", "0 deinits 0"},
                         {"first search folder", (home.path() / ".clap").string()},
                     }));
}

}  // namespace
}  // namespace clap_host_testing
