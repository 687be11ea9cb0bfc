#pragma once

// The ARA interfaces a VST3 class can offer: the companion factory class and the two entry
// points of a plug-in instance. Interface IDs and slot layouts only; the ARA records they hand
// over stay opaque here (whoever uses them brings the ARA API).

#include "pluginterfaces/base/funknown.h"

namespace ARA {

struct ARAFactory;
struct ARAPlugInExtensionInstance;
struct ARADocumentControllerRefMarkupType;
using ARADocumentControllerRef = ARADocumentControllerRefMarkupType*;
using ARAPlugInInstanceRoleFlags = Steinberg::int32;

// The class registered as "ARA Main Factory Class".
class IMainFactory : public Steinberg::FUnknown {
public:
    virtual const ARAFactory* PLUGIN_API getFactory() = 0;

    static const Steinberg::FUID iid;
};
DECLARE_CLASS_IID(IMainFactory, 0xDB2A1669, 0xFAFD42A5, 0xA82F864F, 0x7B6872EA)

// Offered by a plug-in instance.
class IPlugInEntryPoint : public Steinberg::FUnknown {
public:
    virtual const ARAFactory* PLUGIN_API getFactory() = 0;
    virtual const ARAPlugInExtensionInstance* PLUGIN_API
    bindToDocumentController(ARADocumentControllerRef documentControllerRef) = 0;

    static const Steinberg::FUID iid;
};
DECLARE_CLASS_IID(IPlugInEntryPoint, 0x12814E54, 0xA1CE4076, 0x82B96813, 0x16950BD6)

class IPlugInEntryPoint2 : public Steinberg::FUnknown {
public:
    virtual const ARAPlugInExtensionInstance* PLUGIN_API bindToDocumentControllerWithRoles(
        ARADocumentControllerRef documentControllerRef, ARAPlugInInstanceRoleFlags knownRoles,
        ARAPlugInInstanceRoleFlags assignedRoles) = 0;

    static const Steinberg::FUID iid;
};
DECLARE_CLASS_IID(IPlugInEntryPoint2, 0xCD9A5913, 0xC9EB46D7, 0x96CA53AD, 0xD1DB89F5)

}  // namespace ARA
