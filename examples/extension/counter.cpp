// An example extension: the module "counter", built as counter.kvd. Put it
// in the lib/ folder of a project (the folder holding config.json) and
//     import counter
//     var c = new counter.Counter(10)
//     c.step = 5
//     print(c.add().add().value())    // 20
//     print(counter.greet("Ada"))     // Hello, Ada!
// It shows a module function, a class with a creator, a releaser, methods
// and a property, and a class without "toString" (it prints as the empty
// text; detailString lists its members).
#include <cstdint>
#include <new>
#include <string>

#include "kestrel/extension.h"

namespace {

const KvRuntimeRecord* runtime = nullptr;
int32_t released = 0;  // how many counters the interpreter has released

struct Counter {
    int64_t value = 0;
    int64_t step = 1;
};

Counter* counterOf(KvValue* self) {
    return static_cast<Counter*>(runtime->values->nativeHandle(self));
}

// greet(name): "Hello, NAME!"
KvValue* greet(const KvArgs* args) {
    std::u16string name = kestrel::ext::text16(*runtime, kestrel::ext::arg(args, 0));
    return kestrel::ext::newString(*runtime, u"Hello, " + name + u"!");
}

KvValue* releasedCount(const KvArgs*) {
    return runtime->values->newInt(released);
}

// new Counter([start]): a counter at start (0 without one); a start that is
// not a number refuses the construction.
void* create(const KvArgs* args) {
    KvValue* start = kestrel::ext::arg(args, 0);
    if (start && !kestrel::ext::isNumber(*runtime, start)) {
        runtime->values->raise("Counter: the start must be a number");
        return nullptr;
    }
    auto* counter = new (std::nothrow) Counter();
    if (counter && start) counter->value = runtime->values->toLong(start);
    return counter;
}

void release(void* handle) {
    delete static_cast<Counter*>(handle);
    ++released;
}

// add([n]): adds n, or the step; returns the counter so calls chain.
KvValue* add(KvValue* self, const KvArgs* args) {
    if (Counter* counter = counterOf(self)) {
        counter->value += kestrel::ext::argLong(*runtime, args, 0, counter->step);
    }
    return self;
}

KvValue* value(KvValue* self, const KvArgs*) {
    Counter* counter = counterOf(self);
    return runtime->values->newLong(counter ? counter->value : 0);
}

KvValue* getStep(KvValue* self) {
    Counter* counter = counterOf(self);
    return runtime->values->newLong(counter ? counter->step : 0);
}

void setStep(KvValue* self, KvValue* step) {
    Counter* counter = counterOf(self);
    if (counter && kestrel::ext::isNumber(*runtime, step)) counter->step = runtime->values->toLong(step);
}

const KvMethodEntry kMethods[] = {
    {"add", add},
    {"value", value},
};

const KvPropertyEntry kProperties[] = {
    {"step", setStep, getStep},
};

const KvClassDescription kCounter = {
    "counter.Counter", create, release, kMethods, 2, kProperties, 1,
};

const KvClassEntry kClasses[] = {
    {"Counter", &kCounter},
};

const KvFunctionEntry kFunctions[] = {
    {"greet", "greet(name)", greet},
    {"releasedCount", "releasedCount(): counters released so far", releasedCount},
};

const KvModuleDescriptor kModule = {
    KESTREL_EXTENSION_LAYOUT_VERSION, "counter: an example extension", kFunctions, 2, kClasses, 1,
};

}  // namespace

KV_EXTENSION_EXPORT const KvModuleDescriptor* kv_module_init_counter(const KvRuntimeRecord* record) {
    if (!record || record->layoutVersion != KESTREL_EXTENSION_LAYOUT_VERSION) return nullptr;
    runtime = record;
    return &kModule;
}
