// The opcode table: the facts a mistyped row would break (numbers, names,
// operand kinds stored in compiled-module files), and the reader's refusal
// of a record whose stored kind is not its opcode's.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "compile_test_util.h"
#include "loader/cache_format.h"
#include "loader/module_cache.h"
#include "vm/opcodes.h"

namespace kestrel::testing {
namespace {

TEST(OpcodeTable, EveryNumberIsDistinctAndInRange) {
    std::set<uint32_t> numbers;
    for (const OpcodeInfo& info : kOpcodeTable) {
        const auto number = static_cast<uint32_t>(info.opcode);
        EXPECT_GE(number, 1u) << info.name;
        EXPECT_LE(number, kMaxOpcode) << info.name;
        EXPECT_TRUE(numbers.insert(number).second) << info.name << " reuses " << number;
    }
    size_t known = 0;
    for (uint32_t number = 0; number <= kMaxOpcode + 1; ++number) known += isKnownOpcode(number) ? 1 : 0;
    EXPECT_EQ(known, numbers.size());
}

TEST(OpcodeTable, NamesRoundTrip) {
    std::map<std::string, uint32_t> byName;
    for (const OpcodeInfo& info : kOpcodeTable) {
        ASSERT_NE(info.name, nullptr);
        EXPECT_TRUE(byName.emplace(info.name, static_cast<uint32_t>(info.opcode)).second) << info.name;
    }
    for (const auto& [name, number] : byName) {
        ASSERT_NE(opcodeName(number), nullptr) << name;
        EXPECT_EQ(opcodeName(number), name);
        EXPECT_EQ(opcodeInfo(number).name, opcodeName(number));
    }
    EXPECT_EQ(byName.at("EnterScope"), 60u);
    EXPECT_EQ(byName.at("Import"), 100u);
}

TEST(OpcodeTable, JumpAndRegisterOperandsAreInts) {
    size_t jumps = 0;
    size_t registers = 0;
    for (const OpcodeInfo& info : kOpcodeTable) {
        if (isJumpOpcode(info.opcode)) {
            ++jumps;
            EXPECT_EQ(operandKindOf(info.opcode), OperandKind::Int) << info.name;
        }
        if (isRegisterOpcode(info.opcode)) {
            ++registers;
            EXPECT_EQ(operandKindOf(info.opcode), OperandKind::Int) << info.name;
        }
        EXPECT_FALSE(isJumpOpcode(info.opcode) && isRegisterOpcode(info.opcode)) << info.name;
    }
    EXPECT_EQ(jumps, 12u);  // Jump, JumpAlways, the eight JumpIf, PushHandler, PendingJump
    EXPECT_EQ(registers, 7u);  // the five register moves, EachBegin, EachNext
}

// The kinds are written into every compiled-module file; these are the kinds
// files of this format have always carried.
TEST(OpcodeTable, StoredOperandKindsStayPut) {
    const std::map<OperandKind, std::set<std::string>> expected = {
        {OperandKind::Long, {"PushLong"}},
        {OperandKind::Float, {"PushFloat"}},
        {OperandKind::Double, {"PushDouble"}},
        {OperandKind::Text, {"PushString", "MapPut", "MemberRef", "LoadName", "New"}},
        {OperandKind::Bool, {"PushBool"}},
        {OperandKind::Scope, {"EnterScope"}},
        {OperandKind::Function, {"MakeFunction"}},
        {OperandKind::Class, {"MakeClass"}},
        {OperandKind::Import, {"Import"}},
        {OperandKind::Int,
         {"Jump", "JumpAlways", "JumpIfTrue", "JumpIfFalse", "JumpIfEqual", "JumpIfNotEqual", "JumpIfGreater",
          "JumpIfGreaterEqual", "JumpIfLess", "JumpIfLessEqual", "CallBuiltin", "Throw", "PushInt", "StoreLocal",
          "LoadLocal", "MakeList", "IndexRef", "PopToRegister", "PeekToRegister", "TakeRegister", "PushRegister",
          "ClearRegister", "PushHandler", "PendingJump", "TupleItem", "EachBegin", "EachNext"}},
    };
    std::map<OperandKind, std::set<std::string>> actual;
    for (const OpcodeInfo& info : kOpcodeTable) {
        if (info.kind != OperandKind::None) actual[info.kind].insert(info.name);
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(operandKindOf(static_cast<Opcode>(5)), OperandKind::None);  // a number no row uses
}

// Rewrites the stored kind of the module's EnterScope record (opcode 60,
// discard 1, kind 8) and seals the file again with a fresh checksum, so only
// the kind is wrong.
std::string withEnterScopeKind(std::string bytes, uint8_t kind) {
    const std::string record("\x3c\x00\x00\x00\x01\x08\x00\x00\x00", 9);
    const size_t at = bytes.find(record);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(bytes.find(record, at + 1), std::string::npos);
    if (at == std::string::npos) return bytes;
    bytes[at + 5] = static_cast<char>(kind);
    const size_t body = bytes.size() - cache::kChecksumSize;
    uint64_t sum = cache::checksum(bytes.data(), body);
    for (size_t i = 0; i < cache::kChecksumSize; ++i) bytes[body + i] = static_cast<char>((sum >> (8 * i)) & 0xFF);
    return bytes;
}

TEST(OpcodeTable, ReaderRefusesAStoredKindOtherThanTheOpcodes) {
    Compiled result = compileUtf8("var a = 1\nfunc f(p) { return p + a }\nf(2)");
    ASSERT_TRUE(result.ok);
    const SourceStamp stamp{1, 2, 3};
    const std::string bytes = serializeModule(result.module, stamp);
    CompiledModule module;
    SourceStamp read;
    ASSERT_TRUE(deserializeModule(withEnterScopeKind(bytes, 8), module, read));
    // Int has the same four-byte operand as Scope, so the record still
    // parses: only the kind check can refuse it.
    EXPECT_FALSE(deserializeModule(withEnterScopeKind(bytes, 1), module, read));
    EXPECT_TRUE(module.code.empty());
    EXPECT_FALSE(deserializeModule(withEnterScopeKind(bytes, 0), module, read));
    EXPECT_FALSE(deserializeModule(withEnterScopeKind(bytes, 7), module, read));
}

}  // namespace
}  // namespace kestrel::testing
