// The crossing between interpreter values and the extension interface: a
// KvValue* is a KvBaseObject* under another name, and an argument list
// crosses as it is. Every call into an extension goes through these.
#pragma once

#include <string>
#include <vector>

#include "kestrel/extension.h"
#include "objects/base_object.h"
#include "objects/shared_constants.h"

namespace kestrel {

inline KvValue* toNative(KvBaseObject* value) {
    return reinterpret_cast<KvValue*>(value);
}

// A null answer from an extension reads as the null value.
inline KvBaseObject* fromNative(KvValue* value) {
    return value ? reinterpret_cast<KvBaseObject*>(value) : kvNull();
}

inline KvArgs toNativeArgs(const KvArgList& args) {
    return KvArgs{args.count, reinterpret_cast<KvValue**>(args.items)};
}

// The value operations handed to extensions in the runtime record.
const KvValueApi& nativeValueApi();

// The facts about the run handed to extensions in the runtime record.
const KvHostApi& nativeHostApi();

// "module::class {" with one indented entry per line, then "}".
std::u16string bracedListing(const std::u16string& head, const std::vector<std::u16string>& entries);

}  // namespace kestrel
