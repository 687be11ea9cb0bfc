#pragma once

// The module's class factory: the classes registered with it, each with a create function and
// the context that function receives. One per module, reachable through `gPluginFactory`.
// Threads: registration and queries on the host's main thread. Reference counted; the creator
// holds the first reference and the last release deletes it.

#include "pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <vector>

namespace Steinberg {

class CPluginFactory : public IPluginFactory3 {
public:
    using CreateFunction = FUnknown* (*)(void* context);

    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();
    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

    // False when `info` or `create` is null, or a class with that ID is registered already.
    bool registerClass(const PClassInfo2* info, CreateFunction create, void* context = nullptr);
    bool isClassRegistered(const TUID cid) const;
    void removeAllClasses() { classes.clear(); }

    // FUnknown
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override;
    uint32 PLUGIN_API addRef() override;
    uint32 PLUGIN_API release() override;

    // IPluginFactory
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override;
    int32 PLUGIN_API countClasses() override;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) override;
    // Creates the class, asks it for `iid` and drops the creation reference: the caller holds
    // the one it asked for, or nothing (kNoInterface) and the object is gone.
    tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** object) override;

    // IPluginFactory2
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) override;

    // IPluginFactory3: the registered record with its texts converted from UTF-8.
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    tresult PLUGIN_API setHostContext(FUnknown* context) override;

private:
    struct Class {
        PClassInfo2 info;
        CreateFunction create;
        void* context;
    };
    const Class* classAt(int32 index) const;

    std::atomic<uint32> references{1};
    PFactoryInfo factoryInfo;
    std::vector<Class> classes;
};

// The module's factory, set by whoever creates it; cleared when that factory is destroyed.
extern IPluginFactory* gPluginFactory;

}  // namespace Steinberg
