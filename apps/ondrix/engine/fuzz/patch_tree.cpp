// Builds trees from arbitrary bytes, shaped enough like patches to reach deep into the readers
// (known keys and tag names, every kind of number, binary values, NaN, nesting past the text
// limit) and reads them as patches. When the tree can be written and read back as text, the
// text reader must accept it exactly when the tree reader does.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "settings/patch.hpp"

namespace {

constexpr std::array<std::string_view, 64> kWords = {
    "sources", "routes", "outputs", "tempo",    "enabled",   "shape",     "rate",     "phase",
    "a",       "b",      "spread",  "depth",    "offset",    "unipolar",  "smooth",   "rough",
    "bits",    "kind",   "mode",    "hz",       "beats",     "table",     "motion",   "channel",
    "from",    "tap",    "amount",  "to",       "index",     "param",     "cc",       "fine",
    "bipolar", "dest",   "signal",  "volts",    "threshold", "gateVolts", "quantize", "scale",
    "root",    "port",   "type",    "header",   "output",    "ppqn",      "sine",     "saw",
    "sawDown", "drawn",  "field",   "cvIn",     "free",      "sync",      "spin",     "source",
    "midi",    "cv",     "gate",    "expander", "clock",     "run",       "major",    "x",
};

class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint64_t u64() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) value = (value << 8) | byte();
        return value;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Traits {
    bool writable = true;  // dump() and reading back give an equivalent text
    int depth = 0;
};

nlohmann::json make(Bytes& in, int depth, Traits& traits) {
    if (depth > traits.depth) traits.depth = depth;
    const std::uint8_t pick = in.byte();
    const std::size_t small = pick >> 4;
    switch (in.empty() ? 0 : pick % 13) {
        case 0:
            return nullptr;
        case 1:
            return (pick & 0x10) != 0;
        case 2:
            return small;
        case 3:
            return in.u64();
        case 4:
            return -static_cast<std::int64_t>(small) - 1;
        case 5:
            return static_cast<std::int64_t>(small);  // a positive number held as signed
        case 6: {
            double value = 0;
            const std::uint64_t bits = in.u64();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) traits.writable = false;
            return value;
        }
        case 7:
            return static_cast<double>(small) / 4.0;
        case 8:
            return std::string(kWords[in.byte() % kWords.size()]);
        case 9: {
            traits.writable = false;
            return nlohmann::json::binary({pick, static_cast<std::uint8_t>(small)});
        }
        case 10:
        case 11: {
            auto object = nlohmann::json::object();
            const std::size_t count = in.byte() % 6;
            for (std::size_t i = 0; i < count && !in.empty(); ++i) {
                object[std::string(kWords[in.byte() % kWords.size()])] =
                    make(in, depth + 1, traits);
            }
            return object;
        }
        default: {
            auto array = nlohmann::json::array();
            const std::size_t count = in.byte() % 6;
            for (std::size_t i = 0; i < count && !in.empty(); ++i) {
                array.push_back(make(in, depth + 1, traits));
            }
            return array;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ondrix_engine::settings::Patch;
    Bytes in(data, size);
    Traits traits;
    const nlohmann::json tree = make(in, 0, traits);
    const auto from_tree = Patch::from_json_tree(tree);
    if (traits.writable && traits.depth < 127) {
        const auto from_text = Patch::from_json_text(tree.dump());
        if (from_text.ok() != from_tree.ok()) std::abort();
        if (from_text.ok() && !(from_text.value() == from_tree.value())) std::abort();
    }
    return 0;
}
