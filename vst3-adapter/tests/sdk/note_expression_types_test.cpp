#include "sdk/note_expression_types.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(NoteExpressionTypes, ListsTypesInAddOrderAndFindsThemById) {
    NoteExpressionTypeContainer container;
    EXPECT_FALSE(container.addNoteExpressionType(nullptr));
    container.addNoteExpressionType(new NoteExpressionType(kTuningTypeID, u"Tuning", u"Tun", u"",
                                                           0, nullptr));
    container.addNoteExpressionType(new NoteExpressionType(kVolumeTypeID, u"Volume", u"Vol", u"",
                                                           0, nullptr));
    ASSERT_EQ(container.getNoteExpressionCount(), 2);

    NoteExpressionTypeInfo info{};
    ASSERT_EQ(container.getNoteExpressionInfo(1, info), kResultTrue);
    EXPECT_EQ(info.typeId, kVolumeTypeID);
    EXPECT_EQ(std::u16string(info.title), u"Volume");
    EXPECT_EQ(std::u16string(info.shortTitle), u"Vol");
    EXPECT_EQ(info.valueDesc.minimum, 0.0);
    EXPECT_EQ(info.valueDesc.maximum, 1.0);
    EXPECT_EQ(container.getNoteExpressionInfo(2, info), kInvalidArgument);
    EXPECT_EQ(container.getNoteExpressionInfo(-1, info), kInvalidArgument);

    String128 text{};
    ASSERT_EQ(container.getNoteExpressionStringByValue(kTuningTypeID, 0.25, text), kResultTrue);
    EXPECT_EQ(std::u16string(text), u"0.2500");
    NoteExpressionValue value = 0;
    ASSERT_EQ(container.getNoteExpressionValueByString(kTuningTypeID, u"0.75", value), kResultTrue);
    EXPECT_EQ(value, 0.75);
    EXPECT_EQ(container.getNoteExpressionValueByString(kTuningTypeID, u"loud", value), kResultFalse);
    EXPECT_EQ(container.getNoteExpressionStringByValue(kPanTypeID, 0.5, text), kResultFalse);

    EXPECT_TRUE(container.removeNoteExpressionType(kTuningTypeID));
    EXPECT_FALSE(container.removeNoteExpressionType(kTuningTypeID));
    EXPECT_EQ(container.getNoteExpressionType(kTuningTypeID), nullptr);
    EXPECT_NE(container.getNoteExpressionType(kVolumeTypeID), nullptr);
}

}  // namespace
