#pragma once

// The note-expression types an effect offers its host, in the order they were added, and the
// text form of their values. Threads: the host's main thread. Reference counted (FObject); the
// container owns one reference to each type.

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivstnoteexpression.h"
#include "public.sdk/source/vst/vstparameters.h"

#include <vector>

namespace Steinberg::Vst {

class NoteExpressionType : public FObject {
public:
    NoteExpressionType();
    explicit NoteExpressionType(const NoteExpressionTypeInfo& info);
    // Values 0 to 1, default 0, continuous; with an associated parameter, its default, step
    // count and ID (flag kAssociatedParameterIDValid), and its value texts.
    NoteExpressionType(NoteExpressionTypeID typeId, const TChar* title, const TChar* shortTitle,
                       const TChar* units, int32 unitId, Parameter* associatedParameter,
                       int32 flags = 0);

    const NoteExpressionTypeInfo& getInfo() const { return info; }
    // The value as text: the associated parameter's, or the number with `precision` decimals.
    virtual tresult getStringByValue(NoteExpressionValue valueNormalized, String128 string);
    // kResultFalse when the text is no number.
    virtual tresult getValueByString(const TChar* string, NoteExpressionValue& valueNormalized);
    int32 getPrecision() const { return precision; }
    void setPrecision(int32 digits) { precision = digits; }

    OBJ_METHODS(NoteExpressionType, FObject)

protected:
    NoteExpressionTypeInfo info{};
    IPtr<Parameter> associatedParameter;
    int32 precision = 4;
};

class NoteExpressionTypeContainer : public FObject {
public:
    NoteExpressionTypeContainer() = default;

    // Takes over the caller's reference; false for null.
    bool addNoteExpressionType(NoteExpressionType* type);
    bool removeNoteExpressionType(NoteExpressionTypeID typeId);
    void removeAll() { types.clear(); }
    NoteExpressionType* getNoteExpressionType(NoteExpressionTypeID typeId);

    int32 getNoteExpressionCount() const { return static_cast<int32>(types.size()); }
    // kInvalidArgument for an index outside the list.
    tresult getNoteExpressionInfo(int32 index, NoteExpressionTypeInfo& info);
    // kResultFalse for a type that is not in the list.
    tresult getNoteExpressionStringByValue(NoteExpressionTypeID typeId,
                                           NoteExpressionValue valueNormalized, String128 string);
    tresult getNoteExpressionValueByString(NoteExpressionTypeID typeId, const TChar* string,
                                           NoteExpressionValue& valueNormalized);

    OBJ_METHODS(NoteExpressionTypeContainer, FObject)

protected:
    std::vector<IPtr<NoteExpressionType>> types;
};

}  // namespace Steinberg::Vst
