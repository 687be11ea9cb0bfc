#include "search_paths.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <set>
#include <string_view>
#include <system_error>

namespace Clap {
namespace fs = std::filesystem;
namespace {

// Appends every folder below `folder` to `out`, depth first, following links to folders. A
// folder whose real path is in `seen` is neither listed nor entered again, so a link back up
// the tree ends the walk there. A folder that cannot be read is skipped, as is an entry whose
// kind or real path cannot be found.
void walkFolders(const fs::path& folder, std::set<fs::path>& seen, std::vector<fs::path>& out) {
    std::error_code error;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        std::error_code entryError;
        if (!it->is_directory(entryError) || entryError) continue;
        const fs::path real = fs::canonical(it->path(), entryError);
        if (entryError || !seen.insert(real).second) continue;
        out.push_back(it->path());
        walkFolders(it->path(), seen, out);
    }
}

// The pieces of a ":"-separated list: every piece before a ":" (an empty one too), and the last
// piece when it is not empty.
std::vector<fs::path> splitPathList(std::string_view list) {
    std::vector<fs::path> pieces;
    for (std::size_t colon; (colon = list.find(':')) != std::string_view::npos;) {
        pieces.emplace_back(list.substr(0, colon));
        list.remove_prefix(colon + 1);
    }
    if (!list.empty()) pieces.emplace_back(list);
    return pieces;
}

}  // namespace

fs::path sharedLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&sharedLibraryPath), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
        return {};
    }
    return fs::path(info.dli_fname);
}

fs::path sharedLibraryBundlePath() {
    try {
        const fs::path module = sharedLibraryPath();
        if (module.empty()) return {};
        const fs::path contents = module.parent_path().parent_path();
        if (contents.filename() != "Contents" || !contents.has_parent_path()) return {};
        return contents.parent_path();
    } catch (const std::exception&) {
        return {};
    }
}

std::vector<fs::path> getMacCLAPSearchPaths() {
    std::vector<fs::path> paths;
    const fs::path bundle = sharedLibraryBundlePath();
    if (!bundle.empty()) {
        const fs::path plugIns = bundle / "Contents" / "PlugIns";
        std::error_code error;
        if (fs::is_directory(plugIns, error)) paths.push_back(plugIns);
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        paths.push_back(fs::path(home) / ".clap");
    }
    paths.emplace_back("/usr/lib/clap");
    return paths;
}

std::vector<fs::path> getValidCLAPSearchPaths() {
    std::vector<fs::path> paths = getMacCLAPSearchPaths();
    if (const char* list = std::getenv("CLAP_PATH"); list != nullptr) {
        for (fs::path& piece : splitPathList(list)) paths.push_back(std::move(piece));
    }

    const std::vector<fs::path> roots = paths;
    std::set<fs::path> seen;
    for (const fs::path& root : roots) {
        std::error_code error;
        const fs::path real = fs::canonical(root, error);
        if (!error) seen.insert(real);
    }
    std::set<fs::path> walked;
    for (const fs::path& root : roots) {
        std::error_code error;
        const fs::path real = fs::canonical(root, error);
        if (error || !walked.insert(real).second) continue;
        walkFolders(root, seen, paths);
    }
    return paths;
}

}  // namespace Clap
