// Errors as values inside the stand-in. A Result carries either a value or an
// Error (a Win32 error code plus a message for people); the Win32 edge turns
// it into a return value and SetLastError.
#pragma once

#include <string>
#include <utility>
#include <variant>

#include <windef.h>

namespace nv {

struct Error {
    DWORD code = 0;       // Win32 error code (winerror.h)
    std::string message;  // for diagnostics: names the file and line where it can

    static Error win32(DWORD code, std::string message = {}) { return Error{code, std::move(message)}; }
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(state_); }
    Error&& take_error() { return std::get<1>(std::move(state_)); }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    void value() const {}
    const Error& error() const { return error_; }
    Error&& take_error() { return std::move(error_); }

private:
    Error error_;
    bool failed_ = false;
};

}  // namespace nv

// Evaluates a Result; on error returns the error from the enclosing function,
// otherwise yields the value (GNU statement expression, as SerenityOS does).
#define NV_TRY(expr)                              \
    ({                                            \
        auto _nv_result = (expr);                 \
        if (!_nv_result.ok())                     \
            return _nv_result.take_error();       \
        std::move(_nv_result).value();            \
    })
