#pragma once

#include "platform/NativePath.h"

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace custodia {

// Why an operation of the core did not do what it was asked, carried from where it went wrong to
// the window or custodiactl, which only turn it into a message box or a line and an exit status.
// Nothing downstream rebuilds the cause: what is known is said here, once.
struct Failure {
    // What stopped the operation when it was not the system.
    enum class Refusal {
        None, // the system refused: see cause and systemError
        NotRegularFile, // a folder, pipe, device or socket stands where a file belongs
        DanglingLink, // a symbolic link to nothing: no file is created through it
        Damaged, // the file is not in its format, or its record chain breaks; detail says where
        NotFound, // no such user, group, slot or listed path
        AlreadyExists, // a new user or group would replace one of the same name or number
        BadValue, // the value itself cannot be stored (too long, a character the code page lacks, ...)
        Cancelled, // the person waiting for a held file gave up
    };

    std::string operation; // what did not happen, as people read it: "the user could not be saved"
    NativePath fileName; // the file that stopped it, empty when none did
    int cause = 0; // a FileCause when a file operation failed
    int systemError = 0; // errno of the failed call, 0 when one of our own checks refused
    Refusal refusal = Refusal::None;
    std::string detail; // for people, in the file layer's plain words: "record chain broken at offset 35"
};

// A value, or the Failure that kept it from being had. Small on purpose: the compilers the project
// builds with do not all offer std::expected.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Failure failure)
        : m_state(std::in_place_index<1>, std::move(failure))
    {
    }

    bool HasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return HasValue(); }

    const T& Value() const&
    {
        assert(HasValue());
        return std::get<0>(m_state);
    }
    T& Value() &
    {
        assert(HasValue());
        return std::get<0>(m_state);
    }
    T&& Value() &&
    {
        assert(HasValue());
        return std::get<0>(std::move(m_state));
    }
    const T& operator*() const& { return Value(); }
    T& operator*() & { return Value(); }
    const T* operator->() const { return &Value(); }
    T* operator->() { return &Value(); }

    const Failure& Error() const
    {
        assert(!HasValue());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, Failure> m_state;
};

// The result of an operation that gives nothing back but may fail.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure)
        : m_failure(std::move(failure))
    {
    }

    bool HasValue() const { return !m_failure.has_value(); }
    explicit operator bool() const { return HasValue(); }
    const Failure& Error() const
    {
        assert(m_failure.has_value());
        return *m_failure;
    }

private:
    std::optional<Failure> m_failure;
};

using Status = Result<void>;

// The failure in plain English for custodiactl and the logs: the file, the operation, the cause in
// plain words and the system error's name, e.g. "P/tessel.pwd: the user could not be saved: in use by
// another program (EWOULDBLOCK)".
std::string DescribeFailure(const Failure& failure);
// "EACCES", "EWOULDBLOCK", ...; "errno N" for one without a name here.
std::string SystemErrorName(int error);

} // namespace custodia
