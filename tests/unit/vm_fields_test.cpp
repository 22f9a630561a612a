// Member and bracket fields, the map core and the built-in table.
#include <gtest/gtest.h>

#include "vm/builtin_names.h"
#include "modules/builtins.h"
#include "objects/field_value.h"
#include "objects/list_value.h"
#include "objects/map_value.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "objects/value_pool.h"
#include "host/runtime_settings.h"
#include "vm/exception_value.h"

namespace kestrel::testing {
namespace {

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override { initObjectModel(); }

    KvObjField* field(KvBaseObject* owner, const std::u16string& name) {
        return new KvObjField(owner, bindMember(nullptr, *owner, name));
    }
};

TEST_F(FieldTest, NativeMethodReadsAsItselfAndCallsOnItsOwner) {
    auto* text = new KvObjString(u"abc");
    text->addRef();
    KvObjField* upper = field(text, u"upper");
    EXPECT_TRUE(upper->isNativeCallable());
    EXPECT_TRUE(upper->isCallable());
    EXPECT_EQ(upper->value(), upper);
    EXPECT_EQ(upper->toString(), u"<field>");
    KvValueRef result = upper->invoke(KvArgList{});  // a temporary field: released after the call
    EXPECT_EQ(result->toString(), u"ABC");
    result.reset();
    EXPECT_EQ(text->refCount(), 1);
    text->release();
}

TEST_F(FieldTest, MapKeysReadAndAssignByMemberName) {
    auto* map = new KvObjMap();
    map->addRef();
    KvObjField* a = field(map, u"a");
    EXPECT_EQ(a->binding().kind, kFieldMapKey);
    EXPECT_TRUE(a->assign(kvInt(1)));
    a->releaseTemporary();
    EXPECT_EQ(map->get(u"a"), kvInt(1));
    EXPECT_EQ(field(map, u"a")->value(), kvInt(1));  // the temporary field frees itself
    EXPECT_EQ(field(map, u"missing")->value(), kvNull());
    map->release();
}

TEST_F(FieldTest, ATemporaryFieldWhoseOwnerIsTemporaryFreesBoth) {
    int64_t before = kvLiveValueCount();
    KvBaseObject* read = field(new KvObjString(u"xyz"), u"length")->value();
    read->releaseTemporary();
    EXPECT_EQ(kvLiveValueCount(), before);
}

TEST_F(FieldTest, SiteBindingIsReusedForTheSameTypeOnly) {
    auto* text = new KvObjString(u"s");
    auto* map = new KvObjMap();
    KvMemberBindingPtr first = bindMember(nullptr, *text, u"upper");
    EXPECT_EQ(bindMember(first, *text, u"upper"), first);
    EXPECT_NE(bindMember(first, *map, u"upper"), first);
    text->releaseTemporary();
    map->releaseTemporary();
}

TEST_F(FieldTest, BracketFieldsReadByArgumentCount) {
    auto* text = new KvObjString(u"hello");
    text->addRef();
    auto* one = new KvObjPosField(text, {kvInt(1)});
    EXPECT_EQ(one->toString(), u"<pos field>");
    EXPECT_EQ(one->value(), kvNull());  // strings answer only ranges
    KvBaseObject* range = (new KvObjPosField(text, {kvInt(1), kvInt(2)}))->value();
    EXPECT_EQ(range->toString(), u"el");
    range->releaseTemporary();
    EXPECT_EQ((new KvObjPosField(text, {}))->value(), kvNull());
    text->release();
}

TEST_F(FieldTest, BracketAssignmentNeedsOneArgumentAndASubscriptableOwner) {
    auto* map = new KvObjMap();
    map->addRef();
    auto* key = new KvObjPosField(map, {new KvObjString(u"k")});
    EXPECT_TRUE(key->assign(kvInt(2)));
    key->releaseTemporary();
    EXPECT_EQ(map->get(u"k"), kvInt(2));
    auto* pair = new KvObjPosField(map, {kvInt(1), kvInt(2)});
    EXPECT_FALSE(pair->assign(kvInt(3)));
    pair->releaseTemporary();
    auto* list = new KvObjList();
    auto* slot = new KvObjPosField(list, {kvInt(0)});
    EXPECT_FALSE(slot->assign(kvInt(5)));
    EXPECT_EQ(list->size(), 0u);
    slot->releaseTemporary();
    map->release();
}

TEST_F(FieldTest, MapTextFormsKeepInsertionOrderAndReplaceInPlace) {
    auto* map = new KvObjMap();
    EXPECT_EQ(map->toString(), u"{}");
    EXPECT_EQ(map->detailString(0), u"{}");
    map->set(u"b", kvInt(1));
    map->set(u"a", new KvObjString(u"x"));
    map->set(u"b", kvInt(2));
    EXPECT_EQ(map->toString(), u"{\"b\":2, \"a\":\"x\"}");
    EXPECT_EQ(map->detailString(0), u"{\r\n  \"b\": 2\r\n  \"a\": " +
                                        map->get(u"a")->detailString(3) + u"\r\n}");
    map->releaseTemporary();
}

TEST_F(FieldTest, ExceptionMembersReadAndAssignTheMessage) {
    auto* exception = new KvObjException(u"boom");
    exception->addRef();
    KvObjField* message = field(exception, u"message");
    EXPECT_EQ(message->binding().kind, kFieldBuiltinProperty);
    EXPECT_TRUE(message->assign(kvInt(42)));
    message->releaseTemporary();
    EXPECT_EQ(exception->message(), u"42");
    KvBaseObject* read = field(exception, u"message")->value();
    EXPECT_EQ(read->toString(), u"42");
    read->releaseTemporary();
    runtimeSettings().printEnabled = false;
    EXPECT_EQ(exception->printStacksMethod(KvArgList{}), kvNull());
    runtimeSettings().printEnabled = true;
    exception->release();
}

// The type tests answer shared constants, which outlive the owning handle.
KvBaseObject* callBuiltin(const char16_t* name, std::vector<KvBaseObject*> args) {
    return callBuiltinFunction(builtinIndex(name), KvArgList{static_cast<int32_t>(args.size()), args.data()})
        .get();
}

TEST_F(FieldTest, TypeTestsReadAMissingArgumentAsNull) {
    auto* longValue = new KvObjLong(5);
    longValue->addRef();
    EXPECT_EQ(callBuiltin(u"isNull", {}), kvTrue());
    EXPECT_EQ(callBuiltin(u"isInt", {longValue}), kvFalse());
    EXPECT_EQ(callBuiltin(u"isInteger", {kvInt(3)}), kvTrue());
    EXPECT_EQ(callBuiltin(u"isNumber", {longValue}), kvTrue());
    EXPECT_EQ(callBuiltin(u"isLong", {longValue}), kvTrue());
    EXPECT_EQ(callBuiltin(u"isModuleObject", {}), kvFalse());
    EXPECT_EQ(callBuiltin(u"isModuleStreamObject", {kvNull()}), kvFalse());
    EXPECT_EQ(callBuiltinFunction(99, KvArgList{}).get(), kvNull());
    auto* text = new KvObjString(u"t");
    text->addRef();
    KvObjField* method = field(text, u"upper");
    method->addRef();
    EXPECT_EQ(callBuiltin(u"isFunction", {method}), kvTrue());
    EXPECT_EQ(callBuiltin(u"isFunction", {text}), kvFalse());
    method->release();
    text->release();
    longValue->release();
}

}  // namespace
}  // namespace kestrel::testing
