// The compiled-module file: a faithful round trip of every operand kind and
// of the scope tables, and refusal (never a crash or a hang) of truncated,
// bit-flipped and hostile files.
#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "temp_file_util.h"
#include "loader/cache_format.h"
#include "loader/module_cache.h"
#include "loader/module_verifier.h"

namespace kestrel::testing {
namespace {

const char* const kEveryOperand =
    "import \"other\"\n"
    "var a = [1, 123456789012, 1.5, 1.123456789, true, \"s\\\"x\", null, {k: 2}]\n"
    "func f(p) { var q = p\n return func() { return q + a + g } }\n"
    "class C extends B { var z = 1\n func m() { this.z = z\n switch (z) { case 1: break } } }\n"
    "var o = new C()\no.z = o.m()[0]\nx++\n"
    "for (var e : a) { a[e] += ~e & 1 | 2 ^ 3 << 4 >> 5 }\nvar (t, u) = [a === 1, this]\nfor (;;) break\n";

std::string scopeSummary(const CompiledModule& module) {
    std::string out;
    for (const auto& scope : module.scopes) {
        out += std::to_string(scope->number) + "/" + std::to_string(static_cast<int>(scope->kind)) + "/" +
               std::to_string(scope->enclosing ? scope->enclosing->number : -1) + ":";
        for (const VariableDecl* decl : scope->slotOrder) {
            out += " " + toUtf8(decl->name) + "=" + std::to_string(decl->slot);
        }
        for (const auto& position : scope->outerReferences) {
            if (position) {
                out += " @" + std::to_string(position->depth) + "." + std::to_string(position->slot) +
                       (position->lexical ? "L" : "");
            }
        }
        out += std::to_string(scope->firstParameterSlot) + std::to_string(scope->firstImplicitSlot) + "|";
    }
    return out;
}

class ModuleCache : public ::testing::Test {
protected:
    void SetUp() override {
        Compiled result = compileUtf8(kEveryOperand);
        ASSERT_TRUE(result.ok) << toUtf8(result.error.message);
        original_ = std::move(result.module);
        bytes_ = serializeModule(original_, stamp_);
    }
    bool reads(const std::string& bytes) {
        CompiledModule module;
        SourceStamp stamp;
        return deserializeModule(bytes, module, stamp);
    }

    CompiledModule original_;
    SourceStamp stamp_{1700000000, 123456789, 321, 0xfedcba9876543210ull};
    std::string bytes_;
};

TEST_F(ModuleCache, RoundTripKeepsEveryInstructionAndScope) {
    for (const char* name : {"EachBegin", "EachNext", "TupleItem", "PeekRef", "Swap", "BitNot", "BitAnd", "BitOr",
                             "BitXor", "ShiftLeft", "ShiftRight", "StrictEqual", "PushThis"}) {
        EXPECT_NE(disassemble(original_).find(name), std::string::npos) << name;
    }
    CompiledModule copy;
    SourceStamp stamp;
    ASSERT_TRUE(deserializeModule(bytes_, copy, stamp));
    EXPECT_EQ(stamp, stamp_);
    EXPECT_EQ(disassemble(copy), disassemble(original_));
    EXPECT_EQ(scopeSummary(copy), scopeSummary(original_));
    size_t namedCalls = 0;
    for (size_t i = 0; i < copy.code.size(); ++i) {
        EXPECT_EQ(copy.code[i].line, original_.code[i].line);
        EXPECT_TRUE(copy.texts.owns(copy.code[i].text)) << i;  // never a handle into the original
        EXPECT_EQ(copy.code[i].text, original_.code[i].text);  // a call's text rides in its own section
        if (copy.code[i].opcode == Opcode::Call && !copy.code[i].text.empty()) ++namedCalls;
    }
    EXPECT_GT(namedCalls, 0u);
    EXPECT_EQ(serializeModule(copy, stamp), bytes_);
}

TEST_F(ModuleCache, LongLiteralKeepsAllSixtyFourBits) {
    CompiledModule copy;
    SourceStamp stamp;
    ASSERT_TRUE(deserializeModule(bytes_, copy, stamp));
    bool found = false;
    for (const Instruction& instruction : copy.code) {
        if (instruction.opcode == Opcode::PushLong) {
            EXPECT_EQ(instruction.intValue, 123456789012);
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

// A damaged body with its checksum made to match again, as a hostile file
// would carry: the parser and the verifier alone must then hold.
std::string resigned(std::string bytes) {
    if (bytes.size() < cache::kChecksumSize) return bytes;
    size_t body = bytes.size() - cache::kChecksumSize;
    uint64_t sum = cache::checksum(bytes.data(), body);
    for (size_t i = 0; i < cache::kChecksumSize; ++i) bytes[body + i] = static_cast<char>(sum >> (8 * i));
    return bytes;
}

TEST_F(ModuleCache, EveryTruncationIsRefused) {
    for (size_t size = 0; size < bytes_.size(); ++size) {
        EXPECT_FALSE(reads(bytes_.substr(0, size))) << "kept " << size << " of " << bytes_.size();
        std::string body = bytes_.substr(0, bytes_.size() - cache::kChecksumSize);
        if (size < body.size()) {
            EXPECT_FALSE(reads(resigned(body.substr(0, size) + std::string(cache::kChecksumSize, '\0'))))
                << "resigned, kept " << size;
        }
    }
    EXPECT_FALSE(reads(bytes_ + '\0'));  // trailing bytes are no better
}

TEST_F(ModuleCache, AnyFlippedBitFailsTheChecksum) {
    for (size_t at = 0; at < bytes_.size(); ++at) {
        std::string flipped = bytes_;
        flipped[at] = static_cast<char>(flipped[at] ^ (1 << (at % 8)));
        EXPECT_FALSE(reads(flipped)) << at;
    }
}

TEST_F(ModuleCache, BitFlipsBehindAValidChecksumAreRefusedOrStillSound) {
    for (size_t at = 0; at + cache::kChecksumSize < bytes_.size(); ++at) {
        for (int bit : {static_cast<int>(at % 8), 7}) {
            std::string flipped = bytes_;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            CompiledModule module;
            SourceStamp stamp;
            if (deserializeModule(resigned(flipped), module, stamp)) { EXPECT_TRUE(verifyModule(module)) << at; }
        }
    }
}

TEST_F(ModuleCache, ScrambledRunsAndHugeCountsAreRefused) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 300; ++round) {
        std::string scrambled = bytes_;
        size_t at = next() % scrambled.size();
        size_t length = 1 + next() % 12;
        for (size_t i = at; i < scrambled.size() && i < at + length; ++i) scrambled[i] = static_cast<char>(next() >> 16);
        CompiledModule module;
        SourceStamp stamp;
        if (deserializeModule(resigned(scrambled), module, stamp)) { EXPECT_TRUE(verifyModule(module)); }
    }
    // Every 32-bit field turned into 0xFFFFFFFF in turn.
    for (size_t at = 12; at + 4 + cache::kChecksumSize <= bytes_.size(); at += 4) {
        std::string hostile = bytes_;
        hostile.replace(at, 4, "\xff\xff\xff\xff");
        CompiledModule module;
        SourceStamp stamp;
        if (deserializeModule(resigned(hostile), module, stamp)) { EXPECT_TRUE(verifyModule(module)); }
    }
}

TEST_F(ModuleCache, ForeignOrOlderFilesAreRefused) {
    EXPECT_FALSE(reads(""));
    EXPECT_FALSE(reads("not a compiled module at all"));
    std::string older = bytes_;
    older[8] = 0;  // format version 0
    EXPECT_FALSE(reads(older));
    older[8] = 1;  // before finally blocks had their own instructions
    EXPECT_FALSE(reads(older));
}

TEST(ModuleVerifier, RefusesCodeThatLeavesItsBounds) {
    Compiled result = compileUtf8("var a = 1\nfunc f(p) { return p }\nwhile (a) { a = 0 }");
    ASSERT_TRUE(result.ok);
    CompiledModule& module = result.module;
    ASSERT_TRUE(verifyModule(module));
    auto find = [&module](Opcode opcode) {
        for (auto& instruction : module.code) {
            if (instruction.opcode == opcode) return &instruction;
        }
        return static_cast<Instruction*>(nullptr);
    };
    Instruction* load = find(Opcode::LoadLocal);  // inside f, which has one slot
    load->intValue = 1;
    EXPECT_FALSE(verifyModule(module));
    load->intValue = 0;
    Instruction* loop = find(Opcode::JumpIfTrue);
    int64_t target = loop->intValue;
    loop->intValue = find(Opcode::MakeFunction)->function->entry;  // into the body of f
    EXPECT_FALSE(verifyModule(module));
    loop->intValue = static_cast<int64_t>(module.code.size());
    EXPECT_FALSE(verifyModule(module));
    loop->intValue = target;
    module.code[1].opcode = Opcode::PushRegister;  // a register number past the last
    module.code[1].intValue = kRegisterCount;
    EXPECT_FALSE(verifyModule(module));
}

TEST(ModuleVerifier, PendingJumpsStayInTheirBody) {
    Compiled result = compileUtf8("func f() { return 1 }\ntry { f() } finally { f() }");
    ASSERT_TRUE(result.ok);
    CompiledModule& module = result.module;
    ASSERT_TRUE(verifyModule(module));
    for (auto& instruction : module.code) {
        if (instruction.opcode != Opcode::PendingJump) continue;
        int64_t target = instruction.intValue;
        instruction.intValue = module.functions.front()->entry;  // into the body of f
        EXPECT_FALSE(verifyModule(module));
        instruction.intValue = -1;
        EXPECT_FALSE(verifyModule(module));
        instruction.intValue = target;
    }
    EXPECT_TRUE(verifyModule(module));
}

TEST(ModuleCacheFile, WrittenWholeAndReadOnlyForTheSameSource) {
    ScratchDirectory directory;
    Compiled result = compileUtf8("var n = 123456789012");
    ASSERT_TRUE(result.ok);
    SourceStamp stamp{10, 20, 30, 0x1234567890abcdefull};
    std::u16string path = directory.pathOf("m.kvc");
    ASSERT_TRUE(writeModuleCache(path, result.module, stamp));
    EXPECT_NE(readModuleCache(path, &stamp), nullptr);
    EXPECT_NE(readModuleCache(path, nullptr), nullptr);
    SourceStamp newer = stamp;
    newer.nanoseconds += 1;  // an edit within the same second
    EXPECT_EQ(readModuleCache(path, &newer), nullptr);
    newer = stamp;
    newer.size += 1;
    EXPECT_EQ(readModuleCache(path, &newer), nullptr);
    newer = stamp;
    newer.contentHash ^= 1;  // same time and size, other bytes
    EXPECT_EQ(readModuleCache(path, &newer), nullptr);
    EXPECT_EQ(readModuleCache(directory.pathOf("absent.kvc"), nullptr), nullptr);
}

}  // namespace
}  // namespace kestrel::testing
