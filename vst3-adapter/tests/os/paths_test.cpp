#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// The probe module, copied into a bundle as a host finds it, reports the bundle's folder, the
// bundle's name and the name of the folder holding it.
TEST(ModulePaths, NameTheBundleAndTheFolderHoldingIt) {
    const fs::path root = fs::temp_directory_path() / ("ondrix-paths-" + std::to_string(getpid()));
    const fs::path bundle = root / "Holder" / "Probe.vst3";
    const fs::path binary = bundle / "Contents" / "x86_64-linux" / "Probe.so";
    fs::create_directories(binary.parent_path());
    fs::copy_file(ONDRIX_PATH_PROBE, binary, fs::copy_options::overwrite_existing);

    void* module = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using Probe = void (*)(char*, char*, char*, std::size_t);
    auto probe = reinterpret_cast<Probe>(dlsym(module, "probe_paths"));
    ASSERT_NE(probe, nullptr);
    char path[4096], name[4096], parent[4096];
    probe(path, name, parent, sizeof path);
    dlclose(module);
    fs::remove_all(root);

    EXPECT_EQ(fs::path(path), bundle);
    EXPECT_STREQ(name, "Probe");
    EXPECT_STREQ(parent, "Holder");
}

}  // namespace
