#include "entry/class_info.hpp"

#include <algorithm>
#include <cstring>

namespace Vst3Adapter::detail {

void copyText(std::span<Steinberg::char8> field, const char* text) {
    std::fill(field.begin(), field.end(), Steinberg::char8{0});
    if (field.empty() || text == nullptr) {
        return;
    }
    std::size_t length = strnlen(text, field.size());
    if (length == field.size()) {
        // Too long: keep what fits with the terminator, without the first bytes of a character
        // whose remaining bytes do not fit.
        length = field.size() - 1;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(field.data(), text, length);
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
