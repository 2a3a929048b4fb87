// The single owner of a handle-like value, closed exactly once by its traits.
//
// Traits give:
//   using type = ...;            the value held (a handle, a pointer, a number)
//   static type invalid();       the value that owns nothing
//   close(type)                  releases a valid value; static, or a member when the
//                                traits carry state (the seam a handle was made through)
// and may give:
//   static bool valid(type)      when more than invalid() owns nothing (null and
//                                INVALID_HANDLE_VALUE for file handles)
//   using close_guard = ...;     an object alive around every close; it keeps what the
//                                close could overwrite (errno by default, the thread's
//                                last-error code for the Win32 traits), so that a caller
//                                can release a handle and still report why it failed.
#pragma once

#include <cerrno>
#include <type_traits>
#include <utility>

namespace velmor {

// Keeps errno across a close.
class ErrnoKeeper {
public:
    ErrnoKeeper() noexcept : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

namespace resource_detail {

template <class T, class = void>
struct CloseGuard {
    using type = ErrnoKeeper;
};
template <class T>
struct CloseGuard<T, std::void_t<typename T::close_guard>> {
    using type = typename T::close_guard;
};

template <class T, class = void>
struct HasValid : std::false_type {};
template <class T>
struct HasValid<T, std::void_t<decltype(T::valid(T::invalid()))>> : std::true_type {};

}  // namespace resource_detail

template <class Traits>
class UniqueResource : private Traits {
public:
    using type = typename Traits::type;

    UniqueResource() noexcept : value_(Traits::invalid()) {}
    explicit UniqueResource(type value) noexcept : value_(value) {}
    // Traits with state: the seam that closes the value.
    explicit UniqueResource(Traits traits, type value = Traits::invalid()) noexcept
        : Traits(std::move(traits)), value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept
        : Traits(std::move(other.traits())), value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset();
            traits() = std::move(other.traits());
            value_ = other.release();
        }
        return *this;
    }

    type get() const noexcept { return value_; }
    bool valid() const noexcept { return IsValid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives the value up without closing it.
    type release() noexcept {
        type value = value_;
        value_ = Traits::invalid();
        return value;
    }
    // Closes what is held (keeping what the close guard keeps) and takes `value`.
    void reset(type value = Traits::invalid()) noexcept {
        const type old = value_;
        value_ = value;
        if (IsValid(old)) {
            typename resource_detail::CloseGuard<Traits>::type keep;
            traits().close(old);
        }
    }
    // For the out-parameter of the call that makes the value: closes what is held first.
    type* receive() noexcept {
        reset();
        return &value_;
    }

    Traits& traits() noexcept { return *this; }
    const Traits& traits() const noexcept { return *this; }

private:
    static bool IsValid(type value) noexcept {
        if constexpr (resource_detail::HasValid<Traits>::value) {
            return Traits::valid(value);
        } else {
            return value != Traits::invalid();
        }
    }

    type value_;
};

}  // namespace velmor
