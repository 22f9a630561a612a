// The memory a parsed tree lives in: nodes and texts in the tree's arena,
// operator links of eight bytes, operator tokens that become the operators
// they head, and long arithmetic statements reduced while they are read. Each
// must leave the tree, its positions and its lifetime as they were.
#include <gtest/gtest.h>

#include <string>

#include "parser/ast_arena.h"
#include "parser/expression_parser.h"
#include "parser_test_util.h"
#include "vm_script_support.h"

namespace kestrel::testing {
namespace {

std::string chain(const std::string& head, const std::string& term, int count) {
    std::string out = head;
    for (int i = 0; i < count; ++i) out += term;
    return out;
}

TEST(ParserArena, NodesAndOperatorLinksStaySmall) {
    // The front end's memory targets rest on these sizes; a field added here
    // costs tens of megabytes on a large source.
    EXPECT_LE(sizeof(KvAstNode), 40u);
    EXPECT_LE(sizeof(KvAstOperator), 32u);
    EXPECT_EQ(sizeof(KvAstChild), sizeof(void*));
}

TEST(ParserArena, EqualTextsAreStoredOnce) {
    KvAstTexts& store = KvAstTexts::shared();
    const size_t before = store.liveTexts();
    {
        KvAstArena arena;
        const uint32_t a = arena.intern(u"arena name");
        EXPECT_EQ(arena.intern(std::u16string(u"arena name")), a);
        EXPECT_NE(arena.intern(u"other"), a);
        EXPECT_EQ(arena.intern(u"+"), arena.intern(u"+"));
        EXPECT_EQ(store.text(arena.intern(u"\u4E2D")), u"\u4E2D");
        EXPECT_EQ(arena.intern(u""), KvAstTexts::kEmpty);
        KvAstNodePtr node = arena.node(KvAstType_Var, u"arena name");
        EXPECT_EQ(&node->textRef(), &store.text(a));
        EXPECT_TRUE(node->inArena());
        EXPECT_EQ(node.use_count(), 0);  // links inside the arena count nothing
        // A node made on its own shares the stored text and counts itself.
        KvAstNode alone(KvAstType_Var, u"arena name");
        EXPECT_EQ(&alone.textRef(), &store.text(a));
        EXPECT_EQ(store.liveTexts(), before + 4);
    }
    EXPECT_EQ(store.liveTexts(), before);  // the arena and the node gave their texts back
}

TEST(ParserArena, AFreedTextIsNotSeenAgain) {
    KvAstTexts& store = KvAstTexts::shared();
    std::u16string first;
    {
        KvAstNode gone(KvAstType_String, std::u16string(1000, u'a'));
        first = gone.text();
    }
    KvAstNode next(KvAstType_String, u"b");  // may reuse the freed number
    EXPECT_EQ(next.textRef(), u"b");
    EXPECT_EQ(first.size(), 1000u);
    KvAstNode again(KvAstType_String, std::u16string(1000, u'a'));
    EXPECT_EQ(again.textRef(), first);
    EXPECT_NE(&again.textRef(), &next.textRef());
    EXPECT_EQ(store.text(KvAstTexts::kEmpty), u"");
}

TEST(ParserArena, TextsOfManyNodesSurviveUntilTheRootGoes) {
    // More names than one slab of nodes holds, each with a text of its own.
    std::string source;
    for (int i = 0; i < 6000; ++i) source += "var name" + std::to_string(i) + " = \"text " + std::to_string(i) + "\"\n";
    ParseOutcome outcome = parseUtf8(source);
    ASSERT_TRUE(outcome.ok);
    KvAstNodePtr root = outcome.root;
    outcome.root.reset();
    const auto& statements = root->payloadAs<KvAstList>()->items;
    ASSERT_EQ(statements.size(), 6000u);
    for (size_t i = 0; i < statements.size(); i += 997) {
        auto* definition = statements[i]->payloadAs<KvAstDefinition>();
        ASSERT_NE(definition, nullptr);
        EXPECT_EQ(toUtf8(definition->name), "name" + std::to_string(i));
        EXPECT_EQ(toUtf8(definition->value->textRef()), "text " + std::to_string(i));
        EXPECT_EQ(definition->value->parent(), statements[i].get());
    }
}

TEST(ParserArena, HandBuiltOperatorsOwnTheirOperands) {
    auto left = std::make_shared<KvAstNode>(KvAstType_Number, u"1");
    std::weak_ptr<KvAstNode> watch = left;
    auto op = std::make_shared<KvAstNode>(KvAstType_NumberOp, u"+");
    op->setPayload(
        std::make_unique<KvAstOperator>(u"+", 9, left, std::make_shared<KvAstNode>(KvAstType_Number, u"2")));
    left.reset();
    auto* payload = op->payloadAs<KvAstOperator>();
    ASSERT_FALSE(watch.expired());
    EXPECT_EQ(payload->left.get(), watch.lock().get());
    KvAstNodePtr kept = payload->left;  // a copy shares ownership
    payload->left = payload->right;     // reassigning drops only the link
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(compactAst(op.get()), "+(2, 2)");
    op.reset();
    EXPECT_FALSE(watch.expired());
    kept.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(ParserArena, DeepHandBuiltOperatorChainsAreReleasedWithoutRecursion) {
    auto bottom = std::make_shared<KvAstNode>(KvAstType_Number, u"0");
    std::weak_ptr<KvAstNode> watch = bottom;
    KvAstNodePtr top = bottom;
    bottom.reset();
    for (int i = 0; i < 200000; ++i) {
        top = std::make_shared<KvAstNode>(
            KvAstType_NumberOp,
            std::make_unique<KvAstOperator>(u"+", 9, top, std::make_shared<KvAstNode>(KvAstType_Number, u"1")));
    }
    top.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(ParserArena, AParsedChainOfAMillionTermsIsBuiltAndReleased) {
    ParseOutcome outcome = parseUtf8(chain("var x = 0", "+1", 1000000));
    ASSERT_TRUE(outcome.ok);
    const KvAstNode& definition = *outcome.root->payloadAs<KvAstList>()->items.front();
    const KvAstNode* top = definition.payloadAs<KvAstDefinition>()->value.get();
    EXPECT_EQ(top->type(), KvAstType_NumberOp);
    EXPECT_EQ(top->start(), 8u);
    EXPECT_EQ(top->end(), 8u + 2000001u);
    outcome.root.reset();  // the whole arena in one sweep
}

TEST(ParserArena, AnOwningRootHeldInsideAHandBuiltNodeIsReleased) {
    ParseOutcome outcome = parseUtf8("a + b");
    ASSERT_TRUE(outcome.ok);
    KvAstNodePtr parsed = outcome.root->payloadAs<KvAstList>()->items.front();  // counts nothing
    auto wrapper = std::make_shared<KvAstNode>(KvAstType_Return, std::make_unique<KvAstOneChild>(outcome.root));
    outcome.root.reset();
    EXPECT_EQ(compactAst(parsed.get()), "+(a, b)");  // still alive through the wrapper
    wrapper.reset();
}

// The reference: the same sequence (tokens separated by blanks) reduced whole
// by the expression parser, from nodes made by hand.
std::string reducedWhole(const std::string& expression) {
    KvAstNodeVector operands, pipe;
    size_t at = 0;
    while (at < expression.size()) {
        size_t blank = expression.find(' ', at);
        if (blank == std::string::npos) blank = expression.size();
        const std::string word = expression.substr(at, blank - at);
        at = blank + 1;
        uint32_t type = KvAstType_Var;
        if (word.size() == 1 && std::string("+-*/%").find(word) != std::string::npos) {
            type = KvAstType_NumberOp;
        } else if (word == "|" || word == "&" || word == "^" || word == "~") {
            type = KvAstType_BitOp;
        } else if (word == "==" || word == "&&" || word == "||" || word == "!" || word == "<") {
            type = KvAstType_BoolOp;
        } else if (word[0] >= '0' && word[0] <= '9') {
            type = KvAstType_Number;
        }
        operands.push_back(std::make_shared<KvAstNode>(type, fromUtf8(word)));
    }
    StepResult whole = parseExpression(operands, pipe);
    return whole.ok ? compactAst(whole.node.get()) : "error";
}

TEST(ParserArena, LongArithmeticReducedWhileReadMatchesTheWholeReduction) {
    const char* operators = "+-*/%";
    std::string expression = "a0";
    for (int i = 1; i < 400; ++i) expression += std::string(" ") + operators[(i * 7) % 5] + " a" + std::to_string(i);
    EXPECT_EQ(parsed(expression), reducedWhole(expression));
    std::string products = "b0";
    for (int i = 1; i < 300; ++i) products += (i % 50 == 0 ? " - b" : " * b") + std::to_string(i);
    EXPECT_EQ(parsed(products), reducedWhole(products));
}

TEST(ParserArena, LongChainsWithOtherOperatorsGiveTheSameTree) {
    // Bit, boolean and "!" operators after or among many arithmetic terms.
    for (const char* tail : {" == 2 && ! z", " | 4 + 1", " < 3 || ~ 5 * 2", " + 1 & 7 - ! q"}) {
        const std::string expression = chain("1", " + 1", 150) + tail;
        EXPECT_EQ(parsed(expression), reducedWhole(expression)) << tail;
        const std::string leading = chain("k", " - k", 150) + tail + chain("", " * k", 150);
        EXPECT_EQ(parsed(leading), reducedWhole(leading)) << tail;
    }
}

TEST(ParserArena, ErrorsInALongChainStillNameItsFirstOperand) {
    // The sequence before the fault was reduced long before; the report
    // still points at the statement's first operand, as for a short one.
    const std::string trailing = chain("var x = 0", "+1", 5000) + "+\n";
    EXPECT_EQ(parsed(trailing), "error: 末尾位置为数值运算符：不允许 at 0");
    std::string report = reportOf(trailing);
    EXPECT_NE(report.find("[line:1, pos:8] var x = 0 <<"), std::string::npos) << report.substr(0, 200);

    EXPECT_EQ(parsed(chain("\n\ny = 7", " - 2", 3000) + " * * 2"), "error: Error expression at 7");
    EXPECT_EQ(parsed(chain("z = 5", " + 1", 3000) + " 9"), "error: Error expression(BitToken) at 5");
}

TEST(ParserArena, ARuntimeErrorInALongChainNamesItsLine) {
    const std::string source = "var x = 0\n\nx = 1" + chain("", "+1", 3000) + " + missing()" +
                               chain("", "+1", 3000) + "\nprint(x)\n";
    ::testing::internal::CaptureStderr();  // where the traceback goes
    ScriptRun run = runSource(source);
    const std::string trace = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(run.raised);
    EXPECT_NE(trace.find(":3: Object is not function (missing is null)"), std::string::npos) << trace;
}

}  // namespace
}  // namespace kestrel::testing
