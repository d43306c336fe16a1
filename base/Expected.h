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
    Expected(T value) : m_content(std::move(value)) {}
    Expected(Failure failure) : m_content(std::move(failure)) {}

    bool Ok() const { return m_content.index() == 0; }
    explicit operator bool() const { return Ok(); }
    // Only when Ok().
    T& Value() { return std::get<0>(m_content); }
    const T& Value() const { return std::get<0>(m_content); }
    // Only when !Ok().
    const Failure& Error() const { return std::get<1>(m_content); }

private:
    std::variant<T, Failure> m_content;
};

} // namespace brisvander
