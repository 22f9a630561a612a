// Costs of the value layer that the machine's hot paths will pay: number
// allocation and release through the pool, the arithmetic table, member
// look-up and a string method call. Prints ns per operation and a checksum.
#include <chrono>
#include <cstdio>
#include <vector>

#include "objects/arithmetic.h"
#include "objects/member_lookup.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "objects/value_pool.h"

using namespace kestrel;

namespace {

template <class Body>
void measure(const char* name, long iterations, Body body) {
    auto start = std::chrono::steady_clock::now();
    long checksum = body(iterations);
    auto elapsed = std::chrono::steady_clock::now() - start;
    double ns = std::chrono::duration<double, std::nano>(elapsed).count() / iterations;
    std::printf("%-34s %8.2f ns/op   checksum %ld\n", name, ns, checksum);
}

long allocateRelease(long n) {
    long sum = 0;
    for (long i = 0; i < n; ++i) {
        KvBaseObject* value = new KvObjLong(i);
        sum += static_cast<KvObjLong*>(value)->get() & 1;
        value->releaseTemporary();
    }
    return sum;
}

long mallocFree(long n) {
    long sum = 0;
    for (long i = 0; i < n; ++i) {
        auto* value = static_cast<long*>(::operator new(sizeof(KvObjLong)));
        *value = i;
        sum += *value & 1;
        ::operator delete(value);
    }
    return sum;
}

long addInts(long n) {
    KvBaseObject* acc = kvInt(0);
    KvBaseObject* one = kvInt(1);
    for (long i = 0; i < n; ++i) {
        KvBaseObject* next = kvArithmetic(KvArithOp::Add, acc, one).value;
        acc->releaseTemporary();
        acc = next;
    }
    long result = static_cast<KvObjNumber*>(acc)->toLong();
    acc->releaseTemporary();
    return result;
}

long lookups(long n) {
    KvObjString* text = new KvObjString(u"hello");
    text->addRef();
    long sum = 0;
    for (long i = 0; i < n; ++i) {
        sum += lookupMember(*text, i % 2 ? u"indexOf" : u"length").code;
    }
    text->release();
    return sum;
}

long stringMethodCalls(long n) {
    KvObjString* text = new KvObjString(u"the quick brown fox");
    text->addRef();
    KvBaseObject* needle = new KvObjString(u"fox");
    needle->addRef();
    const KvMemberRecord* indexOf = lookupMember(*text, u"indexOf").record;  // once per call site
    long sum = 0;
    for (long i = 0; i < n; ++i) {
        KvArgList args{1, &needle};
        KvBaseObject* result = text->invokeNative(indexOf->method, args);
        sum += static_cast<KvObjNumber*>(result)->toInt();
        result->releaseTemporary();
    }
    needle->release();
    text->release();
    return sum;
}

}  // namespace

int main() {
    initObjectModel();
    const long n = 5000000;
    measure("long alloc+release (pool)", n, allocateRelease);
    measure("same size via global new/delete", n, mallocFree);
    measure("int + int through arithmetic", n, addInts);
    measure("member lookup (map)", n, lookups);
    measure("string indexOf call (bound once)", n, stringMethodCalls);
    std::printf("live values at end: %lld\n", static_cast<long long>(kvLiveValueCount()));
    return 0;
}
