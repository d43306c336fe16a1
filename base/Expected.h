#pragma once
// A value or the Failure that kept it from being made (C++23's
// std::expected, as far as this house needs it).
#include "Failure.h"

#include <utility>
#include <variant>

namespace brisvander {

template <typename T>
class Expected {
public:
    // A made value; a failure. Both convert implicitly, so a function can
    // `return value;` or `return failure;`.
    Expected(T value) : m_content(std::move(value)) {}
    Expected(Failure failure) : m_content(std::move(failure)) {}

    // Whether it holds the value.
    bool Ok() const { return m_content.index() == 0; }
    explicit operator bool() const { return Ok(); }
    // The value; only when Ok().
    T& Value() { return std::get<0>(m_content); }
    const T& Value() const { return std::get<0>(m_content); }
    // Why there is none; only when !Ok().
    const Failure& Error() const { return std::get<1>(m_content); }

private:
    std::variant<T, Failure> m_content;
};

} // namespace brisvander
