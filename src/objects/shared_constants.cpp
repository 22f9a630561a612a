// Creation of the shared constants, null first, then true and false.
#include "objects/shared_constants.h"

#include "objects/bool_null.h"
#include "objects/member_registry.h"
#include "objects/number_integer.h"
#include "objects/value_pool.h"

namespace kestrel {

namespace {

// Global new, not the pool: the constants are not live values and are never freed.
template <class T, class... Args>
T* makeConstant(Args... args) {
    T* value = ::new T(args...);
    value->makeShared();
    return value;
}

KvSharedConstants* createConstants() {
    auto* constants = new KvSharedConstants();
    constants->null = makeConstant<KvObjNull>();
    constants->trueValue = makeConstant<KvObjBool>(true);
    constants->falseValue = makeConstant<KvObjBool>(false);
    for (int32_t v = kSmallestSharedInt; v <= kLargestSharedInt; ++v) {
        constants->ints[v - kSmallestSharedInt] = makeConstant<KvObjInt>(v);
    }
    return constants;
}

}  // namespace

const KvSharedConstants& sharedConstants() {
    static const KvSharedConstants* constants = madeSharedConstants = createConstants();
    return *constants;
}

KvBaseObject* kvInt(int32_t value) {
    if (isSharedIntValue(value)) {
        return sharedConstants().ints[value - kSmallestSharedInt];
    }
    return new KvObjInt(value);
}

void initObjectModel() {
    valuePool();  // the calling thread (the interpreter) becomes the pool's owner
    sharedConstants();
    memberRegistry();
}

}  // namespace kestrel
