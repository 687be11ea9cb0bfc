#include "protocol/presets.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "home_folder.hpp"

namespace ondrix_plugin_core::protocol {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Presets = testing_support::HomeFolder;

// Every operation that takes a name, as (name) -> error text or "" on success. A rename goes from
// the name to the absent "fresh", or from "ok" (which the tests put in the folder) to the name.
struct Operation {
    std::string label;
    std::function<std::string(const std::string&)> run;
};

template <class T>
std::string error_of(const Result<T>& result) {
    return result ? "" : result.error();
}

std::vector<Operation> operations_on_a_name() {
    return {
        {"path", [](const std::string& n) { return error_of(preset_path(n)); }},
        {"read", [](const std::string& n) { return error_of(preset_read(n)); }},
        {"write", [](const std::string& n) { return error_of(preset_write(n, "{}")); }},
        {"delete", [](const std::string& n) { return error_of(preset_delete(n)); }},
        {"rename from", [](const std::string& n) { return error_of(preset_rename(n, "fresh")); }},
        {"rename to", [](const std::string& n) { return error_of(preset_rename("ok", n)); }},
    };
}

std::set<std::string> everything_under(const fs::path& root) {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        found.insert(fs::relative(entry.path(), root).string());
    }
    return found;
}

TEST_F(Presets, RefusedNamesFailEveryOperationAndTouchNothing) {
    put("ok.vtond", "kept");
    struct Case {
        std::string name;
        std::string shown;  // how the refusal quotes it
    };
    std::vector<Case> hostile;
    for (const char* name : {"", "   ", "\t\u3000", ".hidden", "  .x", "..", "a/b", "a:b", "a\\b",
                             "../evil", "..\\evil", "x/../y", "/etc/passwd", "C:evil"}) {
        hostile.push_back({name, name});
    }
    hostile.push_back({"a\xFF"s, "a\uFFFD"});
    hostile.push_back({"\xC0\xAF"s, "\uFFFD\uFFFD"});  // an overlong "/" must not slip through
    for (const Case& c : hostile) {
        for (const Operation& operation : operations_on_a_name()) {
            SCOPED_TRACE(operation.label + " " + testing::PrintToString(c.name));
            EXPECT_EQ(operation.run(c.name),
                      "\u201C" + c.shown + "\u201D can't be used as a preset name");
        }
    }
    EXPECT_EQ(everything_under(home),
              (std::set<std::string>{"Documents", "Documents/Vantrel Ondrix",
                                     "Documents/Vantrel Ondrix/Presets",
                                     "Documents/Vantrel Ondrix/Presets/ok.vtond"}));
    EXPECT_EQ(content_of("ok.vtond"), "kept");
}

TEST_F(Presets, NulInANameIsRefusedBeforeAnyFileIsTouched) {
    put("ok.vtond", "kept");
    for (const Operation& operation : operations_on_a_name()) {
        if (operation.label == "path") continue;  // the path itself is fine to build
        SCOPED_TRACE(operation.label);
        EXPECT_EQ(operation.run("a\0b"s), "file name contained an unexpected NUL byte");
    }
    EXPECT_EQ(files(), std::vector<std::string>{"ok.vtond"});
    EXPECT_EQ(content_of("ok.vtond"), "kept");
}

TEST_F(Presets, NamesAreTrimmedOfUnicodeWhiteSpace) {
    struct Case {
        std::string given;
        std::string found_as;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"  Bass ", "Bass", "Bass.vtond"},
        {"\u2003Lead\u3000\n", "Lead", "Lead.vtond"},
        {"Deep  Pad", " Deep  Pad\u00A0", "Deep  Pad.vtond"},
        {"\u200BZero", "\u200BZero", "\u200BZero.vtond"},  // zero width space is kept
        {"x.y", "x.y", "x.y.vtond"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        ASSERT_EQ(error_of(preset_write(c.given, "text of " + c.file)), "");
        EXPECT_EQ(files(), std::vector<std::string>{c.file});
        const auto text = preset_read(c.found_as);
        ASSERT_TRUE(text) << text.error();
        EXPECT_EQ(text.value(), "text of " + c.file);
        const auto path = preset_path(c.given);
        ASSERT_TRUE(path);
        EXPECT_EQ(path.value(), presets() / c.file);
        EXPECT_EQ(error_of(preset_delete(c.found_as)), "");
        EXPECT_TRUE(files().empty());
    }
}

TEST_F(Presets, WithoutHomeEveryOperationFails) {
    ::unsetenv("HOME");
    EXPECT_EQ(error_of(presets_dir()), "No home folder for presets");
    EXPECT_EQ(error_of(presets_list()), "No home folder for presets");
    for (const Operation& operation : operations_on_a_name()) {
        SCOPED_TRACE(operation.label);
        EXPECT_EQ(operation.run("Bass"), "No home folder for presets");
    }
}

TEST_F(Presets, AnEmptyHomeIsTheCurrentFolder) {
    const fs::path saved = fs::current_path();
    fs::current_path(home);
    ::setenv("HOME", "", 1);
    const auto folder = presets_dir();
    const auto written = preset_write("Bass", "{}");
    fs::current_path(saved);

    ASSERT_TRUE(folder) << folder.error();
    EXPECT_EQ(folder.value(), fs::path("Documents/Vantrel Ondrix/Presets"));
    EXPECT_EQ(error_of(written), "");
    EXPECT_EQ(files(), std::vector<std::string>{"Bass.vtond"});
}

TEST_F(Presets, AFolderThatCannotBeMadeGivesTheSystemError) {
    struct Case {
        std::string blocker;  // a plain file put where a folder must go
        std::string error;
    };
    const std::vector<Case> cases = {
        {"", "Not a directory (os error 20)"},  // HOME itself is a file
        {"Documents", "Not a directory (os error 20)"},
        {"Documents/Vantrel Ondrix/Presets", "File exists (os error 17)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocker);
        const fs::path scratch = home / "scratch";
        fs::create_directories(scratch);
        const fs::path file = c.blocker.empty() ? scratch / "home" : scratch / c.blocker;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
        ::setenv("HOME", (c.blocker.empty() ? file : scratch).c_str(), 1);

        EXPECT_EQ(error_of(presets_dir()), c.error);
        EXPECT_EQ(error_of(presets_list()), c.error);
        EXPECT_EQ(error_of(preset_write("Bass", "{}")), c.error);
        fs::remove_all(scratch);
    }
}

TEST_F(Presets, ListingKeepsVtondFilesSortedByTheirLowercaseForm) {
    {
        const auto empty = presets_list();
        ASSERT_TRUE(empty) << empty.error();
        EXPECT_TRUE(empty.value().empty());
        EXPECT_TRUE(fs::is_directory(presets()));
    }
    for (const char* file : {"b.vtond", "A.vtond", "a.VTOND", "notes.txt", ".vtond", "x.y.vtond"}) {
        put(file);
    }
    auto names = presets_list();
    ASSERT_TRUE(names) << names.error();
    EXPECT_EQ(names.value(), (std::vector<std::string>{"A", "b", "x.y"}));

    for (const std::string& file :
         {"Zeta.vtond"s, "alpha.vtond"s, "\u00C9mile.vtond"s, "eve.vtond"s, "abc.vtond"s,
          "ab.vtond"s, "\xFFx.vtond"s, "vtond"s, "..vtond"s}) {
        put(file);
    }
    fs::create_directory(presets() / "Folder.vtond");  // the kind of entry is not looked at
    names = presets_list();
    ASSERT_TRUE(names) << names.error();
    // Lowercase forms compared as UTF-8 bytes: "\u00e9" (C3 A9) and U+FFFD (EF BF BD) sort last.
    EXPECT_EQ(names.value(),
              (std::vector<std::string>{".", "A", "ab", "abc", "alpha", "b", "eve", "Folder", "x.y",
                                        "Zeta", "\u00C9mile", "\uFFFDx"}));
}

TEST_F(Presets, NamesEqualOnceLowercasedKeepTheFolderOrder) {
    for (const char* file : {"bass.vtond", "BASS.vtond", "Bass.vtond", "ant.vtond"}) put(file);
    std::vector<std::string> expected = {"ant"};
    for (const std::string& file : files()) {
        if (file != "ant.vtond") expected.push_back(file.substr(0, file.size() - 6));
    }
    const auto names = presets_list();
    ASSERT_TRUE(names) << names.error();
    EXPECT_EQ(names.value(), expected);
}

TEST_F(Presets, ReadGivesTheWholeTextOrTheError) {
    put("Bass.vtond", "{\"sources\":[]}\n  caf\u00E9 \U0001F3B9");
    put("Broken.vtond", "{\"name\":\"caf\xE9\"}"s);
    fs::create_directories(presets() / "Folder.vtond");
    struct Case {
        std::string name;
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"Bass", "{\"sources\":[]}\n  caf\u00E9 \U0001F3B9", ""},
        {"Missing", "", "No such file or directory (os error 2)"},
        {"Broken", "", "stream did not contain valid UTF-8"},
        {"Folder", "", "\u201CFolder\u201D isn't a preset file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = preset_read(c.name);
        EXPECT_EQ(error_of(read), c.error);
        if (read) {
            EXPECT_EQ(read.value(), c.text);
        }
    }
}

TEST_F(Presets, HostileFilesAnswerAtOnceAndChangeNothing) {
    constexpr std::size_t bound = std::size_t{4} * 1024 * 1024;
    fs::create_directories(presets());
    ASSERT_EQ(::mkfifo((presets() / "Fifo.vtond").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", presets() / "Zero.vtond");
    fs::create_directories(presets() / "Folder.vtond");
    put("Huge.vtond", std::string(bound + 1024 * 1024, ' '));
    put("Bound.vtond", std::string(bound - 2, ' ') + "{}");
    put("Locked.vtond", "{}");
    fs::permissions(presets() / "Locked.vtond", fs::perms::none);
    // Whoever may read anything (root) reads this file all the same.
    const bool locked_out = ::access((presets() / "Locked.vtond").c_str(), R_OK) != 0;
    const auto before = everything_under(home);

    struct Case {
        std::string name;
        std::string error;
    };
    std::vector<Case> cases = {
        {"Fifo", "\u201CFifo\u201D isn't a preset file"},
        {"Zero", "\u201CZero\u201D isn't a preset file"},
        {" Folder ", "\u201CFolder\u201D isn't a preset file"},
        {"Huge", "\u201CHuge\u201D is too large to be a preset"},
        {"Bound", ""},
    };
    if (locked_out) cases.push_back({"Locked", "Permission denied (os error 13)"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto started = std::chrono::steady_clock::now();
        const auto read = preset_read(c.name);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
        EXPECT_EQ(error_of(read), c.error);
    }
    EXPECT_EQ(everything_under(home), before);
    fs::permissions(presets() / "Locked.vtond", fs::perms::owner_all);
}

TEST_F(Presets, WriteCreatesOrReplacesTheWholeFile) {
    ASSERT_EQ(error_of(preset_write("Bass", "a long first text")), "");
    ASSERT_EQ(error_of(preset_write("Bass", "short")), "");
    EXPECT_EQ(content_of("Bass.vtond"), "short");
    EXPECT_EQ(files(), std::vector<std::string>{"Bass.vtond"});  // no temporary file left

    fs::create_directory(presets() / "Folder.vtond");
    EXPECT_EQ(error_of(preset_write("Folder", "{}")), "Is a directory (os error 21)");
    EXPECT_TRUE(fs::is_directory(presets() / "Folder.vtond"));
    EXPECT_EQ(files().size(), 2u);
}

TEST_F(Presets, AWriteThatRunsOutOfRoomLeavesTheOldPresetWhole) {
    put("Bass.vtond", "the old preset");
    // A file size limit stands in for a full disk.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto saved_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto written = preset_write("Bass", std::string(256, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, saved_handler);

    EXPECT_EQ(error_of(written), "File too large (os error 27)");
    EXPECT_EQ(content_of("Bass.vtond"), "the old preset");
    EXPECT_EQ(files(), std::vector<std::string>{"Bass.vtond"});
}

// The id of a child process that has already exited: no process runs under it (until the ids
// come round again).
pid_t exited_child() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::set<std::string> as_set(const std::vector<std::string>& names) {
    return {names.begin(), names.end()};
}

TEST_F(Presets, ListingAndWritingRemoveTheTemporaryFilesOfWritersThatAreGone) {
    const std::string gone = ".vtond-write-" + std::to_string(exited_child()) + "-";
    const std::vector<std::string> kept = {
        "Bass.vtond",
        ".vtond-write-" + std::to_string(::getppid()) + "-0",  // its writer may be at work
        ".vtond-write-" + std::to_string(::getpid()) + "-0",   // this process's own
        gone + "x",                                            // not a name a write makes
        gone,
    };
    for (const std::string& file : kept) put(file);

    const Operation list_or_write[] = {
        {"list", [](const std::string&) { return error_of(presets_list()); }},
        {"write", [](const std::string&) { return error_of(preset_write("Bass", "{}")); }},
    };
    for (const Operation& operation : list_or_write) {
        SCOPED_TRACE(operation.label);
        put(gone + "0", std::string(512 * 1024, 'x'));
        put(gone + "17");
        EXPECT_EQ(operation.run(""), "");
        EXPECT_EQ(as_set(files()), as_set(kept));
    }
    const auto names = presets_list();
    ASSERT_TRUE(names) << names.error();
    EXPECT_EQ(names.value(), std::vector<std::string>{"Bass"});
}

TEST_F(Presets, AWriteKilledMidwayLeavesTheOldPresetAndNothingPastTheNextListing) {
    put("Bass.vtond", "the old preset");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Past the file size limit the system kills the writer (SIGXFSZ), in the middle of the
        // temporary file.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit small{};
        ::getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 64;
        ::setrlimit(RLIMIT_FSIZE, &small);
        (void)preset_write("Bass", std::string(256, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(files().size(), 2u) << "the killed write's temporary file";
    EXPECT_EQ(content_of("Bass.vtond"), "the old preset");

    const auto names = presets_list();
    ASSERT_TRUE(names) << names.error();
    EXPECT_EQ(names.value(), std::vector<std::string>{"Bass"});
    EXPECT_EQ(files(), std::vector<std::string>{"Bass.vtond"});
}

TEST_F(Presets, DeleteRemovesTheFileOrReportsTheError) {
    put("Bass.vtond");
    EXPECT_EQ(error_of(preset_delete(" Bass ")), "");
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(error_of(preset_delete("Bass")), "No such file or directory (os error 2)");
}

TEST_F(Presets, RenameMovesTheFile) {
    put("Bass.vtond", "bass text");
    EXPECT_EQ(error_of(preset_rename("  Bass ", " Lead")), "");
    EXPECT_EQ(files(), std::vector<std::string>{"Lead.vtond"});
    EXPECT_EQ(content_of("Lead.vtond"), "bass text");
    EXPECT_EQ(error_of(preset_rename("Bass", "Pad")), "No such file or directory (os error 2)");
}

TEST_F(Presets, RenameRefusesAnythingAlreadyAtTheNewName) {
    put("Bass.vtond", "bass text");
    put("Lead.vtond", "lead text");
    fs::create_directory(presets() / "Folder.vtond");
    fs::create_symlink(home / "nowhere", presets() / "Link.vtond");
    struct Case {
        std::string to;
        std::string trimmed;
    };
    const std::vector<Case> cases = {
        {"  Lead ", "Lead"}, {"Folder", "Folder"}, {"Link", "Link"}, {" Bass", "Bass"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        EXPECT_EQ(error_of(preset_rename("Bass", c.to)),
                  "There's already a preset called \u201C" + c.trimmed + "\u201D");
    }
    EXPECT_EQ(content_of("Bass.vtond"), "bass text");
    EXPECT_EQ(content_of("Lead.vtond"), "lead text");
    EXPECT_TRUE(fs::is_symlink(presets() / "Link.vtond"));
}

}  // namespace
}  // namespace ondrix_plugin_core::protocol
