// The value operations extensions reach through the runtime record. They
// accept any value pointer the interpreter handed out, and a null pointer
// reads as the null value; none of them fails in a way the extension must
// check, except that building may yield null when memory runs out.
#include <algorithm>
#include <cstring>

#include "host/utf8.h"
#include "modules/native_values.h"
#include "modules/module_values.h"
#include "objects/callback_raise.h"
#include "objects/list_value.h"
#include "objects/number.h"
#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/string_value.h"
#include "vm/exception_value.h"

namespace kestrel {

namespace {

KvBaseObject* read(KvValue* value) {
    return fromNative(value);
}

int32_t typeTagOf(KvValue* value) {
    return read(value)->tag();
}

int32_t numberKindOf(KvValue* value) {
    KvObjNumber* number = asNumber(read(value));
    return number ? number->kind() : 0;
}

int64_t toLongOf(KvValue* value) {
    KvObjNumber* number = asNumber(read(value));
    return number ? number->toLong() : 0;
}

double toDoubleOf(KvValue* value) {
    KvObjNumber* number = asNumber(read(value));
    return number ? number->toDouble() : 0.0;
}

int toBoolOf(KvValue* value) {
    return read(value)->toBool() ? 1 : 0;
}

// A string's own text without a copy; every other value's text form.
template <class Char>
size_t copyText(const std::basic_string<Char>& text, Char* out, size_t capacity) {
    if (out && capacity > 0) std::memcpy(out, text.data(), std::min(capacity, text.size()) * sizeof(Char));
    return text.size();
}

size_t text16Of(KvValue* value, char16_t* out, size_t capacity) {
    KvBaseObject* object = read(value);
    if (object->tag() == kTagString) return copyText(static_cast<KvObjString*>(object)->text(), out, capacity);
    return copyText(object->toString(), out, capacity);
}

size_t text8Of(KvValue* value, char* out, size_t capacity) {
    return copyText(toUtf8(read(value)->toString()), out, capacity);
}

KvValue* newIntValue(int32_t value) {
    return toNative(kvInt(value));
}

KvValue* newLongValue(int64_t value) {
    return toNative(new KvObjLong(value));
}

KvValue* newDoubleValue(double value) {
    return toNative(new KvObjDouble(value));
}

KvValue* newString16Value(const char16_t* text, size_t length) {
    return toNative(new KvObjString(text ? std::u16string(text, length) : std::u16string()));
}

KvValue* newString8Value(const char* text, size_t length) {
    return toNative(new KvObjString(text ? fromUtf8(std::string(text, length)) : std::u16string()));
}

KvValue* newListValue() {
    return toNative(new KvObjList());
}

void listAppendValue(KvValue* list, KvValue* item) {
    KvBaseObject* target = read(list);
    if (target->tag() == kTagList) static_cast<KvObjList*>(target)->append(read(item));
}

void addRefValue(KvValue* value) {
    read(value)->addRef();
}

void releaseValue(KvValue* value) {
    read(value)->release();
}

void* nativeHandleOf(KvValue* object) {
    KvBaseObject* value = read(object);
    return value->tag() == kTagModuleObject ? static_cast<KvObjModuleObject*>(value)->handle() : nullptr;
}

// Parked like an exception of a script callback; the call site raises it.
void raiseMessage(const char* utf8Message) {
    auto* exception = new KvObjException(fromUtf8(utf8Message ? utf8Message : ""));
    kvParkCallbackRaise(exception);  // takes its own reference
}

}  // namespace

const KvValueApi& nativeValueApi() {
    static const KvValueApi api = {
        typeTagOf,     numberKindOf,     toLongOf,       toDoubleOf,      toBoolOf,
        text16Of,      text8Of,          newIntValue,    newLongValue,    newDoubleValue,
        newString16Value, newString8Value, newListValue, listAppendValue, addRefValue,
        releaseValue,  nativeHandleOf,   raiseMessage,
    };
    return api;
}

}  // namespace kestrel
