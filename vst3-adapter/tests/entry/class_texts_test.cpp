// Every text of the factory's records ends inside its field, cut at a whole UTF-8 character.
#include <cstring>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "entry/class_info.hpp"
#include "factory_fixture.hpp"

namespace entry_testing {
namespace {

using namespace Steinberg;
using clap_host_testing::FakeDescriptor;

// True when `text` is well-formed UTF-8 (no code point checks beyond the byte structure).
bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3
                                                 : lead >> 3 == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

// The field's text, which must end inside it.
template <std::size_t N>
std::string textOf(const char8 (&field)[N]) {
    const std::size_t length = strnlen(field, N);
    EXPECT_LT(length, N) << "no terminator";
    return std::string(field, length);
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

std::string join(std::initializer_list<std::string> pieces) {
    std::string text;
    for (const std::string& piece : pieces) text += piece;
    return text;
}

TEST(CopyText, CutsAtTheLastWholeCharacterThatLeavesRoomForTheTerminator) {
    const std::string twoByte = "\xC3\x96";      // Ö
    const std::string threeByte = "\xE2\x82\xAC";  // €
    const std::string fourByte = "\xF0\x9F\x8E\xB5";
    struct Case {
        std::string text;
        std::string kept;
    };
    const Case cases[] = {
        {"", ""},
        {repeat("a", 7), repeat("a", 7)},
        {repeat("a", 8), repeat("a", 7)},
        {repeat("a", 100), repeat("a", 7)},
        {join({"a", repeat(twoByte, 4)}), join({"a", repeat(twoByte, 3)})},
        {repeat(twoByte, 4), repeat(twoByte, 3)},
        {join({"aaaaa", threeByte}), "aaaaa"},
        {join({"aaaa", threeByte}), join({"aaaa", threeByte})},
        {join({"aaaa", fourByte}), "aaaa"},
        {join({"aaa", fourByte}), join({"aaa", fourByte})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char8 field[8];
        std::memset(field, 'x', sizeof field);
        Vst3Adapter::detail::copyText(field, c.text.c_str());
        EXPECT_EQ(textOf(field), c.kept);
        for (std::size_t i = c.kept.size(); i < sizeof field; ++i) EXPECT_EQ(field[i], 0);
    }
    char8 field[8] = {'x'};
    Vst3Adapter::detail::copyText(field, nullptr);
    EXPECT_EQ(textOf(field), "");
}

TEST_F(FactoryFixture, LongDescriptorTextsEndInsideTheirFields) {
    const std::string name = join({"N", repeat("\xC3\x96", 49), "N"});  // 100 bytes
    const std::string vendor = repeat("V", 100);
    const std::string url = join({"https://example.org/", repeat("a", 280)});
    const std::string version = repeat("1.", 40);
    FakeDescriptor descriptor{"fake.long", name.c_str()};
    descriptor.raw.vendor = vendor.c_str();
    descriptor.raw.url = url.c_str();
    descriptor.raw.version = version.c_str();
    plugins.descriptors = {&descriptor.raw};
    setUpLibrary();
    IPluginFactory* factory = getFactory();
    ASSERT_NE(factory, nullptr);

    PFactoryInfo info;
    factory->getFactoryInfo(&info);
    const PClassInfo2 audio = classAt(0);
    struct Field {
        const char* what;
        std::string text;
        std::size_t length;
    };
    const Field fields[] = {
        {"class name", textOf(audio.name), 63},
        {"class vendor", textOf(audio.vendor), 63},
        {"class version", textOf(audio.version), 63},
        {"factory vendor", textOf(info.vendor), 63},
        {"factory url", textOf(info.url), 255},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.what);
        EXPECT_EQ(f.text.size(), f.length);
        EXPECT_TRUE(isUtf8(f.text));
    }

    PClassInfoW wide;
    ASSERT_EQ(static_cast<IPluginFactory3*>(factory)->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(wide.name[0], u'N');
    EXPECT_EQ(wide.name[31], u'\u00D6');
    EXPECT_EQ(wide.name[32], 0);
}

}  // namespace
}  // namespace entry_testing
