// The "util" module: StringBuffer, a growing text that string templates
// build their results with. append takes any values, adds their text forms
// and returns the buffer, so calls chain.
#include <cstdint>
#include <new>
#include <string>

#include "stdlib_runtime.h"

namespace kestrel::stdlib {

namespace {

struct StringBuffer {
    std::u16string text;
};

StringBuffer* bufferOf(KvValue* self) {
    return static_cast<StringBuffer*>(runtime().values->nativeHandle(self));
}

void appendAll(StringBuffer& buffer, const KvArgs* args) {
    const KvValueApi& values = *runtime().values;
    for (int32_t i = 0; args && i < args->count; ++i) {
        KvValue* value = args->items[i];
        size_t length = values.text16(value, nullptr, 0);
        size_t start = buffer.text.size();
        buffer.text.resize(start + length);
        values.text16(value, buffer.text.data() + start, length);
    }
}

// new StringBuffer(values...): starts with the values' texts.
void* create(const KvArgs* args) {
    auto* buffer = new (std::nothrow) StringBuffer();
    if (buffer) appendAll(*buffer, args);
    return buffer;
}

void release(void* handle) {
    delete static_cast<StringBuffer*>(handle);
}

KvValue* append(KvValue* self, const KvArgs* args) {
    if (StringBuffer* buffer = bufferOf(self)) appendAll(*buffer, args);
    return self;
}

KvValue* toString(KvValue* self, const KvArgs*) {
    StringBuffer* buffer = bufferOf(self);
    return buffer ? ext::newString(runtime(), buffer->text) : ext::newString(runtime(), std::u16string());
}

KvValue* length(KvValue* self, const KvArgs*) {
    StringBuffer* buffer = bufferOf(self);
    size_t size = buffer ? buffer->text.size() : 0;
    return runtime().values->newInt(size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size));
}

KvValue* clear(KvValue* self, const KvArgs*) {
    if (StringBuffer* buffer = bufferOf(self)) buffer->text.clear();
    return self;
}

const KvMethodEntry kMethods[] = {
    {"append", append},
    {"toString", toString},
    {"length", length},
    {"clear", clear},
};

const KvClassDescription kStringBuffer = {
    "util.StringBuffer", create, release, kMethods, sizeof(kMethods) / sizeof(kMethods[0]), nullptr, 0,
};

const KvClassEntry kClasses[] = {
    {"StringBuffer", &kStringBuffer},
};

const KvModuleDescriptor kUtil = {
    KESTREL_EXTENSION_LAYOUT_VERSION, "util: text helpers", nullptr, 0, kClasses, 1,
};

}  // namespace

const KvModuleDescriptor* utilModule() {
    return &kUtil;
}

}  // namespace kestrel::stdlib
