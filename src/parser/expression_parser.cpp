// Expression reduction in four passes: negation, boolean split, group
// reduction (bit-operator runs, then arithmetic by two left-grouping levels),
// boolean join. Every pass is linear in the length of the sequence.
#include "parser/expression_parser.h"

#include <vector>

#include "parser/operator_table.h"
#include "parser/parser_messages.h"

namespace kestrel {

namespace {

// A bare operator node as the statement parser makes it (no payload yet).
bool isBareOperator(const KvAstNodePtr& node, uint32_t type) {
    return node && node->type() == type && node->payload() == nullptr;
}

KvAstNodePtr makeOperatorNode(uint32_t type, const std::u16string& op, int32_t code, KvAstNodePtr left,
                              KvAstNodePtr right) {
    auto node = std::make_shared<KvAstNode>(type, op);
    node->setPayload(std::make_unique<KvAstOperator>(op, code, left, right));
    spanNodes(*node, *left, *right);
    adoptChild(node.get(), left);
    adoptChild(node.get(), right);
    return node;
}

// Step 2: every "!" takes the element after it as its single operand.
bool applyNegations(KvAstNodeVector& seq) {
    KvAstNodeVector out;
    for (size_t i = 0; i < seq.size(); ++i) {
        if (!isBareOperator(seq[i], KvAstType_BoolOp) || seq[i]->textRef() != u"!") {
            out.push_back(seq[i]);
            continue;
        }
        if (i + 1 >= seq.size()) return false;
        const KvAstNodePtr& bang = seq[i];
        KvAstNodePtr operand = seq[i + 1];
        auto notNode = std::make_shared<KvAstNode>(KvAstType_NotExpr, bang->text());
        notNode->setPayload(std::make_unique<KvAstList>(KvAstNodeList{operand}));
        spanNodes(*notNode, *bang, *operand);
        operand->setParent(notNode.get());
        out.push_back(notNode);
        ++i;
    }
    seq.swap(out);
    return true;
}

// A bit operator node over its operands (one for a prefix operator).
KvAstNodePtr makeBitNode(const KvAstNodePtr& op, const KvAstNodeList& operands) {
    auto bit = std::make_shared<KvAstNode>(KvAstType_BitOp, op->text());
    bit->setPayload(std::make_unique<KvAstList>(operands));
    spanNodes(*bit, operands.size() > 1 ? *operands.front() : *op, *operands.back());
    adoptChildren(bit.get(), operands);
    return bit;
}

// Step 7.2: a run of operands and bit operators, reduced left to right. A "~"
// where an operand is due (first, or after another operator) is the prefix of
// the operand that follows, so a & ~b is a & (~b).
StepResult reduceBitRun(const KvAstNodeVector& run, const KvAstNode& reportAt) {
    if (run.size() == 1) return StepResult::success(run.front());
    KvAstNodePtr acc, pending;
    std::vector<KvAstNodePtr> nots;  // "~" prefixes waiting for their operand
    for (const auto& element : run) {
        if (isBareOperator(element, KvAstType_BitOp)) {
            if (element->textRef() == u"~" && (!acc || pending)) {
                nots.push_back(element);
            } else {
                pending = element;
            }
            continue;
        }
        KvAstNodePtr operand = element;
        for (; !nots.empty(); nots.pop_back()) operand = makeBitNode(nots.back(), {operand});
        if (!pending) {
            if (acc) return failAtNode(reportAt, msg::kBitToken);
            acc = operand;
            continue;
        }
        acc = makeBitNode(pending, acc ? KvAstNodeList{acc, operand} : KvAstNodeList{operand});
        pending.reset();
    }
    // A bit operator with no operand after it would otherwise vanish silently.
    if (!acc || pending || !nots.empty()) return failAtNode(reportAt, msg::kExpression);
    return StepResult::success(acc);
}

// Step 7.3: arithmetic over reduced runs; higher level first, equal levels left to right.
KvAstNodePtr reduceArithmetic(const std::vector<KvAstNodePtr>& values, const std::vector<KvAstNodePtr>& ops) {
    std::vector<KvAstNodePtr> valueStack{values.front()};
    std::vector<KvAstNodePtr> opStack;
    auto reduceTop = [&] {
        KvAstNodePtr right = std::move(valueStack.back());
        valueStack.pop_back();
        KvAstNodePtr left = std::move(valueStack.back());
        valueStack.pop_back();
        const std::u16string& op = opStack.back()->textRef();
        auto node = makeOperatorNode(KvAstType_NumberOp, op, kArithmeticOperatorCode, left, right);
        opStack.pop_back();
        valueStack.push_back(node);
    };
    for (size_t k = 0; k < ops.size(); ++k) {
        int32_t level = arithmeticLevel(ops[k]->textRef());
        while (!opStack.empty() && arithmeticLevel(opStack.back()->textRef()) >= level) reduceTop();
        opStack.push_back(ops[k]);
        valueStack.push_back(values[k + 1]);
    }
    while (!opStack.empty()) reduceTop();
    return valueStack.front();
}

// Step 7: one group between boolean operators becomes one node.
StepResult reduceGroup(const KvAstNodeVector& group, const KvAstNode& reportAt) {
    std::vector<KvAstNodePtr> values, ops;
    KvAstNodeVector run;
    auto closeRun = [&]() -> StepResult {
        if (run.empty()) return failAtNode(reportAt, msg::kExpression);
        StepResult reduced = reduceBitRun(run, reportAt);
        run.clear();
        if (reduced.ok) values.push_back(reduced.node);
        return reduced;
    };
    for (const auto& element : group) {
        if (!isBareOperator(element, KvAstType_NumberOp)) {
            run.push_back(element);
            continue;
        }
        StepResult closed = closeRun();
        if (!closed.ok) return closed;
        ops.push_back(element);
    }
    StepResult closed = closeRun();
    if (!closed.ok) return closed;
    return StepResult::success(reduceArithmetic(values, ops));
}

// Step 8: join the groups; a tighter operator binds to the root's right operand.
KvAstNodePtr joinGroups(const std::vector<KvAstNodePtr>& groups, const std::vector<KvAstNodePtr>& ops) {
    KvAstNodePtr root = groups.front();
    bool rootBuilt = false;
    int32_t rootLevel = 0;
    for (size_t k = 0; k < ops.size(); ++k) {
        const std::u16string& op = ops[k]->textRef();
        BoolOperatorInfo info = boolOperatorInfo(op);
        if (rootBuilt && info.level > rootLevel) {
            auto* rootOp = root->payloadAs<KvAstOperator>();
            auto bound = makeOperatorNode(KvAstType_BoolOp, op, info.code, rootOp->right, groups[k + 1]);
            rootOp->right = bound;
            bound->setParent(root.get());
            root->setEnd(bound->end());
            root->setNext(bound->next());
            continue;
        }
        root = makeOperatorNode(KvAstType_BoolOp, op, info.code, root, groups[k + 1]);
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

StepResult parseExpression(KvAstNodeVector& operands, KvAstNodeVector& pipe) {
    if (KvAstNodePtr flushed = buildPipe(pipe)) operands.push_back(flushed);
    KvAstNodeVector seq;
    seq.swap(operands);
    if (seq.empty()) return StepResult::success(nullptr);
    if (seq.size() == 1) return StepResult::success(seq.front());
    const KvAstNodePtr reportAt = seq.front();
    if (!applyNegations(seq)) return failAtNode(*reportAt, msg::kNotOperand);
    if (seq.size() == 1) return StepResult::success(seq.front());
    StepResult ends = checkEnds(seq, *reportAt);
    if (!ends.ok) return ends;

    std::vector<KvAstNodePtr> groups, boolOps;
    KvAstNodeVector group;
    auto closeGroup = [&]() -> StepResult {
        if (group.empty()) return failAtNode(*reportAt, msg::kBoolExpression);
        StepResult reduced = reduceGroup(group, *reportAt);
        group.clear();
        if (reduced.ok) groups.push_back(reduced.node);
        return reduced;
    };
    for (const auto& element : seq) {
        if (!isBareOperator(element, KvAstType_BoolOp)) {
            group.push_back(element);
            continue;
        }
        StepResult closed = closeGroup();
        if (!closed.ok) return closed;
        boolOps.push_back(element);
    }
    StepResult closed = closeGroup();
    if (!closed.ok) return closed;
    return StepResult::success(joinGroups(groups, boolOps));
}

}  // namespace kestrel
