// Internal to the data layer: the Firebird client's master interface from a
// library loaded at run time, RAII holders for its interfaces, and the one
// place where its errors become DatabaseError.
#pragma once

#include <firebird/Interface.h>

#include <string>
#include <utility>

namespace tramex::fb {

// Loads libraryName (once per process) and returns its master interface.
Firebird::IMaster* MasterOf(const std::string& libraryName);

// Owns a reference-counted interface (attachment, transaction, statement,
// result set, metadata): release() unless the owner ended it with a call
// that releases it itself (detach, commit, rollback, close, free).
template <typename T>
class Ref {
  public:
    Ref() = default;
    explicit Ref(T* pointer) : pointer_(pointer) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~Ref() { Reset(); }

    T* operator->() const { return pointer_; }
    T* Get() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // After a call that released the interface on success.
    void Forget() { pointer_ = nullptr; }
    void Reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->release();
    }

  private:
    T* pointer_ = nullptr;
};

// Owns a disposable interface (status, XPB builder).
template <typename T>
class Owned {
  public:
    explicit Owned(T* pointer) : pointer_(pointer) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() {
        if (pointer_) pointer_->dispose();
    }
    T* operator->() const { return pointer_; }
    T* Get() const { return pointer_; }

  private:
    T* pointer_;
};

// A status for one series of calls, throwing FbException on error.
class Status {
  public:
    explicit Status(Firebird::IMaster* master)
        : status_(master->getStatus()), wrapper_(status_.Get()) {}
    Firebird::ThrowStatusWrapper* Get() { return &wrapper_; }

  private:
    Owned<Firebird::IStatus> status_;
    Firebird::ThrowStatusWrapper wrapper_;
};

// Formats a caught client error once and raises it as DatabaseError.
// operation names what the layer was doing ("Attach to database x").
[[noreturn]] void RaiseDatabaseError(Firebird::IMaster* master, const Firebird::FbException& error,
                                     const std::string& operation);

}  // namespace tramex::fb
