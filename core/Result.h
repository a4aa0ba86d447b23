#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace quorlane::core {

namespace detail {

// Asking a result for what it does not hold is a fault of the program, not of the file or
// input at hand: it ends the program in every build rather than read the wrong member.
[[noreturn]] inline void wrongSideOfResult(const char* what)
{
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

} // namespace detail

// What an operation gives: its value, or the error that kept it from one. It has no conversion
// to bool: whoever asks says ok() or failed(), so that a test never reads the wrong way round.
template <typename T, typename E> class [[nodiscard]] Result
{
    static_assert(!std::is_convertible_v<E, T> && !std::is_convertible_v<T, E>,
                  "a value and an error of one type could be taken for each other");

public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {
    }
    Result(E error)
        : m_state(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return m_state.index() == 0; }
    bool failed() const { return !ok(); }

    // Only when ok().
    T& value() & { return *std::get_if<0>(&checked(ok(), "value() of a failed result")); }
    const T& value() const&
    {
        return *std::get_if<0>(&checked(ok(), "value() of a failed result"));
    }
    T&& value() &&
    {
        return std::move(*std::get_if<0>(&checked(ok(), "value() of a failed result")));
    }
    // Only when failed().
    const E& error() const& { return *std::get_if<1>(&checked(failed(), "error() of a success")); }
    E&& error() &&
    {
        return std::move(*std::get_if<1>(&checked(failed(), "error() of a success")));
    }

    // The value, or fallback when the operation failed.
    T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, E>& checked(bool holds, const char* what)
    {
        if (!holds) {
            detail::wrongSideOfResult(what);
        }
        return m_state;
    }
    const std::variant<T, E>& checked(bool holds, const char* what) const
    {
        if (!holds) {
            detail::wrongSideOfResult(what);
        }
        return m_state;
    }

    std::variant<T, E> m_state;
};

// The outcome of an operation that gives nothing but success or its error. A default one is a
// success.
template <typename E> class [[nodiscard]] Result<void, E>
{
public:
    Result() = default;
    Result(E error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return !m_error.has_value(); }
    bool failed() const { return m_error.has_value(); }

    // Only when failed().
    const E& error() const&
    {
        if (!m_error) {
            detail::wrongSideOfResult("error() of a success");
        }
        return *m_error;
    }
    E&& error() &&
    {
        if (!m_error) {
            detail::wrongSideOfResult("error() of a success");
        }
        return std::move(*m_error);
    }

private:
    std::optional<E> m_error;
};

} // namespace quorlane::core
