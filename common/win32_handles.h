// Owners for the system handles the launcher opens: each closes its handle
// when it goes out of scope, so no return path can leak one.
#ifndef PELLUX_COMMON_WIN32_HANDLES_H
#define PELLUX_COMMON_WIN32_HANDLES_H

#include <windows.h>

// One owner template; Traits says what an empty value is and how to close.
template <typename Traits>
class UniqueOwner {
public:
    using Value = typename Traits::Value;

    UniqueOwner() = default;
    explicit UniqueOwner(Value value) : value_(value) {}
    UniqueOwner(const UniqueOwner &) = delete;
    UniqueOwner &operator=(const UniqueOwner &) = delete;
    UniqueOwner(UniqueOwner &&other) noexcept : value_(other.release()) {}
    UniqueOwner &operator=(UniqueOwner &&other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueOwner() { reset(); }

    Value get() const { return value_; }
    bool valid() const { return Traits::valid(value_); }
    explicit operator bool() const { return valid(); }
    // For functions that return a handle through a pointer; closes the old one.
    Value *receive() {
        reset();
        return &value_;
    }
    // Hands the handle on; the owner no longer closes it.
    Value release() {
        Value value = value_;
        value_ = Traits::empty();
        return value;
    }
    void reset(Value value = Traits::empty()) {
        if (Traits::valid(value_))
            Traits::close(value_);
        value_ = value;
    }

private:
    Value value_ = Traits::empty();
};

struct KernelHandleTraits {
    using Value = HANDLE;
    static Value empty() { return nullptr; }
    // CreateFile reports failure as INVALID_HANDLE_VALUE, most others as null.
    static bool valid(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void close(Value value) { CloseHandle(value); }
};

struct RegistryKeyTraits {
    using Value = HKEY;
    static Value empty() { return nullptr; }
    static bool valid(Value value) { return value != nullptr; }
    static void close(Value value) { RegCloseKey(value); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static Value empty() { return INVALID_HANDLE_VALUE; }
    static bool valid(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void close(Value value) { FindClose(value); }
};

struct ServiceHandleTraits {
    using Value = SC_HANDLE;
    static Value empty() { return nullptr; }
    static bool valid(Value value) { return value != nullptr; }
    static void close(Value value) { CloseServiceHandle(value); }
};

// Memory the system allocated with LocalAlloc for its caller, as a SID's text.
template <typename Pointer>
struct LocalMemoryTraits {
    using Value = Pointer;
    static Value empty() { return nullptr; }
    static bool valid(Value value) { return value != nullptr; }
    static void close(Value value) { LocalFree(value); }
};

using UniqueHandle = UniqueOwner<KernelHandleTraits>;
using RegistryKey = UniqueOwner<RegistryKeyTraits>;
using FindHandle = UniqueOwner<FindHandleTraits>;
using ServiceHandle = UniqueOwner<ServiceHandleTraits>;
template <typename Pointer>
using LocalMemory = UniqueOwner<LocalMemoryTraits<Pointer>>;

#endif
