// What the factory and the bundle tests both read: the adapter's log lines, and the record of
// our plug-in's audio-module class. Thread: the test's thread.
#pragma once

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pluginterfaces/base/ipluginbase.h"

namespace vst3_testing {

// One of the adapter's log lines, "file:line (function) message".
struct LogLine {
    std::string file;
    int line = 0;
    std::string function;
    std::string message;
};

// The log lines in `out`; a line without the prefix has only a message, marked.
inline std::vector<LogLine> logLines(const std::string& out) {
    std::vector<LogLine> found;
    std::istringstream lines(out);
    for (std::string text; std::getline(lines, text);) {
        const std::size_t file = text.find(".cpp:");
        const std::size_t function = text.find(" (");
        const std::size_t end = text.find(") ");
        if (file == std::string::npos || function == std::string::npos ||
            end == std::string::npos || file > function || function > end) {
            found.push_back({"", 0, "", "UNPREFIXED: " + text});
        } else {
            found.push_back({text.substr(0, file + 4), std::atoi(text.c_str() + file + 5),
                             text.substr(function + 2, end - function - 2),
                             text.substr(end + 2)});
        }
    }
    return found;
}

// The messages of the log lines in `out`, each after its prefix.
inline std::vector<std::string> logMessages(const std::string& out) {
    std::vector<std::string> messages;
    for (const LogLine& line : logLines(out)) {
        messages.push_back(line.message);
    }
    return messages;
}

// The lines the factory logs when it is built over our plug-in.
inline const std::vector<std::string> ourFactoryLog{
    "detected entrypoint in this binary",
    "created factory for vendor 'Orbwright Audio'",
    "number of plugins in factory: 1",
    "  plugin #0: 'Vantrel Ondrix'",
    "plugin id: app.vantrel.ondrix.plugin -> 7B 9A6A98F5 C0AB5BBC 97607C93 87BB0D",
};

// The class ID of "app.vantrel.ondrix.plugin".
inline constexpr unsigned char ourClassId[16] = {0x98, 0x6A, 0x9A, 0x7B, 0xC0, 0xF5, 0x5B, 0xAB,
                                                 0xBC, 0x97, 0x60, 0x7C, 0x93, 0x87, 0xBB, 0x0D};

inline void expectOurFactoryInfo(const Steinberg::PFactoryInfo& info) {
    EXPECT_STREQ(info.vendor, "Orbwright Audio");
    EXPECT_STREQ(info.url, "");
    EXPECT_STREQ(info.email, "");
    EXPECT_EQ(info.flags, 16);
}

inline void expectOurAudioModuleClass(const Steinberg::PClassInfo2& audio) {
    EXPECT_EQ(std::memcmp(audio.cid, ourClassId, 16), 0);
    EXPECT_EQ(audio.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(audio.category, "Audio Module Class");
    EXPECT_STREQ(audio.name, "Vantrel Ondrix");
    EXPECT_EQ(audio.classFlags, 0u);
    EXPECT_STREQ(audio.subCategories, "Instrument|Synth|Tools");
    EXPECT_STREQ(audio.vendor, "Orbwright Audio");
    EXPECT_STREQ(audio.version, "0.1.0");
    EXPECT_STREQ(audio.sdkVersion, "VST 3.8.0");
}

}  // namespace vst3_testing
