// Byte buffer basics: construction, text forms, "length" and brackets.
#include "objects/bytes_value.h"

#include "host/utf8.h"
#include "objects/native_result.h"
#include "objects/number.h"
#include "objects/string_value.h"

namespace kestrel {

namespace {
constexpr int32_t kLengthProperty = 1;
}

KvObjBytes::KvObjBytes(const uint8_t* source, uint32_t length)
    : data_(source ? std::vector<uint8_t>(source, source + length) : std::vector<uint8_t>(length)) {
    setTag(kTagBytes);
}

std::u16string KvObjBytes::toString() const {
    return u"<bytes:" + decimalText(static_cast<int64_t>(length())) + u">";
}

std::u16string KvObjBytes::detailString(int32_t indent) const {
    uint32_t shown = length();
    if (indent != -1 && shown > kDetailValueCap) {
        shown = kDetailValueCap;
    }
    std::u16string text = u"[";
    text.reserve(static_cast<std::size_t>(shown) * 5 + 8);
    for (uint32_t i = 0; i < shown; ++i) {
        if (i > 0) {
            text += u", ";
        }
        text += decimalText(data_[i]);
    }
    if (shown < length()) {
        text += u", ...";
    }
    return text + u"]";
}

KvBaseObject* KvObjBytes::getBuiltinProperty(int32_t id) {
    if (id == kLengthProperty) {
        return resultCount(length());
    }
    return KvBaseObject::getBuiltinProperty(id);
}

KvBaseObject* KvObjBytes::byteAt(int32_t index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= length()) {
        return kvInt(0);
    }
    return kvInt(data_[static_cast<uint32_t>(index)]);
}

KvBaseObject* KvObjBytes::copyOf(uint32_t start, uint32_t count) const {
    return resultNew(new KvObjBytes(data_.data() + start, count));
}

bool KvObjBytes::readAt(const KvArgList& args, uint32_t width, uint64_t& bits) const {
    int64_t offset = argInt(args, 0, 0);
    if (offset < 0) {
        offset += int64_t{length()} - 1;
    }
    if (offset < 0 || offset + width > length()) {
        return false;
    }
    bits = 0;
    for (uint32_t i = width; i > 0; --i) {
        bits = (bits << 8) | data_[static_cast<std::size_t>(offset) + i - 1];
    }
    return true;
}

KvBaseObject* KvObjBytes::getAt(KvBaseObject* key) {
    if (KvObjNumber* index = asNumber(key)) {
        return byteAt(index->toInt());
    }
    if (key && key->tag() == kTagString) {
        return getProperty(key->toString());
    }
    return resultNull();
}

// b[i] = v: both numbers and i inside the buffer; the byte keeps v's low 8 bits.
bool KvObjBytes::setAt(KvBaseObject* key, KvBaseObject* value) {
    KvObjNumber* index = asNumber(key);
    KvObjNumber* number = asNumber(value);
    if (!index || !number) {
        return false;
    }
    int32_t i = index->toInt();
    if (i < 0 || static_cast<uint32_t>(i) >= length()) {
        return false;
    }
    data_[static_cast<uint32_t>(i)] = static_cast<uint8_t>(number->toInt() & 0xFF);
    return true;
}

// b[a, b]: bytes a to b inclusive. An empty or reversed range reads as the
// empty string, a start still below 0 after adding the length as null.
KvBaseObject* KvObjBytes::getRange(const KvArgList& args) {
    int64_t size = length();
    if (size == 0) {
        return resultNull();
    }
    int64_t a = argInt(args, 0, 0);
    int64_t b = argInt(args, 1, -1);
    if (b >= size) {
        b = size - 1;
    }
    if (b < 0) {
        b += size;
    }
    if (a < 0) {
        a += size;
    }
    if (b < 0) {
        return resultNew(new KvObjString(std::u16string()));
    }
    if (a < 0) {
        return resultNull();
    }
    if (a > b) {
        return resultNew(new KvObjString(std::u16string()));
    }
    return copyOf(static_cast<uint32_t>(a), static_cast<uint32_t>(b - a + 1));
}

}  // namespace kestrel
