#include "entry/class_info.hpp"

#include "helpers/utf8_prefix.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace Vst3Adapter::detail {

void copyText(std::span<Steinberg::char8> field, const char* text) {
    std::fill(field.begin(), field.end(), Steinberg::char8{0});
    if (field.empty() || text == nullptr) {
        return;
    }
    // Reading one byte past the field tells whether the text fits with its terminator.
    const std::string_view kept =
        utf8Prefix(std::string_view(text, strnlen(text, field.size())), field.size() - 1);
    std::memcpy(field.data(), kept.data(), kept.size());
}

Steinberg::PFactoryInfo makeFactoryInfo(const char* vendor, const char* url, const char* email) {
    Steinberg::PFactoryInfo info;
    copyText(info.vendor, vendor);
    copyText(info.url, url);
    copyText(info.email, email);
    info.flags = Steinberg::PFactoryInfo::kUnicode;
    return info;
}

Steinberg::PClassInfo2 makeClassInfo(const Steinberg::TUID cid, const ClassTexts& texts) {
    Steinberg::PClassInfo2 info;
    std::memcpy(info.cid, cid, sizeof(Steinberg::TUID));
    info.cardinality = Steinberg::PClassInfo::kManyInstances;
    copyText(info.category, texts.category);
    copyText(info.name, texts.name);
    info.classFlags = 0;
    copyText(info.subCategories, texts.subCategories);
    copyText(info.vendor, texts.vendor);
    copyText(info.version, texts.version);
    copyText(info.sdkVersion, kSdkVersion);
    return info;
}

}  // namespace Vst3Adapter::detail
