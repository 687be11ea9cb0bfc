#include "json/parse.hpp"

#include "json/builders.hpp"
#include "json/text_reader.hpp"

namespace ondrix_engine::json {

Result<nlohmann::json> parse(std::string_view text) {
    TextReader reader(text);
    builders::Tree builder;
    nlohmann::json tree;
    if (!reader.read_any(builder, tree) || !reader.end()) {
        return Result<nlohmann::json>::failure(reader.error_message());
    }
    return Result<nlohmann::json>::success(std::move(tree));
}

}  // namespace ondrix_engine::json
