#pragma once

// The VST3 sub-category text of a plug-in class, from the CLAP plug-in's feature list.

#include <string>

namespace Vst3Adapter::detail {

// `features`: a null-terminated list of C texts, or null. Known features give their VST3
// categories, sorted and without repeats, joined with "|"; the result fits the 128-byte
// sub-category field with its terminator (a list that would not fit ends at the last whole
// category that does). Unknown features add nothing; none known gives "".
std::string clapCategoriesToVST3(const char* const* features);

}  // namespace Vst3Adapter::detail
