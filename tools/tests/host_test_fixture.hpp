// What the command-line hosts' tests share: a folder of the test's own, and a stand-in module
// that journals the calls it gets.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace ondrix_tools_test {

namespace fs = std::filesystem;

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A test with a folder of its own, "<prefix>-<pid>-<test name>" in the temporary folder, removed
// with what it holds when the test ends.
class FolderTest : public ::testing::Test {
  protected:
    explicit FolderTest(std::string prefix) : prefix_(std::move(prefix)) {}

    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (prefix_ + "-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Writes text to the file `name` in the folder; gives its path.
    std::string write(const std::string& name, const std::string& text) const {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    fs::path dir_;

  private:
    std::string prefix_;
};

// A host's test against a stand-in module, kept loaded for the whole test so that its journal
// outlives the host's dlclose. Reset is the type of the module's function that clears the
// journal (and may arm a failure). What the host prints goes to out_ and err_.
template <class Reset>
class FakeModuleTest : public FolderTest {
  protected:
    FakeModuleTest(const char* module, const char* reset, const char* journal, std::string prefix)
        : FolderTest(std::move(prefix)),
          module_(module),
          reset_name_(reset),
          journal_name_(journal) {}

    void SetUp() override {
        FolderTest::SetUp();
        handle_ = dlopen(module_, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        reset_ = reinterpret_cast<Reset*>(dlsym(handle_, reset_name_));
        journal_ = reinterpret_cast<const char* (*)()>(dlsym(handle_, journal_name_));
        ASSERT_NE(reset_, nullptr);
        ASSERT_NE(journal_, nullptr);
    }
    void TearDown() override {
        FolderTest::TearDown();
        if (handle_ != nullptr) dlclose(handle_);
    }

    // The journal whole, without its per-block lines, and those lines apart.
    std::string journal() const { return journal_(); }
    std::vector<std::string> lifecycle() const { return select(false); }
    std::vector<std::string> blocks() const { return select(true); }

    Reset* reset_ = nullptr;
    std::ostringstream out_;
    std::ostringstream err_;

  private:
    std::vector<std::string> select(bool process_lines) const {
        std::vector<std::string> result;
        for (const std::string& line : lines(journal_())) {
            if ((line.rfind("process ", 0) == 0) == process_lines) result.push_back(line);
        }
        return result;
    }

    const char* module_;
    const char* reset_name_;
    const char* journal_name_;
    void* handle_ = nullptr;
    const char* (*journal_)() = nullptr;
};

}  // namespace ondrix_tools_test
