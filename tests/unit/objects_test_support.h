// Shared helpers for the value tests: a fixture that checks every test leaves
// the live-value count where it found it, a reference-holding handle, and a
// call helper that goes through the same member lookup as scripts do.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "host/utf8.h"
#include "objects/base_object.h"
#include "objects/member_lookup.h"
#include "objects/shared_constants.h"
#include "objects/value_pool.h"

namespace kestrel::testing {

class ObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        initObjectModel();
        liveAtStart_ = kvLiveValueCount();
    }
    void TearDown() override { EXPECT_EQ(kvLiveValueCount(), liveAtStart_) << "values leaked"; }

private:
    int64_t liveAtStart_ = 0;
};

// Holds one reference for the scope, like a variable slot would.
class Ref {
public:
    explicit Ref(KvBaseObject* value = nullptr) : value_(value) {
        if (value_) {
            value_->addRef();
        }
    }
    // Takes over an owned reference (a call's result).
    explicit Ref(KvValueRef owned) : value_(owned.detach()) {}
    Ref(Ref&& other) noexcept : value_(other.value_) { other.value_ = nullptr; }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (value_) {
            value_->release();
        }
    }
    KvBaseObject* get() const { return value_; }
    KvBaseObject* operator->() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }
    std::string text() const { return value_ ? toUtf8(value_->toString()) : "<none>"; }

private:
    KvBaseObject* value_;
};

// obj.name(args...) resolved through the member lookup; none when the name
// does not bind to a native method.
inline Ref call(KvBaseObject* owner, const std::u16string& name,
                std::initializer_list<KvBaseObject*> args = {}) {
    KvMemberLookup lookup = lookupMember(*owner, name);
    if (lookup.code != kBindNativeMethod) {
        return Ref();
    }
    std::vector<KvBaseObject*> items(args);
    KvArgList list{static_cast<int32_t>(items.size()), items.data()};
    return Ref(owner->invokeNative(lookup.record->method, list));
}

inline Ref call(const Ref& owner, const std::u16string& name,
                std::initializer_list<KvBaseObject*> args = {}) {
    return call(owner.get(), name, args);
}

}  // namespace kestrel::testing
