// The interface (C++17) between the Kestrel interpreter and a native
// extension library: an ELF shared object named NAME.kvd that exports
//     kv_module_init_NAME(const KvRuntimeRecord*) -> const KvModuleDescriptor*
// This header is all an extension needs. Its structures are a fixed memory
// layout shared by separately built code: any change to them raises
// KESTREL_EXTENSION_LAYOUT_VERSION, and the interpreter refuses a module
// whose descriptor carries another version.
//
// Values: a KvValue* is a script value owned by the interpreter. A native
// function receives its arguments borrowed (valid for the call; take a
// reference with addRef to keep one) and returns one of: a value it made
// (newInt, newString8, ...), a shared constant (the record's null, true and
// false), or a value that something else holds (an argument, `self`). A
// null return reads as the null value. To fail, call raise(message) and
// return null: the script sees an exception it can catch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#define KESTREL_EXTENSION_LAYOUT_VERSION 2u

#if defined(__GNUC__)
#define KV_EXTENSION_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define KV_EXTENSION_EXPORT extern "C"
#endif

extern "C" {

typedef struct KvValue KvValue;  // opaque: a script value

// Type tags that typeTag answers, and the kinds of numbers (numberKind).
enum {
    KV_TAG_NULL = 0,
    KV_TAG_BOOL = 1,
    KV_TAG_NUMBER = 2,
    KV_TAG_STRING = 3,
    KV_TAG_LIST = 25,
    KV_TAG_MAP = 26,
    KV_TAG_MODULE_OBJECT = 53,
    KV_KIND_INT = 11,
    KV_KIND_FLOAT = 12,
    KV_KIND_LONG = 13,
    KV_KIND_DOUBLE = 14,
};

// The arguments of a call: count values, borrowed for the call.
typedef struct KvArgs {
    int32_t count;
    KvValue** items;
} KvArgs;

typedef KvValue* (*KvNativeFunction)(const KvArgs* args);
// Methods and accessors receive the module object they were called on.
typedef KvValue* (*KvMethodFunction)(KvValue* self, const KvArgs* args);
typedef void (*KvSetterFunction)(KvValue* self, KvValue* value);
typedef KvValue* (*KvGetterFunction)(KvValue* self);
// The creator makes the native state of a new object from the constructor's
// arguments (null: the object cannot be made, and `new` raises). The
// releaser frees it, exactly once, when the object dies.
typedef void* (*KvCreatorFunction)(const KvArgs* args);
typedef void (*KvReleaserFunction)(void* handle);

typedef struct KvFunctionEntry {
    const char* name;  // UTF-8
    const char* note;  // free text for readers; the interpreter ignores it
    KvNativeFunction function;
} KvFunctionEntry;

typedef struct KvMethodEntry {
    const char* name;  // UTF-8; "toString", "equals", "compare" and
                       // "detailString"/"debugString" also shape printing and comparison
    KvMethodFunction method;
} KvMethodEntry;

typedef struct KvPropertyEntry {
    const char* name;  // UTF-8
    KvSetterFunction setter;  // null: assignments change nothing
    KvGetterFunction getter;  // null: reads yield null
} KvPropertyEntry;

typedef struct KvClassDescription {
    const char* name;  // UTF-8; the text isModuleObject(value, name) tests against
    KvCreatorFunction creator;
    KvReleaserFunction releaser;
    const KvMethodEntry* methods;
    uint32_t methodCount;
    const KvPropertyEntry* properties;
    uint32_t propertyCount;
} KvClassDescription;

typedef struct KvClassEntry {
    const char* name;  // UTF-8; the member name scripts use (module.Name)
    const KvClassDescription* description;
} KvClassEntry;

// What kv_module_init_NAME returns; it must stay valid for the life of the
// process (a static is the usual choice).
typedef struct KvModuleDescriptor {
    uint32_t layoutVersion;  // KESTREL_EXTENSION_LAYOUT_VERSION; always the first field
    const char* note;        // free text; the interpreter ignores it
    const KvFunctionEntry* functions;
    uint32_t functionCount;
    const KvClassEntry* classes;
    uint32_t classCount;
} KvModuleDescriptor;

// What an extension can do with values. Texts are UTF-8 or UTF-16.
typedef struct KvValueApi {
    // Reading.
    int32_t (*typeTag)(KvValue* value);
    int32_t (*numberKind)(KvValue* value);  // 0 when not a number
    int64_t (*toLong)(KvValue* value);      // 0 when not a number
    double (*toDouble)(KvValue* value);     // 0 when not a number
    int (*toBool)(KvValue* value);          // the script's truth value
    // The value's text form (a string's own text): writes at most capacity
    // units and returns the full length, so a first call with capacity 0 sizes it.
    size_t (*text16)(KvValue* value, char16_t* out, size_t capacity);
    size_t (*text8)(KvValue* value, char* out, size_t capacity);
    // Building; each returns a new value the caller owns until it hands it on.
    KvValue* (*newInt)(int32_t value);
    KvValue* (*newLong)(int64_t value);
    KvValue* (*newDouble)(double value);
    KvValue* (*newString16)(const char16_t* text, size_t length);
    KvValue* (*newString8)(const char* text, size_t length);  // invalid UTF-8 is skipped
    KvValue* (*newList)(void);
    void (*listAppend)(KvValue* list, KvValue* item);  // takes its own reference
    // Keeping a value beyond the call that handed it over.
    void (*addRef)(KvValue* value);
    void (*release)(KvValue* value);
    // The state the class's creator made for a module object, or null.
    void* (*nativeHandle)(KvValue* object);
    // Makes the running native call raise an exception with this message.
    void (*raise)(const char* utf8Message);
} KvValueApi;

// What the interpreter tells extensions about the run in progress.
typedef struct KvHostApi {
    // A new list of strings: the command-line arguments after "--", in
    // order; empty when there was no "--".
    KvValue* (*scriptArguments)(void);
    // A new string: the path of the script file being run, as module loading
    // found it; null when no script file is running (the module test loop).
    KvValue* (*scriptPath)(void);
} KvHostApi;

// Handed to every kv_module_init_NAME; valid for the life of the process.
// The first eleven slots point at the interpreter's own singletons, whose
// layouts are internal: an extension uses only the constants and `values`.
typedef struct KvRuntimeRecord {
    void* settings;
    void* consoleQueue;
    void* typeRegistry;
    void* valuePool;
    KvValue* trueValue;
    KvValue* falseValue;
    KvValue* nullValue;
    void* smallIntegers;
    void* regexCache;  // null: the pattern cache is not shared with extensions
    void* moduleManager;
    void* runtimePaths;
    uint32_t layoutVersion;  // KESTREL_EXTENSION_LAYOUT_VERSION of the interpreter
    const KvValueApi* values;
    const KvHostApi* host;
} KvRuntimeRecord;

// Only in standard.kvd: the names of the modules it carries.
typedef struct KvLibraryList {
    const char16_t* const* begin;
    const char16_t* const* end;
} KvLibraryList;

}  // extern "C"

// Small helpers for C++ extensions, written once.
namespace kestrel::ext {

// The argument at i, or null when the call had fewer.
inline KvValue* arg(const KvArgs* args, int32_t i) {
    return (args && i >= 0 && i < args->count) ? args->items[i] : nullptr;
}

inline bool isNumber(const KvRuntimeRecord& rt, KvValue* value) {
    return value && rt.values->typeTag(value) == KV_TAG_NUMBER;
}

// A numeric argument is used only when it is a number; otherwise the fallback.
inline double argDouble(const KvRuntimeRecord& rt, const KvArgs* args, int32_t i, double fallback) {
    KvValue* value = arg(args, i);
    return isNumber(rt, value) ? rt.values->toDouble(value) : fallback;
}

inline int64_t argLong(const KvRuntimeRecord& rt, const KvArgs* args, int32_t i, int64_t fallback) {
    KvValue* value = arg(args, i);
    return isNumber(rt, value) ? rt.values->toLong(value) : fallback;
}

// The value's text form; an absent value or null reads as the empty text.
inline std::u16string text16(const KvRuntimeRecord& rt, KvValue* value) {
    if (!value || rt.values->typeTag(value) == KV_TAG_NULL) return std::u16string();
    std::u16string text(rt.values->text16(value, nullptr, 0), u'\0');
    rt.values->text16(value, text.data(), text.size());
    return text;
}

inline std::string text8(const KvRuntimeRecord& rt, KvValue* value) {
    if (!value || rt.values->typeTag(value) == KV_TAG_NULL) return std::string();
    std::string text(rt.values->text8(value, nullptr, 0), '\0');
    rt.values->text8(value, text.data(), text.size());
    return text;
}

inline KvValue* newString(const KvRuntimeRecord& rt, const std::string& utf8) {
    return rt.values->newString8(utf8.data(), utf8.size());
}

inline KvValue* newString(const KvRuntimeRecord& rt, const std::u16string& text) {
    return rt.values->newString16(text.data(), text.size());
}

inline KvValue* boolean(const KvRuntimeRecord& rt, bool value) {
    return value ? rt.trueValue : rt.falseValue;
}

}  // namespace kestrel::ext
