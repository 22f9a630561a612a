// Expression reduction in four passes: negation, boolean split, group
// reduction (bit-operator runs, then arithmetic by two left-grouping levels),
// boolean join. Every pass is linear in the length of the sequence.
#include "parser/expression_parser.h"

#include <vector>

#include "parser/ast_arena.h"
#include "parser/operator_table.h"
#include "parser/parser_messages.h"

namespace kestrel {

namespace {

// A bare operator node as the statement parser makes it (no payload yet).
bool isBareOperator(const KvAstNodePtr& node, uint32_t type) {
    return node && node->type() == type && node->payload() == nullptr;
}

// Gives a bare operator node its payload: in the arena when the node lives there.
template <class Shape, class... Args>
void givePayload(KvAstArena* arena, KvAstNode& node, Args&&... args) {
    if (arena && node.inArena()) {
        arena->attach<Shape>(node, std::forward<Args>(args)...);
    } else {
        node.setPayload(std::make_unique<Shape>(std::forward<Args>(args)...));
    }
}

// The bare operator node op becomes the operator over left and right; it keeps
// its text, and its span becomes that of its operands.
KvAstNodePtr makeOperatorNode(KvAstArena* arena, const KvAstNodePtr& op, int32_t code, KvAstNodePtr left,
                              KvAstNodePtr right) {
    spanNodes(*op, *left, *right);
    adoptChild(op.get(), left);
    adoptChild(op.get(), right);
    givePayload<KvAstOperator>(arena, *op, op->textRef(), code, std::move(left), std::move(right));
    return op;
}

bool isBareNot(const KvAstNodePtr& node) {
    return isBareOperator(node, KvAstType_BoolOp) && node->textRef() == u"!";
}

// Step 2: every "!" takes the element after it as its single operand. The
// sequence is rebuilt only when it holds a "!".
bool applyNegations(KvAstNodeVector& seq, KvAstArena* arena) {
    bool anyNot = false;
    for (const auto& element : seq) anyNot = anyNot || isBareNot(element);
    if (!anyNot) return true;
    KvAstNodeVector out;
    out.reserve(seq.size());
    for (size_t i = 0; i < seq.size(); ++i) {
        if (!isBareNot(seq[i])) {
            out.push_back(std::move(seq[i]));
            continue;
        }
        if (i + 1 >= seq.size()) return false;
        KvAstNodePtr notNode = std::move(seq[i]);
        KvAstNodePtr operand = seq[i + 1];
        notNode->setType(KvAstType_NotExpr);
        givePayload<KvAstList>(arena, *notNode, KvAstNodeList{operand});
        notNode->setEnd(operand->end());
        notNode->setNext(operand->next());
        operand->setParent(notNode.get());
        out.push_back(std::move(notNode));
        ++i;
    }
    seq.swap(out);
    return true;
}

// A bit operator node over its operands (one for a prefix operator).
KvAstNodePtr makeBitNode(KvAstArena* arena, const KvAstNodePtr& op, const KvAstNodeList& operands) {
    if (operands.size() > 1) {
        op->setLine(operands.front()->line());
        op->setStart(operands.front()->start());
    }
    op->setEnd(operands.back()->end());
    op->setNext(operands.back()->next());
    adoptChildren(op.get(), operands);
    givePayload<KvAstList>(arena, *op, operands);
    return op;
}

// Step 7.2: a run of operands and bit operators, reduced left to right. A "~"
// where an operand is due (first, or after another operator) is the prefix of
// the operand that follows, so a & ~b is a & (~b).
StepResult reduceBitRun(KvAstArena* arena, const KvAstNodeVector& seq, size_t from, size_t to,
                        const KvAstNode& reportAt) {
    if (to - from == 1) return StepResult::success(seq[from]);
    KvAstNodePtr acc, pending;
    std::vector<KvAstNodePtr> nots;  // "~" prefixes waiting for their operand
    for (size_t k = from; k < to; ++k) {
        const KvAstNodePtr& element = seq[k];
        if (isBareOperator(element, KvAstType_BitOp)) {
            if (element->textRef() == u"~" && (!acc || pending)) {
                nots.push_back(element);
            } else {
                pending = element;
            }
            continue;
        }
        KvAstNodePtr operand = element;
        for (; !nots.empty(); nots.pop_back()) operand = makeBitNode(arena, nots.back(), {operand});
        if (!pending) {
            if (acc) return failAtNode(reportAt, msg::kBitToken);
            acc = operand;
            continue;
        }
        acc = makeBitNode(arena, pending, acc ? KvAstNodeList{acc, operand} : KvAstNodeList{operand});
        pending.reset();
    }
    // A bit operator with no operand after it would otherwise vanish silently.
    if (!acc || pending || !nots.empty()) return failAtNode(reportAt, msg::kExpression);
    return StepResult::success(acc);
}

// Step 7.3: arithmetic over the reduced runs, as they come: higher level
// first, equal levels left to right. Only operators still waiting for a
// tighter right operand are held, so a long a + b + c ... chain needs no
// list of its operands.
class ArithmeticReduction {
public:
    explicit ArithmeticReduction(KvAstArena* arena) : arena_(arena) {}
    void pushValue(KvAstNodePtr value) { values_.push_back(std::move(value)); }
    void pushOperator(const KvAstNodePtr& op) {
        const int32_t level = arithmeticLevel(op->textRef());
        while (!ops_.empty() && arithmeticLevel(ops_.back()->textRef()) >= level) reduceTop();
        ops_.push_back(op);
    }
    KvAstNodePtr finish() {
        while (!ops_.empty()) reduceTop();
        return values_.front();
    }

private:
    void reduceTop() {
        KvAstNodePtr right = std::move(values_.back());
        values_.pop_back();
        KvAstNodePtr left = std::move(values_.back());
        values_.pop_back();
        values_.push_back(
            makeOperatorNode(arena_, ops_.back(), kArithmeticOperatorCode, std::move(left), std::move(right)));
        ops_.pop_back();
    }

    KvAstArena* arena_;
    std::vector<KvAstNodePtr> values_;
    std::vector<KvAstNodePtr> ops_;
};

// Step 7: one group between boolean operators (seq[from..to)) becomes one node.
StepResult reduceGroup(KvAstArena* arena, const KvAstNodeVector& seq, size_t from, size_t to,
                       const KvAstNode& reportAt) {
    ArithmeticReduction arithmetic(arena);
    size_t runStart = from;
    for (size_t k = from; k <= to; ++k) {
        if (k < to && !isBareOperator(seq[k], KvAstType_NumberOp)) continue;
        if (k == runStart) return failAtNode(reportAt, msg::kExpression);
        StepResult reduced = reduceBitRun(arena, seq, runStart, k, reportAt);
        if (!reduced.ok) return reduced;
        arithmetic.pushValue(std::move(reduced.node));
        if (k < to) arithmetic.pushOperator(seq[k]);
        runStart = k + 1;
    }
    return StepResult::success(arithmetic.finish());
}

// Step 8: join the groups; a tighter operator binds to the root's right operand.
KvAstNodePtr joinGroups(KvAstArena* arena, const std::vector<KvAstNodePtr>& groups,
                        const std::vector<KvAstNodePtr>& ops) {
    KvAstNodePtr root = groups.front();
    bool rootBuilt = false;
    int32_t rootLevel = 0;
    for (size_t k = 0; k < ops.size(); ++k) {
        const std::u16string& op = ops[k]->textRef();
        BoolOperatorInfo info = boolOperatorInfo(op);
        if (rootBuilt && info.level > rootLevel) {
            auto* rootOp = root->payloadAs<KvAstOperator>();
            auto bound = makeOperatorNode(arena, ops[k], info.code, rootOp->right, groups[k + 1]);
            rootOp->right = bound;
            bound->setParent(root.get());
            root->setEnd(bound->end());
            root->setNext(bound->next());
            continue;
        }
        root = makeOperatorNode(arena, ops[k], info.code, root, groups[k + 1]);
        rootBuilt = true;
        rootLevel = info.level;
    }
    return root;
}

StepResult checkEnds(const KvAstNodeVector& seq, const KvAstNode& reportAt) {
    const KvAstNodePtr& first = seq.front();
    if (isBareOperator(first, KvAstType_NumberOp) && first->textRef() != u"+")
        return failAtNode(reportAt, msg::kLeadingArithmetic);
    if (isBareOperator(first, KvAstType_BoolOp)) return failAtNode(reportAt, msg::kBoolExpression);
    const KvAstNodePtr& last = seq.back();
    if (isBareOperator(last, KvAstType_NumberOp)) return failAtNode(reportAt, msg::kTrailingArithmetic);
    if (isBareOperator(last, KvAstType_BoolOp)) return failAtNode(reportAt, msg::kBoolExpression);
    return StepResult::success(nullptr);
}

}  // namespace

bool foldArithmeticPrefix(KvAstNodeVector& operands, std::u16string_view nextOperator, KvAstArena* arena) {
    const size_t size = operands.size();
    if (size < 3 || size % 2 == 0) return false;
    const int32_t nextLevel = arithmeticLevel(nextOperator);
    for (size_t k = 0; k < size; ++k) {
        const KvAstNodePtr& element = operands[k];
        const bool isOperator = element->payload() == nullptr &&
                                (element->type() == KvAstType_NumberOp || element->type() == KvAstType_BoolOp ||
                                 element->type() == KvAstType_BitOp);
        if (k % 2 == 0 && isOperator) return false;
        if (k % 2 == 1 && (!isOperator || element->type() != KvAstType_NumberOp ||
                           arithmeticLevel(element->textRef()) < nextLevel))
            return false;
    }
    // Every run is one operand, so the runs go straight to the arithmetic.
    ArithmeticReduction arithmetic(arena);
    arithmetic.pushValue(std::move(operands[0]));
    for (size_t k = 1; k < size; k += 2) {
        arithmetic.pushOperator(operands[k]);
        arithmetic.pushValue(std::move(operands[k + 1]));
    }
    KvAstNodePtr folded = arithmetic.finish();
    operands.clear();
    operands.push_back(std::move(folded));
    return true;
}

StepResult parseExpression(KvAstNodeVector& operands, KvAstNodeVector& pipe, KvAstArena* arena,
                           const KvAstNodePtr& reportAtGiven) {
    if (KvAstNodePtr flushed = buildPipe(pipe, arena)) operands.push_back(flushed);
    KvAstNodeVector seq;
    seq.swap(operands);
    if (seq.empty()) return StepResult::success(nullptr);
    if (seq.size() == 1) return StepResult::success(seq.front());
    const KvAstNodePtr reportAt = reportAtGiven ? reportAtGiven : seq.front();
    if (!applyNegations(seq, arena)) return failAtNode(*reportAt, msg::kNotOperand);
    if (seq.size() == 1) return StepResult::success(seq.front());
    StepResult ends = checkEnds(seq, *reportAt);
    if (!ends.ok) return ends;

    std::vector<KvAstNodePtr> groups, boolOps;
    size_t groupStart = 0;
    for (size_t k = 0; k <= seq.size(); ++k) {
        if (k < seq.size() && !isBareOperator(seq[k], KvAstType_BoolOp)) continue;
        if (k == groupStart) return failAtNode(*reportAt, msg::kBoolExpression);
        StepResult reduced = reduceGroup(arena, seq, groupStart, k, *reportAt);
        if (!reduced.ok) return reduced;
        groups.push_back(std::move(reduced.node));
        if (k < seq.size()) boolOps.push_back(seq[k]);
        groupStart = k + 1;
    }
    return StepResult::success(joinGroups(arena, groups, boolOps));
}

}  // namespace kestrel
