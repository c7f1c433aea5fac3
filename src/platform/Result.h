#pragma once

#include <QString>

#include <utility>
#include <variant>

// Why an operation the user waits for failed, in words to show them.
struct Failure {
    QString message;
};

// The outcome of an operation the user waits for: its value, or the failure to show. Every such
// failure ends in a toast, HUD or alert that says its message.
template <typename T = std::monostate> class Result {
public:
    Result() requires std::is_same_v<T, std::monostate>
    = default;
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    const T& value() const { return std::get<T>(m_state); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    T&& take() { return std::get<T>(std::move(m_state)); }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

    // Empty on success.
    QString message() const {
        const Failure* failure = std::get_if<Failure>(&m_state);
        return failure ? failure->message : QString();
    }

private:
    std::variant<T, Failure> m_state;
};

// The outcome of an operation that yields nothing but may fail.
using Status = Result<>;
