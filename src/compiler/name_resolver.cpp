// The tree walk of the name-resolution pass. Bodies of functions and classes
// are queued and walked once their defining scope is done; operator chains
// and member chains are walked in loops, so only real nesting recurses.
// Declarations are made in walk order, which fixes their order in each slot
// group; the resolution table receives every binding as it is made.
#include "compiler/name_resolver.h"

#include <deque>

#include "vm/builtin_names.h"
#include "compiler/codegen.h"
#include "compiler/compile_messages.h"
#include "compiler/name_scopes.h"

namespace kestrel {

namespace {

// The nodes walkOperatorChain walks down the left of; a compound assignment
// counts, since its target is a name read and written like any operand.
bool isOperatorNode(const KvAstNode& node) {
    return node.type() == KvAstType_NumberOp || node.type() == KvAstType_BoolOp ||
           node.type() == KvAstType_CompoundAssign;
}

// One walk of one module. current_ is the scope whose statements are being
// walked; the resolution table and the scope list outlive the walker.
class NameResolver {
public:
    NameResolver(ScopeTableList& scopes, ResolutionTable& resolutions)
        : scopes_(scopes), resolutions_(resolutions) {}

    bool run(KvAstNode& program, KvParserException& error);

private:
    // A function or class body waiting for its defining scope to be walked.
    struct PendingBody {
        KvAstNode* definition;
        ScopeState* scope;
    };

    bool walk(KvAstNode* node);
    bool walkNode(KvAstNode& node);
    bool walkList(const KvAstNodeList& list);
    bool walkBlock(const KvAstNodeList& list);
    bool walkOperatorChain(KvAstNode& node);
    bool walkChain(KvAstNode& pipe);
    ChainResolution resolveChainHead(const KvAstNodeList& items);
    bool walkVarDefine(KvAstNode& node);
    bool walkFunction(KvAstNode& node);
    bool walkClass(KvAstNode& node);
    bool walkLoop(KvAstNode& node);
    bool walkTry(KvAstNode& node);
    bool walkSwitch(KvAstNode& node);
    bool walkPayload(KvAstNode& node);
    bool walkFunctionBody(KvAstNode& definition);
    bool walkClassBody(KvAstNode& definition);
    bool fail(const KvAstNode& node, const std::u16string& message);

    ScopeTableList& scopes_;        // the module's scope tables, filled here
    ResolutionTable& resolutions_;  // every binding, as it is made
    NameScopes names_{scopes_};
    ScopeState* current_ = nullptr;
    std::deque<PendingBody> pending_;  // first queued, first walked
    std::vector<KvAstNode*> rights_;   // right operands of the operator chains being walked
    int32_t depth_ = 0;                // recursion depth, bounded by kMaxCompileDepth
    KvParserException* error_ = nullptr;
};

// Records the error at the node; always false, so callers return it.
bool NameResolver::fail(const KvAstNode& node, const std::u16string& message) {
    *error_ = KvParserException(node.line(), node.start(), node.text(), message);
    return false;
}

// The module's statements, then the queued bodies in definition order
// (bodies met inside bodies join the queue), then the slots.
bool NameResolver::run(KvAstNode& program, KvParserException& error) {
    error_ = &error;
    current_ = names_.openScope(ScopeKind::Module, nullptr);
    auto* list = program.payloadAs<KvAstList>();
    if (list && !walkList(list->items)) return false;
    while (!pending_.empty()) {
        PendingBody body = pending_.front();
        pending_.pop_front();
        current_ = body.scope;
        bool ok = body.definition->type() == KvAstType_ClassDefine ? walkClassBody(*body.definition)
                                                                    : walkFunctionBody(*body.definition);
        if (!ok) return false;
    }
    names_.assignSlots();
    return true;
}

// Walks one node (none is fine); recursion is bounded by kMaxCompileDepth,
// the limit the code generator keeps too.
bool NameResolver::walk(KvAstNode* node) {
    if (!node) return true;
    if (++depth_ > kMaxCompileDepth) return fail(*node, msg::kNestingTooDeep);
    bool ok = walkNode(*node);
    --depth_;
    return ok;
}

// statements: each in order, in the current block.
bool NameResolver::walkList(const KvAstNodeList& list) {
    for (const auto& item : list) {
        if (!walk(item.get())) return false;
    }
    return true;
}

// block: "{" statements "}"; its names are seen inside it only.
bool NameResolver::walkBlock(const KvAstNodeList& list) {
    names_.openBlock(*current_);
    bool ok = walkList(list);
    names_.closeBlock(*current_);
    return ok;
}

// The routine for the node's kind: constructs that bind names or open
// blocks have their own; the rest just walk their children.
bool NameResolver::walkNode(KvAstNode& node) {
    switch (node.type()) {
        case KvAstType_Var:  // a name, or a map entry with its value
            if (auto* entry = node.payloadAs<KvAstOneChild>()) return walk(entry->child.get());
            if (node.textRef() == u"this") {
                resolutions_.markThisValue(node);  // the running code's instance, found at run time
                return true;
            }
            resolutions_.bindName(node, *names_.resolveUse(*current_, node.textRef(), MemberPrefix::None));
            return true;
        case KvAstType_Block:
        case KvAstType_Reserved50: {
            auto* list = node.payloadAs<KvAstList>();
            return !list || walkBlock(list->items);
        }
        case KvAstType_NumberOp:
        case KvAstType_BoolOp:
        case KvAstType_CompoundAssign: return walkOperatorChain(node);
        case KvAstType_VarPipe: return walkChain(node);
        case KvAstType_VarDefine: return walkVarDefine(node);
        case KvAstType_TupleVarDefine: {  // "var" "(" names ")" "=" value
            auto* definition = node.payloadAs<KvAstMultiDefinition>();
            if (!definition) return true;
            if (!walk(definition->value.get())) return false;
            std::vector<const VariableDecl*> decls;
            for (const auto& name : definition->names) {
                decls.push_back(names_.declare(*current_, name, DeclKind::Declared));
            }
            resolutions_.bindNames(node, std::move(decls));
            return true;
        }
        case KvAstType_FuncDefine: return walkFunction(node);
        case KvAstType_ClassDefine: return walkClass(node);
        case KvAstType_For:
        case KvAstType_ForEach: return walkLoop(node);
        case KvAstType_Try: return walkTry(node);
        case KvAstType_Switch: return walkSwitch(node);
        case KvAstType_Import: return true;  // binds no name at compile time
        default: return walkPayload(node);
    }
}

// operator-expr: operand {operator operand}
//   Left-leaning chains (a + b + c ...) are walked down their left spine in
//   a loop, operands in source order; the right operands wait on rights_,
//   above those of the chains around this one.
bool NameResolver::walkOperatorChain(KvAstNode& node) {
    const size_t base = rights_.size();
    KvAstNode* at = &node;
    while (at && isOperatorNode(*at)) {
        auto* op = at->payloadAs<KvAstOperator>();
        rights_.push_back(op ? op->right.get() : nullptr);
        at = op ? op->left.get() : nullptr;
    }
    bool ok = walk(at);
    for (size_t i = rights_.size(); ok && i > base; --i) ok = walk(rights_[i - 1]);
    rights_.resize(base);
    return ok;
}

// chain: head {"." name | "(" args ")" | "[" indexes "]"}. Member names
// after the head are looked up at run time; argument and index groups are
// walked like any expression.
bool NameResolver::walkChain(KvAstNode& pipe) {
    auto* list = pipe.payloadAs<KvAstList>();
    if (!list || list->items.empty()) return true;
    const KvAstNodeList& items = list->items;
    ChainResolution chain = resolveChainHead(items);
    if (chain.head != ChainHead::Plain) {
        resolutions_.setChain(pipe, chain);  // the head's items bind nothing further
    } else if (!walk(items[0].get())) {
        return false;
    }
    for (size_t i = 1; i < items.size(); ++i) {
        KvAstNode& item = *items[i];
        if (item.type() == KvAstType_Var) continue;  // a member name, looked up at run time
        if (!walkPayload(item)) return false;
    }
    return true;
}

// this.x / super.x / base.x read "@this.x" / "@super.x" slots of the current
// function; super(...) / base(...) calls "@super.@init"; a built-in name
// called at once becomes a built-in call. Any other head is Plain.
ChainResolution NameResolver::resolveChainHead(const KvAstNodeList& items) {
    ChainResolution chain;
    const KvAstNode& head = *items[0];
    if (head.type() != KvAstType_Var || head.payload() || items.size() < 2) return chain;
    const KvAstNode& second = *items[1];
    const bool secondIsName = second.type() == KvAstType_Var && !second.payload();
    const bool secondIsCall = second.type() == KvAstType_Parens;
    const std::u16string& name = head.textRef();
    if (name == u"this" && secondIsName) {
        chain.head = ChainHead::Member;
        chain.member = names_.resolveUse(*current_, second.textRef(), MemberPrefix::This);
        chain.itemsTaken = 2;
    } else if ((name == u"super" || name == u"base") && (secondIsName || secondIsCall)) {
        chain.head = ChainHead::Member;
        chain.member = names_.resolveUse(*current_, secondIsName ? second.textRef() : u"@init", MemberPrefix::Super);
        chain.itemsTaken = secondIsName ? 2 : 1;
    } else if (secondIsCall && builtinIndex(name) >= 0) {
        chain.head = ChainHead::Builtin;
        chain.builtin = builtinIndex(name);
    }
    return chain;
}

// var-define: name ["=" value]
//   The value is walked first, so it sees an outer name of the same spelling.
bool NameResolver::walkVarDefine(KvAstNode& node) {
    auto* definition = node.payloadAs<KvAstDefinition>();
    if (!definition) return true;
    if (!walk(definition->value.get())) return false;
    resolutions_.bindName(node, *names_.declare(*current_, definition->name, DeclKind::Declared));
    return true;
}

// func-def: a named function declares its name here; its body gets a scope
// of its own, walked later.
bool NameResolver::walkFunction(KvAstNode& node) {
    auto* function = node.payloadAs<KvAstFunction>();
    if (!function) return true;
    if (!function->name.empty()) {
        resolutions_.bindName(node, *names_.declare(*current_, function->name, DeclKind::Declared));
    }
    ScopeState* body = names_.openScope(ScopeKind::Function, current_);
    resolutions_.setBody(node, *body->table);
    pending_.push_back({&node, body});
    return true;
}

// func body: the parameters, then the statements.
bool NameResolver::walkFunctionBody(KvAstNode& definition) {
    auto* function = definition.payloadAs<KvAstFunction>();
    for (const auto& parameter : function->params) {
        names_.declare(*current_, parameter, DeclKind::Parameter);
    }
    return walkList(function->body);
}

// class-def: the class name is declared here; its body gets a scope of its
// own, walked later.
bool NameResolver::walkClass(KvAstNode& node) {
    auto* definition = node.payloadAs<KvAstClass>();
    if (!definition) return true;
    resolutions_.bindName(node, *names_.declare(*current_, definition->name, DeclKind::Declared));
    ScopeState* body = names_.openScope(ScopeKind::Class, current_);
    resolutions_.setBody(node, *body->table);
    pending_.push_back({&node, body});
    return true;
}

// class body: one hidden "[Base]" slot per base (extends, then implements),
// then the members; the hidden slots come first in the class's slot order,
// where the code generator stores the base instances.
bool NameResolver::walkClassBody(KvAstNode& definition) {
    auto* body = definition.payloadAs<KvAstClass>();
    for (const auto* names : {&body->extends, &body->implements}) {
        for (const auto& base : *names) names_.declareHidden(*current_, u"[" + base + u"]");
    }
    return walkList(body->variables) && walkList(body->functions);
}

// for-stmt: "for" "(" init ";" test ";" step ")" body
// for-each: "for" "(" "var" name ":" range ")" body
//   One block holds the loop's own names (the init's, or the each-variable,
//   declared after the range so the range sees an outer name).
bool NameResolver::walkLoop(KvAstNode& node) {
    names_.openBlock(*current_);
    bool ok = true;
    if (auto* loop = node.payloadAs<KvAstCountedLoop>()) {
        ok = walkList(loop->initialisers) && walk(loop->test.get()) && walkList(loop->updates) &&
             walk(loop->body.get());
    } else if (auto* each = node.payloadAs<KvAstEachLoop>()) {
        ok = walk(each->range.get());
        if (ok) resolutions_.bindName(node, *names_.declare(*current_, each->name, DeclKind::Declared));
        ok = ok && walk(each->body.get());
    }
    names_.closeBlock(*current_);
    return ok;
}

// try-stmt: "try" block ["catch" "(" name ")" block] ["finally" block]
//   The catch variable lives in a block around the catch part only.
bool NameResolver::walkTry(KvAstNode& node) {
    auto* statement = node.payloadAs<KvAstTry>();
    if (!statement) return true;
    if (!walk(statement->tryBlock.get())) return false;
    names_.openBlock(*current_);
    if (statement->catchVar) {
        resolutions_.bindName(*statement->catchVar,
                              *names_.declare(*current_, statement->catchName, DeclKind::Declared));
    }
    bool ok = walk(statement->catchBlock.get());
    names_.closeBlock(*current_);
    return ok && walk(statement->finallyBlock.get());
}

// switch-stmt: "switch" subject "{" clauses "}"
//   Every clause shares one block, as their bodies fall through into each other.
bool NameResolver::walkSwitch(KvAstNode& node) {
    auto* statement = node.payloadAs<KvAstSwitch>();
    if (!statement) return true;
    if (!walk(statement->test.get())) return false;
    names_.openBlock(*current_);
    bool ok = true;
    for (auto& clause : statement->cases) {
        ok = ok && walkList(clause.values) && walkList(clause.statements);
    }
    names_.closeBlock(*current_);
    return ok;
}

// Every other construct: its children in order, by payload shape. Shapes
// that hold no expressions (names, imports) have nothing to walk.
bool NameResolver::walkPayload(KvAstNode& node) {
    KvAstPayload* payload = node.payload();
    if (!payload) return true;
    if (auto* one = dynamic_cast<KvAstOneChild*>(payload)) return walk(one->child.get());
    if (auto* two = dynamic_cast<KvAstTwoChildren*>(payload)) {
        return walk(two->first.get()) && walk(two->second.get());
    }
    if (auto* three = dynamic_cast<KvAstThreeChildren*>(payload)) {
        return walk(three->first.get()) && walk(three->second.get()) && walk(three->third.get());
    }
    if (auto* list = dynamic_cast<KvAstList*>(payload)) return walkList(list->items);
    if (auto* op = dynamic_cast<KvAstOperator*>(payload)) return walk(op->left.get()) && walk(op->right.get());
    if (auto* definition = dynamic_cast<KvAstDefinition*>(payload)) return walk(definition->value.get());
    if (auto* call = dynamic_cast<KvAstCallLike*>(payload)) {
        return walk(call->target.get()) && walkList(call->arguments);
    }
    return true;
}

}  // namespace

bool resolveNames(KvAstNode& program, ScopeTableList& scopes, ResolutionTable& resolutions,
                  KvParserException& error) {
    NameResolver resolver(scopes, resolutions);
    return resolver.run(program, error);
}

}  // namespace kestrel
