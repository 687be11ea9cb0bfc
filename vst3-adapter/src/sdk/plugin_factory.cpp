#include "sdk/plugin_factory.hpp"

#include "sdk/string_convert.hpp"

#include <algorithm>
#include <cstring>

namespace Steinberg {

IPluginFactory* gPluginFactory = nullptr;

namespace {

template <std::size_t N>
void copyWide(char16 (&to)[N], const char8* from) {
    Vst::StringConvert::convert(std::string_view(from, strnlen(from, N)), to, N);
}

}  // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory() {
    if (gPluginFactory == this) {
        gPluginFactory = nullptr;
    }
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction create, void* context) {
    if (info == nullptr || create == nullptr || isClassRegistered(info->cid)) {
        return false;
    }
    classes.push_back(Class{*info, create, context});
    return true;
}

bool CPluginFactory::isClassRegistered(const TUID cid) const {
    return std::any_of(classes.begin(), classes.end(), [&](const Class& c) {
        return std::memcmp(c.info.cid, cid, sizeof(TUID)) == 0;
    });
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** object) {
    if (object == nullptr) {
        return kInvalidArgument;
    }
    for (const FUID* known :
         {&IPluginFactory3::iid, &IPluginFactory2::iid, &IPluginFactory::iid, &FUnknown::iid}) {
        if (FUnknownPrivate::iidEqual(iid, known->toTUID())) {
            addRef();
            *object = static_cast<IPluginFactory3*>(this);
            return kResultOk;
        }
    }
    *object = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() {
    return references.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32 PLUGIN_API CPluginFactory::release() {
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (info == nullptr) {
        return kInvalidArgument;
    }
    *info = factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
    return static_cast<int32>(classes.size());
}

const CPluginFactory::Class* CPluginFactory::classAt(int32 index) const {
    if (index < 0 || index >= static_cast<int32>(classes.size())) {
        return nullptr;
    }
    return &classes[static_cast<std::size_t>(index)];
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    const Class* found = classAt(index);
    if (found == nullptr || info == nullptr) {
        return kInvalidArgument;
    }
    *info = PClassInfo(found->info.cid, found->info.cardinality, found->info.category,
                       found->info.name);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    const Class* found = classAt(index);
    if (found == nullptr || info == nullptr) {
        return kInvalidArgument;
    }
    *info = found->info;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    const Class* found = classAt(index);
    if (found == nullptr || info == nullptr) {
        return kInvalidArgument;
    }
    const PClassInfo2& from = found->info;
    *info = PClassInfoW();
    std::memcpy(info->cid, from.cid, sizeof(TUID));
    info->cardinality = from.cardinality;
    std::memcpy(info->category, from.category, sizeof(info->category));
    info->classFlags = from.classFlags;
    std::memcpy(info->subCategories, from.subCategories, sizeof(info->subCategories));
    copyWide(info->name, from.name);
    copyWide(info->vendor, from.vendor);
    copyWide(info->version, from.version);
    copyWide(info->sdkVersion, from.sdkVersion);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** object) {
    if (object == nullptr) {
        return kInvalidArgument;
    }
    *object = nullptr;
    if (cid == nullptr || iid == nullptr) {
        return kInvalidArgument;
    }
    for (const Class& entry : classes) {
        if (std::memcmp(entry.info.cid, cid, sizeof(TUID)) != 0) {
            continue;
        }
        FUnknown* instance = entry.create(entry.context);
        if (instance == nullptr) {
            break;
        }
        const tresult asked = instance->queryInterface(iid, object);
        instance->release();
        if (asked == kResultOk) {
            return kResultOk;
        }
        *object = nullptr;
        break;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown*) {
    return kNotImplemented;
}

}  // namespace Steinberg
