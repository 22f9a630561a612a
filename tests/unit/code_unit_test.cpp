// A code unit's cache entries: every position has exactly one entry of its
// own, whether its record is plain, fused or the head of nothing, and with
// fusion on or off.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "compile_test_util.h"
#include "compiler/codegen.h"
#include "host/utf8.h"
#include "objects/shared_constants.h"
#include "parser/parse_source.h"
#include "vm/code_unit.h"
#include "vm/exec_code.h"

namespace kestrel {
namespace {

TEST(CodeUnit, EveryPositionHasOneEntryOfItsOwn) {
    initObjectModel();
    CompiledModulePtr module = testing::compileShared(
        "var s = \"a\"\nvar i = 0\nwhile (i < 300000) { i = i + 1; s = s + \"b\" }\n"
        "var m = {k: 1.5}\nprint(m.k, s.size(), 123456, 9876543210)\nf(1)\n");
    const bool saved = fusedInstructionsEnabled();
    for (bool fuse : {true, false}) {
        fusedInstructionsEnabled() = fuse;
        auto* unit = new CodeUnit(module, u"");
        int32_t fused = 0;
        std::set<const CodeCacheEntry*> seen;
        for (int32_t i = 0; i < unit->count(); ++i) {
            if (unit->exec()[i].op >= kFirstFusedOp) ++fused;
            CodeCacheEntry* entry = &unit->cache(i);
            EXPECT_EQ(entry, &unit->cache(i)) << i;
            EXPECT_TRUE(seen.insert(entry).second) << "position " << i << " shares an entry";
        }
        EXPECT_EQ(fused > 0, fuse);
        unit->releaseRef();
    }
    fusedInstructionsEnabled() = saved;
}

}  // namespace
}  // namespace kestrel
