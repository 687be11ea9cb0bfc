#include "sdk/note_expression_types.hpp"

#include "sdk/string_convert.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Steinberg::Vst {

namespace {

void copyTitle(String128 to, const TChar* from) {
    std::fill_n(to, 128, 0);
    for (int i = 0; from != nullptr && i < 127 && from[i] != 0; ++i) {
        to[i] = from[i];
    }
}

}  // namespace

NoteExpressionType::NoteExpressionType() {
    info.valueDesc.maximum = 1.0;
}

NoteExpressionType::NoteExpressionType(const NoteExpressionTypeInfo& info) : info(info) {}

NoteExpressionType::NoteExpressionType(NoteExpressionTypeID typeId, const TChar* title,
                                       const TChar* shortTitle, const TChar* units, int32 unitId,
                                       Parameter* associatedParameter, int32 flags)
    : associatedParameter(associatedParameter) {
    info.typeId = typeId;
    copyTitle(info.title, title);
    copyTitle(info.shortTitle, shortTitle);
    copyTitle(info.units, units);
    info.unitId = unitId;
    info.valueDesc.minimum = 0.0;
    info.valueDesc.maximum = 1.0;
    info.flags = flags;
    if (associatedParameter != nullptr) {
        const ParameterInfo& parameter = associatedParameter->getInfo();
        info.valueDesc.defaultValue = parameter.defaultNormalizedValue;
        info.valueDesc.stepCount = parameter.stepCount;
        info.associatedParameterId = parameter.id;
        info.flags |= NoteExpressionTypeInfo::kAssociatedParameterIDValid;
    }
}

tresult NoteExpressionType::getStringByValue(NoteExpressionValue valueNormalized,
                                             String128 string) {
    if (string == nullptr) {
        return kInvalidArgument;
    }
    if (associatedParameter) {
        associatedParameter->toString(valueNormalized, string);
        return kResultTrue;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(precision, 0, 16), valueNormalized);
    StringConvert::convert(text, string);
    return kResultTrue;
}

tresult NoteExpressionType::getValueByString(const TChar* string,
                                             NoteExpressionValue& valueNormalized) {
    if (string == nullptr) {
        return kInvalidArgument;
    }
    if (associatedParameter) {
        return associatedParameter->fromString(string, valueNormalized) ? kResultTrue
                                                                        : kResultFalse;
    }
    const std::string text = StringConvert::convert(string, 128);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str()) {
        return kResultFalse;
    }
    valueNormalized = value;
    return kResultTrue;
}

bool NoteExpressionTypeContainer::addNoteExpressionType(NoteExpressionType* type) {
    if (type == nullptr) {
        return false;
    }
    types.emplace_back(owned(type));
    return true;
}

bool NoteExpressionTypeContainer::removeNoteExpressionType(NoteExpressionTypeID typeId) {
    const auto found = std::find_if(types.begin(), types.end(), [typeId](const auto& type) {
        return type->getInfo().typeId == typeId;
    });
    if (found == types.end()) {
        return false;
    }
    types.erase(found);
    return true;
}

NoteExpressionType* NoteExpressionTypeContainer::getNoteExpressionType(
    NoteExpressionTypeID typeId) {
    for (const auto& type : types) {
        if (type->getInfo().typeId == typeId) {
            return type;
        }
    }
    return nullptr;
}

tresult NoteExpressionTypeContainer::getNoteExpressionInfo(int32 index,
                                                           NoteExpressionTypeInfo& info) {
    if (index < 0 || index >= getNoteExpressionCount()) {
        return kInvalidArgument;
    }
    info = types[static_cast<std::size_t>(index)]->getInfo();
    return kResultTrue;
}

tresult NoteExpressionTypeContainer::getNoteExpressionStringByValue(
    NoteExpressionTypeID typeId, NoteExpressionValue valueNormalized, String128 string) {
    NoteExpressionType* type = getNoteExpressionType(typeId);
    return type == nullptr ? kResultFalse : type->getStringByValue(valueNormalized, string);
}

tresult NoteExpressionTypeContainer::getNoteExpressionValueByString(
    NoteExpressionTypeID typeId, const TChar* string, NoteExpressionValue& valueNormalized) {
    NoteExpressionType* type = getNoteExpressionType(typeId);
    return type == nullptr ? kResultFalse : type->getValueByString(string, valueNormalized);
}

}  // namespace Steinberg::Vst
