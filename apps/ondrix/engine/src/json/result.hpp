#pragma once

#include <string>
#include <utility>
#include <variant>

namespace ondrix_engine::json {

// The outcome of a read: a value, or one error text and nothing else.
// Thread: any; a plain value owned by whoever holds it.
template <class T>
class Result {
  public:
    static Result success(T value) { return Result(std::in_place_index<0>, std::move(value)); }
    static Result failure(std::string error) {
        return Result(std::in_place_index<1>, std::move(error));
    }

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only valid when ok().
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }

    // Only valid when !ok().
    const std::string& error() const { return std::get<1>(state_); }

  private:
    template <std::size_t I, class... Args>
    explicit Result(std::in_place_index_t<I> which, Args&&... args)
        : state_(which, std::forward<Args>(args)...) {}

    std::variant<T, std::string> state_;
};

}  // namespace ondrix_engine::json
