// The name-resolution pass through real source: slot order, outer references
// with their depths and lexical flag, implicit module names, member keys and
// built-in calls.
#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "compiler/name_resolver.h"

namespace kestrel::testing {
namespace {

std::string slotNames(const ScopeTable& scope) {
    std::string out;
    for (const VariableDecl* decl : scope.slotOrder) {
        if (!out.empty()) out += " ";
        out += toUtf8(decl->name) + ":" + std::to_string(static_cast<int>(decl->kind));
    }
    return out;
}

const KvVarPosition* outerOf(const ScopeTable& scope, const std::u16string& name) {
    for (size_t i = 0; i < scope.implicits.size(); ++i) {
        if (scope.implicits[i]->name == name) return scope.outerReferences[i].get();
    }
    return nullptr;
}

class NameResolution : public ::testing::Test {
protected:
    const CompiledModule& compile(const std::string& source) {
        result_ = compileUtf8(source);
        EXPECT_TRUE(result_.ok) << toUtf8(result_.error.message);
        return result_.module;
    }
    const ScopeTable& scope(size_t number) { return *result_.module.scopes.at(number); }

private:
    Compiled result_;
};

TEST_F(NameResolution, SlotsGoHiddenParametersImplicitDeclared) {
    compile("func f(a, b) { var d = 1\n c = a + d }");
    const ScopeTable& body = scope(1);
    EXPECT_EQ(body.kind, ScopeKind::Function);
    EXPECT_EQ(slotNames(body), "a:1 b:1 c:2 d:0");
    EXPECT_EQ(body.firstParameterSlot, 0);
    EXPECT_EQ(body.firstImplicitSlot, 2);
    for (int32_t i = 0; i < body.slotCount(); ++i) EXPECT_EQ(body.slotOrder[i]->slot, i);
    EXPECT_EQ(body.find(u"d")->slot, 3);
}

TEST_F(NameResolution, ClassScopeHasOneHiddenBaseSlotPerBaseInSourceOrder) {
    compile("class C extends A, B implements I { var z = 1\n func m() { return z } }");
    const ScopeTable& body = scope(1);
    EXPECT_EQ(body.kind, ScopeKind::Class);
    EXPECT_EQ(slotNames(body), "[A]:3 [B]:3 [I]:3 z:0 m:0");
    const ScopeTable& method = scope(2);
    EXPECT_EQ(method.enclosing, &body);
    const KvVarPosition* z = outerOf(method, u"z");
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->depth, 0);
    EXPECT_EQ(z->slot, 3u);
    EXPECT_FALSE(z->lexical);  // found in the class body: bound through the instance
}

TEST_F(NameResolution, OuterReferenceDepthCountsEnclosingFunctions) {
    compile("func a() { var x = 1\n func b() { func c() { x = x + 1\n return x } } }");
    const ScopeTable& c = scope(3);
    const KvVarPosition* x = outerOf(c, u"x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->depth, -1);
    EXPECT_EQ(x->slot, static_cast<uint32_t>(scope(1).find(u"x")->slot));
    EXPECT_TRUE(x->lexical);
    EXPECT_EQ(scope(2).find(u"x"), nullptr);  // the middle function does not see it
}

TEST_F(NameResolution, BlockLocalOfEnclosingFunctionWinsOverModuleName) {
    compile("var v = 0\nfunc f() { if (1) { var v = 2\n func g() { return v } } }");
    const ScopeTable& f = scope(1);
    const KvVarPosition* v = outerOf(scope(2), u"v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->depth, 0);
    EXPECT_TRUE(v->lexical);
    ASSERT_EQ(f.declared.size(), 2u);  // v and g, both block-local
    EXPECT_EQ(v->slot, static_cast<uint32_t>(f.declared[0]->slot));
}

TEST_F(NameResolution, BodiesSeeNamesDeclaredAfterTheirDefinition) {
    compile("func f() { return later() }\nfunc later() { return 1 }");
    const KvVarPosition* later = outerOf(scope(1), u"later");
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(later->slot, static_cast<uint32_t>(scope(0).find(u"later")->slot));
    EXPECT_EQ(scope(0).find(u"later")->kind, DeclKind::Declared);
    EXPECT_FALSE(later->lexical);  // module names are bound as globals
}

TEST_F(NameResolution, UndeclaredNamesInFunctionsBecomeOneModuleName) {
    compile("func f() { n = 1 }\nfunc g() { return n }");
    const VariableDecl* n = scope(0).find(u"n");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->kind, DeclKind::Implicit);
    EXPECT_EQ(outerOf(scope(1), u"n")->slot, static_cast<uint32_t>(n->slot));
    EXPECT_EQ(outerOf(scope(2), u"n")->slot, static_cast<uint32_t>(n->slot));
    EXPECT_EQ(scope(0).implicits.size(), scope(0).outerReferences.size());
    EXPECT_EQ(outerOf(scope(0), u"n"), nullptr);
}

TEST_F(NameResolution, MemberHeadsBecomePrefixedImplicitsWithoutOuterReference) {
    compile("var x = 1\nclass C { func m() { this.x = 1\n super.m(2)\n base.y\n super(3)\n return x } }");
    const ScopeTable& m = scope(2);
    EXPECT_EQ(slotNames(m), "@this.x:2 @super.m:2 @super.y:2 @super.@init:2 x:2");
    EXPECT_EQ(m.find(u"@this.x")->prefix, MemberPrefix::This);
    EXPECT_EQ(m.find(u"@super.@init")->prefix, MemberPrefix::Super);
    EXPECT_EQ(outerOf(m, u"@this.x"), nullptr);
    EXPECT_EQ(outerOf(m, u"@super.m"), nullptr);
    ASSERT_NE(outerOf(m, u"x"), nullptr);
    EXPECT_EQ(outerOf(m, u"x")->depth, -1);
    EXPECT_FALSE(outerOf(m, u"x")->lexical);  // beyond a class body the creating context rules
}

TEST_F(NameResolution, MemberChainsCompileFromTheMemberSlot) {
    EXPECT_NE(compiled("func m() { this.x = 1\n return this.x.y }")
                  .find("PushInt 1+; StoreLocal 0; LoadLocal 0+; MemberRef \"y\"+; Return"),
              std::string::npos);
    EXPECT_NE(compiled("func m() { super(1, 2) }").find("LoadLocal 0+; PushInt 1+; PushInt 2+; PushInt 2; Call"),
              std::string::npos);
}

TEST_F(NameResolution, BuiltinCallsAreRewrittenOnlyWhenCalledAtOnce) {
    EXPECT_EQ(compiled("print(1, 2)"), "PushInt 1+; PushInt 2+; PushInt 2; CallBuiltin 0");
    EXPECT_EQ(compiled("var a = isNull(x).b"), "LoadLocal 0+; PushInt 1; CallBuiltin 2+; MemberRef \"b\"+; StoreLocal 1")
        << "x is implicit slot 0, a declared slot 1";
    EXPECT_EQ(compiled("var p = print"), "LoadLocal 0+; StoreLocal 1");
    EXPECT_EQ(compiled("isModuleStreamObject()"), "PushInt 0; CallBuiltin 18");
}

TEST_F(NameResolution, BlocksScopeTheirNames) {
    compile("for (var i = 0; i < 2; i++) { var t = i }\ntry { } catch (e) { var u = e }\nvar i = 5");
    const ScopeTable& module = scope(0);
    EXPECT_EQ(module.declared.size(), 5u);  // i (loop), t, e, u, i (module)
    EXPECT_EQ(module.find(u"i"), module.declared.back());
    EXPECT_EQ(module.find(u"t"), nullptr);  // block-local names stay out of the module's name map
}

// The pass leaves the tree alone and answers by node: a naming node refers to
// its declaration (whose slot is then assigned), a member chain to the
// "@this." declaration and the items it stands for, a body to its scope.
TEST(NameResolutionTable, NodesReferToDeclarationsChainsAndBodies) {
    ParseOutcome parse = parseSourceText(u"var a = 1\nfunc f(p) { return p }\nthis.x.y");
    ASSERT_TRUE(parse.ok);
    ScopeTableList scopes;
    ResolutionTable table;
    KvParserException error;
    ASSERT_TRUE(resolveNames(*parse.root, scopes, table, error));
    const KvAstNodeList& statements = parse.root->payloadAs<KvAstList>()->items;
    ASSERT_EQ(statements.size(), 3u);

    const KvAstNode& define = *statements[0];
    ASSERT_EQ(define.type(), KvAstType_VarDefine);
    EXPECT_EQ(table.declOf(define), scopes[0]->find(u"a"));
    EXPECT_EQ(table.declOf(define)->slot, scopes[0]->findSlot(u"a"));

    const KvAstNode& function = *statements[1];
    EXPECT_EQ(table.declOf(function), scopes[0]->find(u"f"));
    ASSERT_EQ(table.bodyOf(function), scopes[1].get());
    const KvAstNode& returned = *function.payloadAs<KvAstFunction>()->body.at(0)->payloadAs<KvAstOneChild>()->child;
    EXPECT_EQ(table.declOf(returned), scopes[1]->find(u"p"));
    EXPECT_EQ(table.bodyOf(returned), nullptr);

    const KvAstNode& chain = *statements[2];
    ASSERT_EQ(chain.type(), KvAstType_VarPipe);
    ChainResolution member = table.chainOf(chain);
    EXPECT_EQ(member.head, ChainHead::Member);
    EXPECT_EQ(member.member, scopes[0]->find(u"@this.x"));
    EXPECT_EQ(member.itemsTaken, 2u);
    EXPECT_EQ(table.chainOf(define).head, ChainHead::Plain);
}

}  // namespace
}  // namespace kestrel::testing
