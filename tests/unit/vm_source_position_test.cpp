// Positions of running code, derived from a unit and an instruction
// position: source lines and the function holding an instruction (the
// traces built from them are checked through the program in tests/cli).
#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "vm/code_unit.h"
#include "vm/source_position.h"

namespace kestrel::testing {
namespace {

const char* const kSource =
    "var a = 1\n"                          // 1
    "func named(p) {\n"                    // 2
    "    return p + 1\n"                   // 3
    "}\n"                                  // 4
    "class Shape {\n"                      // 5
    "    var size = 2\n"                   // 6
    "    func area() {\n"                  // 7
    "        return func() { return 3 }\n" // 8
    "    }\n"                              // 9
    "}\n"                                  // 10
    "named(a)\n";                          // 11

struct Unit {
    KvUnitRef unit;
    explicit Unit(const std::string& source, const std::u16string& key = u"/scripts/shapes.kv") {
        Compiled result = compileUtf8(source);
        EXPECT_TRUE(result.ok);
        unit = KvUnitRef::make(std::make_shared<CompiledModule>(std::move(result.module)), key);
    }
    // The position of the first instruction with this opcode on this line.
    int32_t find(Opcode opcode, uint32_t line) const {
        for (int32_t i = 0; i < unit->count(); ++i) {
            if (unit->code()[i].opcode == opcode && unit->code()[i].line == line) return i;
        }
        ADD_FAILURE() << "no such instruction on line " << line;
        return 0;
    }
};

TEST(SourcePosition, EveryInstructionHasTheLineItWasCompiledFrom) {
    Unit u(kSource);
    for (int32_t i = 0; i < u.unit->count(); ++i) {
        uint32_t line = sourceLineAt(*u.unit, i);
        EXPECT_GE(line, 1u) << i;
        EXPECT_LE(line, 11u) << i;
    }
    EXPECT_EQ(sourceLineAt(*u.unit, u.find(Opcode::Add, 3)), 3u);
    EXPECT_EQ(sourceLineAt(*u.unit, u.find(Opcode::Call, 11)), 11u);
    // Out of range positions are clamped, never read past the code.
    EXPECT_EQ(sourceLineAt(*u.unit, -5), sourceLineAt(*u.unit, 0));
    EXPECT_EQ(sourceLineAt(*u.unit, u.unit->count() + 10), sourceLineAt(*u.unit, u.unit->count() - 1));
}

TEST(SourcePosition, LinesBeyondSixteenBitsAreKept) {
    Unit u(std::string(70000, '\n') + "var far = 1 + a\n");
    EXPECT_EQ(sourceLineAt(*u.unit, u.find(Opcode::Add, 70001)), 70001u);
}

TEST(SourcePosition, TheFunctionHoldingAnInstructionNamesIt) {
    Unit u(kSource);
    EXPECT_EQ(functionNameAt(*u.unit, u.find(Opcode::Add, 3)), u"named");
    EXPECT_EQ(functionNameAt(*u.unit, u.find(Opcode::Call, 11)), u"<module>");
    EXPECT_EQ(functionNameAt(*u.unit, u.find(Opcode::MakeFunction, 8)), u"Shape.area");
    EXPECT_EQ(functionNameAt(*u.unit, u.find(Opcode::PushInt, 8)), u"<lambda>");
    EXPECT_EQ(functionNameAt(*u.unit, u.find(Opcode::PushInt, 6)), u"<class Shape>");
    EXPECT_EQ(sourceFileOf(*u.unit), u"/scripts/shapes.kv");
    Unit anonymous("var x = 1\n", u"");
    EXPECT_EQ(sourceFileOf(*anonymous.unit), u"<unknown>");
}

}  // namespace
}  // namespace kestrel::testing
