// Temporary folders and loaded copies of the test modules. Thread: the test's thread. Owner: the
// test.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace clap_host_testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "clap-host-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Makes the folder at relative (and its parents) and returns its path.
    std::filesystem::path folder(const std::filesystem::path& relative) const {
        std::filesystem::create_directories(path_ / relative);
        return path_ / relative;
    }

    // Copies the file at from to relative, making the folders on the way.
    std::filesystem::path copy(const std::filesystem::path& from,
                               const std::filesystem::path& relative) const {
        folder(relative.parent_path());
        std::filesystem::copy_file(from, path_ / relative);
        return path_ / relative;
    }

  private:
    std::filesystem::path path_;
};

// A module opened by the test itself, so that it stays loaded whatever the code under test
// does, and a function of it.
class OpenModule {
  public:
    explicit OpenModule(const std::filesystem::path& path)
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) ADD_FAILURE() << dlerror();
    }
    ~OpenModule() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    OpenModule(const OpenModule&) = delete;
    OpenModule& operator=(const OpenModule&) = delete;

    template <class F>
    F* function(const char* name) const {
        return handle_ != nullptr ? reinterpret_cast<F*>(dlsym(handle_, name)) : nullptr;
    }

  private:
    void* handle_;
};

}  // namespace clap_host_testing
