// KvRef<T>: the one owning reference to a counted object (a value, a
// context or a code unit). A handle holds exactly one counted reference, or
// nothing; it is move-only, and it drops its reference when it dies.
// Code that only borrows (reads a value for the length of a call, walks a
// chain, compares identities) keeps using raw pointers.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace kestrel {

class KvBaseObject;

// How a counted type takes and drops a reference, and whether a new object
// is born holding one. Values: a new value has count 0 (a temporary nobody
// owns yet), and the shared constants (count -1) are never counted nor
// destroyed; that test lives in addRef/release and nowhere else. Contexts
// and code units specialise this: they are born with one reference.
// (Instantiated only where T is complete; base_object.h includes this file.)
template <class T>
struct KvRefCounting {
    static constexpr bool kBornOwned = false;
    static void retain(T* object) { object->addRef(); }
    static void drop(T* object) { object->release(); }
};

template <class T = KvBaseObject>
class KvRef {
public:
    using Counting = KvRefCounting<T>;

    KvRef() = default;
    KvRef(std::nullptr_t) {}
    KvRef(KvRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    // A handle on a derived value converts to one on its base (values only:
    // contexts and code units have no bases to convert to).
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value &&
                                                !std::is_same<U, T>::value>>
    KvRef(KvRef<U>&& other) noexcept : object_(other.detach()) {}
    KvRef(const KvRef&) = delete;
    KvRef& operator=(const KvRef&) = delete;
    [[gnu::always_inline]] ~KvRef() {
        if (object_) Counting::drop(object_);
    }

    // Takes over a reference that is already counted for the caller.
    static KvRef adopt(T* object) { return KvRef(object); }
    // Counts a new reference: a borrowed object, a fresh value (count 0,
    // which this makes owned), or a shared constant (not counted at all).
    [[gnu::always_inline]] static KvRef retain(T* object) {
        if (object) Counting::retain(object);
        return KvRef(object);
    }
    // Creates an object and owns it, whatever count the type is born with.
    template <class... Args>
    static KvRef make(Args&&... args) {
        T* object = new T(std::forward<Args>(args)...);
        if (!Counting::kBornOwned) Counting::retain(object);
        return KvRef(object);
    }

    // The old reference is dropped only after the new one is in place, so
    // storing the object a handle already holds is harmless, and a
    // destructor that runs during the drop never sees a dangling handle.
    KvRef& operator=(KvRef&& other) noexcept {
        T* old = object_;
        object_ = other.object_;
        other.object_ = nullptr;
        if (old) Counting::drop(old);
        return *this;
    }
    KvRef& operator=(std::nullptr_t) {
        reset();
        return *this;
    }
    void reset() {
        T* old = object_;
        object_ = nullptr;
        if (old) Counting::drop(old);
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Hands the reference out: the caller now owns it (the handle is empty).
    [[nodiscard]] T* detach() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }

private:
    explicit KvRef(T* object) : object_(object) {}

    T* object_ = nullptr;
};

using KvValueRef = KvRef<KvBaseObject>;

// Creates an object of type T and owns it: kvMake<KvObjString>(text).
template <class T, class... Args>
KvRef<T> kvMake(Args&&... args) {
    return KvRef<T>::make(std::forward<Args>(args)...);
}

// An owned reference to a value handed out by the value layer (a native
// method's result, a read): a fresh temporary, a stored value or a shared
// constant; none reads as the shared null.
KvValueRef kvOwnedOrNull(KvBaseObject* value);

}  // namespace kestrel
