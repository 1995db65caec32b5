#pragma once

#include <utility>
#include <variant>

namespace quavern::songfile {

// The value of an operation that gives back nothing but its success.
struct Done {};

// Either the value an operation produced or the error that stopped it; a stand-in for
// std::expected, which g++ 12 does not offer in C++20.
template <class Value, class Error>
class Result {
 public:
  // Implicit on purpose, so a function can `return song;` or `return error;`.
  Result(Value value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  [[nodiscard]] bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  [[nodiscard]] const Value& value() const& { return std::get<0>(state_); }
  [[nodiscard]] Value&& value() && { return std::get<0>(std::move(state_)); }
  [[nodiscard]] const Error& error() const& { return std::get<1>(state_); }
  [[nodiscard]] Error&& error() && { return std::get<1>(std::move(state_)); }

 private:
  std::variant<Value, Error> state_;
};

}  // namespace quavern::songfile
