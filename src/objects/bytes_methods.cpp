// The registered byte-buffer methods: argument conventions applied, then the
// span rules of byte_search. Registration order fixes the ids ("length" 1,
// "sub" 100, ...).
#include <algorithm>
#include <cstring>
#include <new>

#include "host/utf8.h"
#include "objects/bytes_value.h"
#include "objects/list_value.h"
#include "objects/native_result.h"
#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/string_value.h"

namespace kestrel {

namespace {

// A needle, prefix, suffix or separator argument: a bytes value's contents
// (unusable when empty or longer than the receiver) or one byte, the low 8
// bits of a number. Any other value is unusable.
class ByteNeedle {
public:
    ByteNeedle(KvBaseObject* value, uint32_t receiverLength) {
        if (KvObjNumber* number = asNumber(value)) {
            single_ = static_cast<uint8_t>(number->toInt() & 0xFF);
            usable_ = true;
        } else if (value && value->tag() == kTagBytes) {
            bytes_ = static_cast<KvObjBytes*>(value)->span();
            fromBytes_ = true;
            usable_ = bytes_.size != 0 && bytes_.size <= receiverLength;
        }
    }
    ByteNeedle(const ByteNeedle&) = delete;
    ByteNeedle& operator=(const ByteNeedle&) = delete;

    bool usable() const { return usable_; }
    ByteSpan span() const { return fromBytes_ ? bytes_ : ByteSpan{&single_, 1}; }

private:
    ByteSpan bytes_;
    uint8_t single_ = 0;
    bool fromBytes_ = false;
    bool usable_ = false;
};

KvBaseObject* positionResult(int64_t position) {
    return kvInt(position > INT32_MAX ? -1 : static_cast<int32_t>(position));
}

KvBaseObject* emptyString() {
    return resultNew(new KvObjString(std::u16string()));
}

// A negative offset counts from the last byte: it is increased by length - 1.
int64_t offsetArgument(const KvArgList& args, int32_t i, int64_t length) {
    int64_t offset = argInt(args, i, 0);
    return offset < 0 ? offset + length - 1 : offset;
}

}  // namespace

// sub(index) reads one byte; sub(start, count) copies a range as string "sub" cuts.
KvBaseObject* KvObjBytes::subMethod(const KvArgList& args) {
    if (args.count == 1) {
        return argIsNumber(args, 0) ? byteAt(argInt(args, 0, 0)) : resultNull();
    }
    if (args.count < 2) {
        return resultNull();
    }
    int64_t size = length();
    int64_t start = argInt(args, 0, 0);
    int64_t count = argInt(args, 1, 0);
    if (start < 0) {
        start += size;
    }
    if (start < 0 || start >= size) {
        return resultNull();
    }
    if (count == 0) {
        count = size - start;
    } else if (count < 0) {
        count += size;
    }
    count = std::min(count, size - start);
    if (count <= 0) {
        return resultNull();
    }
    return copyOf(static_cast<uint32_t>(start), static_cast<uint32_t>(count));
}

// resize(size, keep = true): keep is used only when it is a boolean.
KvBaseObject* KvObjBytes::resizeMethod(const KvArgList& args) {
    if (!argIsNumber(args, 0)) {
        return resultBool(false);
    }
    int32_t size = argInt(args, 0, 0);
    KvBaseObject* keepArg = args.at(1);
    bool keep = !(keepArg && keepArg->tag() == kTagBool) || keepArg->toBool();
    if (size <= 0) {
        std::vector<uint8_t>().swap(data_);
        return resultBool(true);
    }
    try {
        std::vector<uint8_t> fresh(static_cast<std::size_t>(size));
        if (keep && !data_.empty()) {
            std::memcpy(fresh.data(), data_.data(), std::min(data_.size(), fresh.size()));
        }
        data_.swap(fresh);
    } catch (const std::bad_alloc&) {
        return resultBool(false);  // a size the memory cannot hold changes nothing
    }
    return resultBool(true);
}

KvBaseObject* KvObjBytes::indexOfMethod(const KvArgList& args) {
    int64_t size = length();
    ByteNeedle needle(args.at(0), length());
    int64_t start = argInt(args, 1, 0);
    if (size == 0 || !needle.usable() || start >= size) {
        return positionResult(-1);
    }
    if (start < 0) {
        start = std::max<int64_t>(start + size, 0);
    }
    return positionResult(bytesFind(span(), needle.span(), static_cast<uint32_t>(start)));
}

// findLast(needle, from = length - 1): the last occurrence beginning at or before from.
KvBaseObject* KvObjBytes::lastIndexOfMethod(const KvArgList& args) {
    int64_t size = length();
    ByteNeedle needle(args.at(0), length());
    if (size == 0 || !needle.usable()) {
        return positionResult(-1);
    }
    int64_t from = argIsNumber(args, 1) ? offsetArgument(args, 1, size) : size - 1;
    if (from < 0 || from >= size) {
        return positionResult(-1);
    }
    return positionResult(bytesFindLast(span(), needle.span(), static_cast<uint32_t>(from)));
}

KvBaseObject* KvObjBytes::splitMethod(const KvArgList& args) {
    ByteNeedle separator(args.at(0), length());
    if (length() == 0 || !separator.usable()) {
        return resultNull();
    }
    auto* list = new KvObjList();
    if (!list) {
        return resultNull();
    }
    for (const ByteSpan& piece : bytesSplit(span(), separator.span())) {
        list->append(new KvObjBytes(piece.data, piece.size));
    }
    return resultNew(list);
}

KvBaseObject* KvObjBytes::clearMethod(const KvArgList&) {
    bool hadBytes = !data_.empty();
    std::vector<uint8_t>().swap(data_);
    return resultBool(hadBytes);
}

KvBaseObject* KvObjBytes::startWithMethod(const KvArgList& args) {
    for (int32_t i = 0; i < args.count && length() != 0; ++i) {
        ByteNeedle prefix(args.at(i), length());
        if (prefix.usable() && bytesStartWith(span(), prefix.span())) {
            return resultBool(true);
        }
    }
    return resultBool(false);
}

KvBaseObject* KvObjBytes::endWithMethod(const KvArgList& args) {
    for (int32_t i = 0; i < args.count && length() != 0; ++i) {
        ByteNeedle suffix(args.at(i), length());
        if (suffix.usable() && bytesEndWith(span(), suffix.span())) {
            return resultBool(true);
        }
    }
    return resultBool(false);
}

KvBaseObject* KvObjBytes::containsMethod(const KvArgList& args) {
    ByteNeedle needle(args.at(0), length());
    if (length() == 0 || !needle.usable()) {
        return resultNull();
    }
    return resultBool(bytesFind(span(), needle.span(), 0) >= 0);
}

// replace(source, offset = 0): overwrites in place when source fits wholly.
KvBaseObject* KvObjBytes::replaceMethod(const KvArgList& args) {
    KvBaseObject* sourceArg = args.at(0);
    if (data_.empty() || !sourceArg || sourceArg->tag() != kTagBytes) {
        return resultBool(false);
    }
    ByteSpan source = static_cast<KvObjBytes*>(sourceArg)->span();
    int64_t size = length();
    int64_t offset = offsetArgument(args, 1, size);
    if (source.size == 0 || source.size > size || offset < 0 || offset + source.size > size) {
        return resultBool(false);
    }
    std::memmove(data_.data() + offset, source.data, source.size);  // source may be this buffer
    return resultBool(true);
}

KvBaseObject* KvObjBytes::asBoolMethod(const KvArgList& args) {
    uint64_t bits = 0;
    return resultBool(readAt(args, 1, bits) && bits != 0);
}

KvBaseObject* KvObjBytes::asIntMethod(const KvArgList& args) {
    uint64_t bits = 0;
    readAt(args, 4, bits);
    return kvInt(static_cast<int32_t>(static_cast<uint32_t>(bits)));
}

KvBaseObject* KvObjBytes::asLongMethod(const KvArgList& args) {
    uint64_t bits = 0;
    readAt(args, 8, bits);
    return resultNew(new KvObjLong(static_cast<int64_t>(bits)));
}

KvBaseObject* KvObjBytes::asFloatMethod(const KvArgList& args) {
    uint64_t bits = 0;
    readAt(args, 4, bits);
    uint32_t narrow = static_cast<uint32_t>(bits);
    float value = 0;
    std::memcpy(&value, &narrow, sizeof value);
    return resultNew(new KvObjFloat(value));
}

KvBaseObject* KvObjBytes::asDoubleMethod(const KvArgList& args) {
    uint64_t bits = 0;
    readAt(args, 8, bits);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return resultNew(new KvObjDouble(value));
}

// asString(offset = 0, count = -1): UTF-8 decoded; invalid sequences are skipped.
KvBaseObject* KvObjBytes::asStringMethod(const KvArgList& args) {
    int64_t size = length();
    int64_t offset = offsetArgument(args, 0, size);
    int64_t count = argInt(args, 1, -1);
    if (offset < 0 || offset >= size || count == 0) {
        return emptyString();
    }
    if (count < 0 || offset + count > size) {
        count = size - offset;
    }
    std::string utf8(reinterpret_cast<const char*>(data_.data() + offset),
                     static_cast<std::size_t>(count));
    return resultNew(new KvObjString(fromUtf8(utf8)));
}

void registerBytesMembers(KvMemberRegistry& registry) {
    struct Entry {
        const char16_t* name;
        KvBaseObject* (KvObjBytes::*method)(const KvArgList&);
    };
    static const Entry kMethods[] = {
        {u"sub", &KvObjBytes::subMethod},
        {u"resize", &KvObjBytes::resizeMethod},
        {u"find", &KvObjBytes::indexOfMethod},
        {u"findLast", &KvObjBytes::lastIndexOfMethod},
        {u"lastIndexOf", &KvObjBytes::lastIndexOfMethod},
        {u"split", &KvObjBytes::splitMethod},
        {u"clear", &KvObjBytes::clearMethod},
        {u"startWith", &KvObjBytes::startWithMethod},
        {u"endWith", &KvObjBytes::endWithMethod},
        {u"contains", &KvObjBytes::containsMethod},
        {u"replace", &KvObjBytes::replaceMethod},
        {u"asBool", &KvObjBytes::asBoolMethod},
        {u"asInt", &KvObjBytes::asIntMethod},
        {u"asLong", &KvObjBytes::asLongMethod},
        {u"asFloat", &KvObjBytes::asFloatMethod},
        {u"asDouble", &KvObjBytes::asDoubleMethod},
        {u"asString", &KvObjBytes::asStringMethod},
    };
    registry.registerProperty(kTagBytes, u"length");
    for (const Entry& entry : kMethods) {
        registry.registerMethod(kTagBytes, entry.name, kvMethod(entry.method));
    }
}

}  // namespace kestrel
