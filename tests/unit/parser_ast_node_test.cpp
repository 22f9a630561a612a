// The syntax node model: fixed type numbers, initial field values, shared
// ownership with non-owning parent links, release of every payload shape
// (including the shapes only later passes build), and pipe building.
#include <gtest/gtest.h>

#include "parser/ast_node.h"
#include "parser/ast_printer.h"

namespace kestrel {
namespace {

KvAstNodePtr leaf(const char16_t* text) { return std::make_shared<KvAstNode>(KvAstType_Var, text); }

TEST(ParserAstNode, TypeNumbersAreFixed) {
    EXPECT_EQ(KvAstType_Program, 4u);
    EXPECT_EQ(KvAstType_Continue, 26u);
    EXPECT_EQ(KvAstType_PreIncrement, 30u);
    EXPECT_EQ(KvAstType_BoolOp, 38u);
    EXPECT_EQ(KvAstType_VarPipe, 39u);
    EXPECT_EQ(KvAstType_Map, 42u);
    EXPECT_EQ(KvAstType_Parens, 46u);
    EXPECT_EQ(KvAstType_Block, 49u);
    EXPECT_EQ(KvAstType_VarDefineList, 54u);
    EXPECT_EQ(KvAstType_NotExpr, 58u);
    EXPECT_EQ(KvAstType_CompoundAssign, 59u);
    EXPECT_STREQ(astTypeName(39), "VarPipe");
    EXPECT_STREQ(astTypeName(3), "Unknown");
}

TEST(ParserAstNode, ConstructionSetsInitialFields) {
    KvAstNode node(KvAstType_Number, u"12");
    EXPECT_TRUE(node.text() == u"12");
    EXPECT_EQ(node.parent(), nullptr);
    EXPECT_EQ(node.payload(), nullptr);
    KvAstNode withPayload(KvAstType_Block, std::make_unique<KvAstList>());
    EXPECT_TRUE(withPayload.text().empty());
    EXPECT_NE(withPayload.payloadAs<KvAstList>(), nullptr);
    EXPECT_EQ(withPayload.payloadAs<KvAstOperator>(), nullptr);
}

// One payload of each shape, each holding a child; destroying the node must
// release that child (the weak pointer expires).
std::unique_ptr<KvAstPayload> shapeFor(uint32_t type, const KvAstNodePtr& child) {
    switch (type) {
    case 27: return std::make_unique<KvAstCallLike>(child, KvAstNodeList{});
    case 37: return std::make_unique<KvAstOneChild>(child);
    case 55: return std::make_unique<KvAstOwnedNode>(child);
    default: return std::make_unique<KvAstList>(KvAstNodeList{child});
    }
}

TEST(ParserAstNode, ShapesOfLaterPassesAreReleased) {
    for (uint32_t type : {27u, 28u, 37u, 40u, 41u, 50u, 55u, 56u}) {
        auto child = leaf(u"c");
        std::weak_ptr<KvAstNode> watch = child;
        {
            KvAstNode node(type, shapeFor(type, child));
            child.reset();
            EXPECT_FALSE(watch.expired()) << type;
        }
        EXPECT_TRUE(watch.expired()) << type;
    }
    KvAstNode names(45, std::make_unique<KvAstNames>(KvAstNameList{u"a", u"b"}));
    EXPECT_EQ(names.payloadAs<KvAstNames>()->names.size(), 2u);
}

TEST(ParserAstNode, EveryParserShapeReleasesItsChildren) {
    std::vector<std::weak_ptr<KvAstNode>> watched;
    auto child = [&] {
        auto node = leaf(u"x");
        watched.push_back(node);
        return node;
    };
    {
        auto loop = std::make_unique<KvAstCountedLoop>();
        loop->initialisers.push_back(child());
        loop->test = child();
        loop->updates.push_back(child());
        loop->body = child();
        auto tryPayload = std::make_unique<KvAstTry>();
        tryPayload->tryBlock = child();
        tryPayload->catchBlock = child();
        tryPayload->finallyBlock = child();
        tryPayload->catchVar = child();
        auto switchPayload = std::make_unique<KvAstSwitch>();
        switchPayload->test = child();
        switchPayload->cases.push_back({{child()}, {child(), child()}});
        auto function = std::make_unique<KvAstFunction>();
        function->body.push_back(child());
        function->extra = child();
        auto klass = std::make_unique<KvAstClass>();
        klass->variables.push_back(child());
        klass->functions.push_back(child());
        KvAstNodeList holders;
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_For, std::move(loop)));
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_Try, std::move(tryPayload)));
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_Switch, std::move(switchPayload)));
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_FuncDefine, std::move(function)));
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_ClassDefine, std::move(klass)));
        holders.push_back(std::make_shared<KvAstNode>(
            KvAstType_BoolOp, std::make_unique<KvAstOperator>(u"==", 2, child(), child())));
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_ForEach,
                                                      std::make_unique<KvAstEachLoop>(u"v", child(), child())));
        holders.push_back(std::make_shared<KvAstNode>(
            KvAstType_TupleVarDefine, std::make_unique<KvAstMultiDefinition>(KvAstNameList{u"a"}, child())));
        holders.push_back(std::make_shared<KvAstNode>(KvAstType_Import, std::make_unique<KvAstImport>()));
        KvAstNode root(KvAstType_Program, std::make_unique<KvAstList>(holders));
        for (const auto& w : watched) EXPECT_FALSE(w.expired());
    }
    for (const auto& w : watched) EXPECT_TRUE(w.expired());
}

TEST(ParserAstNode, ParentLinksNeverOwn) {
    auto child = leaf(u"c");
    {
        auto parent = std::make_shared<KvAstNode>(KvAstType_Return, std::make_unique<KvAstOneChild>(child));
        adoptChild(parent.get(), child);
        EXPECT_EQ(child->parent(), parent.get());
    }
    EXPECT_EQ(child.use_count(), 1);
    EXPECT_TRUE(child->text() == u"c");
}

TEST(ParserAstNode, SharedSubtreeLivesUntilItsLastHolder) {
    auto shared = std::make_shared<KvAstNode>(KvAstType_Return, std::make_unique<KvAstOneChild>(leaf(u"deep")));
    std::weak_ptr<KvAstNode> deep = shared->payloadAs<KvAstOneChild>()->child;
    {
        KvAstNode a(KvAstType_Block, std::make_unique<KvAstList>(KvAstNodeList{shared}));
        KvAstNode b(KvAstType_Block, std::make_unique<KvAstList>(KvAstNodeList{shared}));
    }
    EXPECT_FALSE(deep.expired());
    EXPECT_NE(shared->payloadAs<KvAstOneChild>()->child, nullptr);
    shared.reset();
    EXPECT_TRUE(deep.expired());
}

TEST(ParserAstNode, BuildingPipes) {
    KvAstNodeList pending;
    EXPECT_EQ(buildPipe(pending), nullptr);
    auto a = leaf(u"a");
    pending.push_back(a);
    EXPECT_EQ(buildPipe(pending), a);
    EXPECT_TRUE(pending.empty());

    auto b = leaf(u"b");
    a->setLine(3);
    a->setStart(10);
    b->setEnd(15);
    b->setNext(6);
    pending = {a, b};
    KvAstNodePtr pipe = buildPipe(pending);
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(pipe->type(), KvAstType_VarPipe);
    EXPECT_EQ(pipe->line(), 3u);
    EXPECT_EQ(pipe->start(), 10u);
    EXPECT_EQ(pipe->end(), 15u);
    EXPECT_EQ(pipe->next(), 6u);
    EXPECT_EQ(a->parent(), pipe.get());
    EXPECT_EQ(b->parent(), pipe.get());
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(compactAst(pipe.get()), "VarPipe(a, b)");
}

TEST(ParserAstNode, ReplacingThePayloadReleasesTheOldOne) {
    auto child = leaf(u"c");
    std::weak_ptr<KvAstNode> watch = child;
    KvAstNode node(KvAstType_Block, std::make_unique<KvAstList>(KvAstNodeList{child}));
    child.reset();
    node.setPayload(std::make_unique<KvAstList>());
    EXPECT_TRUE(watch.expired());
}

TEST(ParserAstNode, DeepChainsAreReleasedAndPrintedWithoutRecursion) {
    auto top = leaf(u"bottom");
    std::weak_ptr<KvAstNode> bottom = top;
    for (int i = 0; i < 100000; ++i)
        top = std::make_shared<KvAstNode>(KvAstType_Return, std::make_unique<KvAstOneChild>(top));
    std::string dump = dumpAst(*top);
    EXPECT_NE(dump.find("[depth 100000] Var \"bottom\""), std::string::npos);
    EXPECT_EQ(compactAst(top.get()).size(), 100000 * 8 + 6);
    top.reset();
    EXPECT_TRUE(bottom.expired());
}

TEST(ParserAstNode, DumpShowsTypesTextsValuesAndLines) {
    auto value = std::make_shared<KvAstNode>(KvAstType_Number, u"1");
    value->setLine(2);
    auto definition = std::make_shared<KvAstNode>(KvAstType_VarDefine, std::make_unique<KvAstDefinition>(u"a", value));
    definition->setLine(2);
    EXPECT_EQ(dumpAst(*definition), "VarDefine name=a line:2\n  Number \"1\" line:2\n");
    KvAstNode text(KvAstType_String, u"a\nb\t");
    EXPECT_EQ(dumpAst(text), "String \"a\\nb\\t\" line:0\n");
    auto ret = std::make_shared<KvAstNode>(KvAstType_Return, std::make_unique<KvAstOneChild>(nullptr));
    EXPECT_EQ(dumpAst(*ret), "Return line:0\n  -\n");
}

}  // namespace
}  // namespace kestrel
