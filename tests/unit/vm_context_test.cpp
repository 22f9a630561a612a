// Contexts: slots and alias chains, positions through parent links, lookup
// by name, dumps, and the counted store through a position.
#include <gtest/gtest.h>

#include "objects/number_integer.h"
#include "objects/string_value.h"
#include "objects/value_pool.h"
#include "vm/context.h"
#include "vm_assembler.h"

namespace kestrel::testing {
namespace {

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override { initObjectModel(); }
    Assembler tables;
};

TEST_F(ContextTest, FreshSlotsHoldNullAndStoresAreCounted) {
    auto* context = KvVBaseContext::create(nullptr, tables.scope({u"a", u"b"}));
    context->allocateSlots();
    EXPECT_EQ(context->slotCount(), 2);
    EXPECT_EQ(context->slotAt(0)->read(), kvNull());
    auto* text = new KvObjString(u"v");
    context->storeValue(1, text);
    EXPECT_EQ(text->refCount(), 1);
    context->storeValue(1, text);  // the same value again keeps one reference
    EXPECT_EQ(text->refCount(), 1);
    int64_t before = kvLiveValueCount();
    context->releaseRef();  // the last reference: the value goes with the context
    EXPECT_EQ(kvLiveValueCount(), before - 1);
}

TEST_F(ContextTest, AliasChainsReadAndWriteTheFinalSlotAndRefuseCycles) {
    auto* context = KvVBaseContext::create(nullptr, tables.scope({u"a", u"b", u"c"}));
    context->allocateSlots();
    context->bindSlot(1, context->slotAt(0));
    context->bindSlot(2, context->slotAt(1));
    context->storeValue(2, kvInt(9));
    EXPECT_EQ(context->slotAt(0)->read(), kvInt(9));
    context->bindSlot(0, context->slotAt(2));  // would loop: refused
    EXPECT_FALSE(context->slotAt(0)->isAlias());
    EXPECT_EQ(context->slotAt(1)->read(), kvInt(9));
    context->releaseRef();
}

TEST_F(ContextTest, PositionsWalkParentsAndNamesResolveWithDepth) {
    auto* module = KvVBaseContext::create(nullptr, tables.scope({u"g"}));
    module->allocateSlots();
    auto* function = KvVBaseContext::create(module, tables.scope({u"x"}, ScopeKind::Function));
    function->allocateSlots();
    module->storeValue(0, kvInt(4));
    KvVarPosition outer(-1, 0);
    EXPECT_EQ(function->resolvePosition(&outer)->read(), kvInt(4));
    auto byName = function->resolveName(u"g", 1, 1);
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->depth, -1);
    EXPECT_EQ(byName->slot, 0u);
    EXPECT_EQ(function->resolveName(u"absent", 1, 1), nullptr);
    KvVarPosition unresolved;
    EXPECT_EQ(function->resolvePosition(&unresolved), nullptr);
    KvVarPosition tooFar(-2, 0);
    EXPECT_EQ(function->resolvePosition(&tooFar), nullptr);
    EXPECT_TRUE(function->assignThroughPosition(&outer, kvInt(5)));
    EXPECT_EQ(module->slotAt(0)->read(), kvInt(5));
    module->releaseRef();  // the child still holds its parent
    EXPECT_EQ(function->resolvePosition(&outer)->read(), kvInt(5));
    function->releaseRef();
}

TEST_F(ContextTest, DumpListsNamesAndShowsNilForSlotsNotAllocated) {
    ScopeTable* scope = tables.scope({u"a", u"b"});
    auto* context = KvVBaseContext::create(nullptr, scope);
    EXPECT_EQ(context->dump(), u"a: <nil>\r\nb: <nil>");
    context->allocateSlots();
    context->storeValue(0, kvInt(1));
    context->storeValue(1, new KvObjString(u"s"));
    EXPECT_EQ(context->dump(), u"a: 1\r\nb: " + context->slotAt(1)->read()->detailString(1));
    scope->declarations[1]->visibility = 1;
    EXPECT_EQ(context->dump(), u"a: 1");
    context->releaseRef();
}

}  // namespace
}  // namespace kestrel::testing
