#pragma once

// The records the class factory hands to hosts, filled so that every text ends inside its field:
// a text too long for its field is cut at the last whole UTF-8 character that leaves room for
// the terminator. Hosts read these fields as C texts; one left unterminated runs into the next.

#include "pluginterfaces/base/ipluginbase.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace Vst3Adapter::detail {

// The SDK version every class names.
inline constexpr const char* kSdkVersion = "VST 3.8.0";

// Copies `text` into `field`, cut as above and zero-padded. A null text gives "".
void copyText(std::span<Steinberg::char8> field, const char* text);

// The factory's own record, flags 16 (unicode texts).
Steinberg::PFactoryInfo makeFactoryInfo(const char* vendor, const char* url, const char* email);

// One class's record; null texts give "".
struct ClassTexts {
    const char* category = nullptr;
    const char* name = nullptr;
    const char* subCategories = nullptr;
    const char* vendor = nullptr;
    const char* version = nullptr;
};
Steinberg::PClassInfo2 makeClassInfo(const Steinberg::TUID cid, const ClassTexts& texts);

}  // namespace Vst3Adapter::detail
