// Little-endian byte writing and bounds-checked reading for the
// compiled-module file. A reader that runs short or meets a malformed string
// stays failed and yields zeros from then on; nothing reads past the end.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace kestrel {

// Appends fixed-width little-endian fields; the writer cannot fail, so the
// same module always gives the same bytes.
class ByteWriter {
public:
    void u8(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void u16(uint16_t value) { raw(value, 2); }
    void u32(uint32_t value) { raw(value, 4); }
    void i32(int32_t value) { raw(static_cast<uint32_t>(value), 4); }
    void i64(int64_t value) { raw(static_cast<uint64_t>(value), 8); }
    // Floats are stored as their IEEE bit patterns, so they read back exactly.
    void f32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        raw(bits, 4);
    }
    void f64(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, 8);
        raw(bits, 8);
    }
    // Byte count 2 * characters + 2, the UTF-16LE characters, a 16-bit zero.
    void text(const std::u16string& value) {
        u32(static_cast<uint32_t>(value.size() * 2 + 2));
        for (char16_t c : value) u16(static_cast<uint16_t>(c));
        u16(0);
    }
    void bytes(const char* data, size_t size) { bytes_.append(data, size); }
    void reserve(size_t size) { bytes_.reserve(size); }
    const std::string& data() const { return bytes_; }

private:
    // The low count bytes of value, least significant first.
    void raw(uint64_t value, int count) {
        for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    std::string bytes_;
};

// Reads fields back from a byte range it does not own (the range must outlive
// it). Invariant: at_ <= size_; once ok_ is false it stays false and every
// later read yields zero, so callers may read a whole record and test ok()
// once at the end instead of after every field.
class ByteReader {
public:
    ByteReader(const char* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t left() const { return size_ - at_; }
    void failed() { ok_ = false; }
    // True when count records of at least minSize bytes each can still follow.
    bool canHold(uint64_t count, uint64_t minSize) {
        if (count > left() / (minSize == 0 ? 1 : minSize)) ok_ = false;
        return ok_;
    }
    // Consumes size bytes and fails unless they are exactly magic.
    bool expect(const char* magic, size_t size) {
        if (!take(size) || std::memcmp(data_ + at_ - size, magic, size) != 0) ok_ = false;
        return ok_;
    }

    uint8_t u8() { return static_cast<uint8_t>(raw(1)); }
    uint16_t u16() { return static_cast<uint16_t>(raw(2)); }
    uint32_t u32() { return static_cast<uint32_t>(raw(4)); }
    int32_t i32() { return static_cast<int32_t>(raw(4)); }
    int64_t i64() { return static_cast<int64_t>(raw(8)); }
    float f32() {
        uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }
    double f64() {
        uint64_t bits = raw(8);
        double value;
        std::memcpy(&value, &bits, 8);
        return value;
    }
    // A string as ByteWriter::text writes it. The byte count is weighed
    // against the bytes left before anything is allocated, so a hostile count
    // cannot make the reader reserve memory the file does not hold.
    std::u16string text() {
        uint32_t byteCount = u32();
        if (!ok_ || byteCount < 2 || byteCount % 2 != 0 || byteCount > left()) {
            ok_ = false;
            return std::u16string();
        }
        std::u16string value;
        value.reserve(byteCount / 2 - 1);
        for (uint32_t i = 0; i + 1 < byteCount / 2; ++i) value.push_back(static_cast<char16_t>(u16()));
        if (u16() != 0) ok_ = false;
        return value;
    }

private:
    // Advances past count bytes, or fails without moving when fewer are left.
    bool take(size_t count) {
        if (!ok_ || count > left()) {
            ok_ = false;
            return false;
        }
        at_ += count;
        return true;
    }
    // The next count bytes as a little-endian number; 0 once failed.
    uint64_t raw(int count) {
        if (!take(static_cast<size_t>(count))) return 0;
        uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            value |= static_cast<uint64_t>(static_cast<uint8_t>(data_[at_ - count + i])) << (8 * i);
        }
        return value;
    }

    const char* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace kestrel
