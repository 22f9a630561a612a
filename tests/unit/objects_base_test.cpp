// The value interface: registry, property table, reference counting, shared
// constants, common script methods, member lookup order, pool and callbacks.
#include <thread>

#include "objects/bool_null.h"
#include "objects/bytes_value.h"
#include "objects/func_inner_caller.h"
#include "objects/list_value.h"
#include "objects/number_integer.h"
#include "objects/string_value.h"
#include "objects_test_support.h"

namespace kestrel::testing {
namespace {

using RegistryTest = ObjectsTest;

TEST_F(RegistryTest, NumbersPropertiesFromOneAndMethodsFromHundred) {
    KvMemberRegistry registry;
    auto m = kvMethod(&KvBaseObject::toStringMethod);
    EXPECT_EQ(registry.registerProperty(90, u"a")->id, 1);
    EXPECT_EQ(registry.registerMethod(90, u"f", m)->id, 100);
    EXPECT_EQ(registry.registerProperty(90, u"b")->id, 2);
    EXPECT_EQ(registry.registerMethod(90, u"g", m)->id, 101);
    EXPECT_EQ(registry.registerProperty(91, u"a")->id, 1) << "each tag counts on its own";
    EXPECT_EQ(registry.findById(90, 101)->name, u"g");
    EXPECT_EQ(registry.nameMap(92), nullptr);
}

TEST_F(RegistryTest, DuplicateNameKeepsFirstRecordAndUsesNoId) {
    KvMemberRegistry registry;
    const KvMemberRecord* first = registry.registerProperty(90, u"size");
    EXPECT_EQ(registry.registerMethod(90, u"size", kvMethod(&KvBaseObject::toStringMethod)), first);
    EXPECT_EQ(registry.findByName(90, u"size")->kind, kMemberProperty);
    EXPECT_EQ(registry.registerMethod(90, u"next", kvMethod(&KvBaseObject::toStringMethod))->id, 100);
    EXPECT_EQ(registry.registerProperty(90, u"other")->id, 2);
}

TEST_F(RegistryTest, CoreTypesHaveTheirIds) {
    KvObjString s(u"x");
    EXPECT_EQ(s.findMember(u"length")->id, 1);
    EXPECT_EQ(s.findMember(u"sub")->id, 100);
    EXPECT_EQ(s.findMember(u"find")->id, 103);
    EXPECT_EQ(s.findMember(u"findLast")->id, 104);
    EXPECT_EQ(s.findMember(u"replace")->id, 114);
    EXPECT_EQ(s.findMember(u"format")->id, 116);
    EXPECT_EQ(s.findMember(u"match")->id, 120);
    EXPECT_EQ(s.findMemberById(113)->name, u"rep");
    EXPECT_EQ(s.findMember(u"find")->method, s.findMember(u"indexOf")->method);
    EXPECT_EQ(kvInt(1)->findMember(u"toFloat")->id, 103);
    EXPECT_EQ(kvNull()->ownMemberTable(), nullptr);
}

using RefCountTest = ObjectsTest;

TEST_F(RefCountTest, TemporaryDiesAtReleaseTemporaryStoredOneSurvives) {
    int64_t start = kvLiveValueCount();
    KvBaseObject* temp = new KvObjString(u"t");
    EXPECT_EQ(temp->refCount(), 0);
    EXPECT_EQ(kvLiveValueCount(), start + 1);
    temp->releaseTemporary();
    EXPECT_EQ(kvLiveValueCount(), start);

    KvBaseObject* stored = new KvObjString(u"s");
    EXPECT_EQ(stored->addRef(), 1);
    stored->releaseTemporary();
    EXPECT_EQ(kvLiveValueCount(), start + 1);
    EXPECT_TRUE(stored->release());
    EXPECT_EQ(kvLiveValueCount(), start);
}

TEST_F(RefCountTest, ReleaseReportsOnlyTheLastReference) {
    KvBaseObject* value = new KvObjLong(1234567890123);
    value->addRef();
    value->addRef();
    EXPECT_FALSE(value->release());
    EXPECT_TRUE(value->release());
}

TEST_F(RefCountTest, SharedConstantsSurviveAnyNumberOfReleases) {
    KvBaseObject* shared[] = {kvNull(), kvTrue(), kvFalse(), kvInt(0), kvInt(255), kvInt(-1)};
    for (KvBaseObject* value : shared) {
        EXPECT_EQ(value->refCount(), -1);
        EXPECT_EQ(value->addRef(), -1);
        for (int i = 0; i < 100; ++i) {
            EXPECT_FALSE(value->release());
            value->releaseTemporary();
        }
        EXPECT_EQ(value->refCount(), -1);
    }
    EXPECT_EQ(kvInt(255)->toString(), u"255");
    EXPECT_EQ(kvTrue()->toString(), u"true");
}

TEST_F(RefCountTest, IntegerFactorySharesExactlyMinusOneToTwoFiftyFive) {
    int64_t start = kvLiveValueCount();
    EXPECT_EQ(kvInt(7), kvInt(7));
    EXPECT_EQ(kvInt(-1), kvInt(-1));
    EXPECT_EQ(kvLiveValueCount(), start) << "shared integers are never allocated";
    Ref big(kvInt(256));
    Ref negative(kvInt(-2));
    Ref other(kvInt(256));
    EXPECT_NE(big.get(), other.get());
    EXPECT_EQ(big->refCount(), 1);
    EXPECT_EQ(negative.text(), "-2");
    EXPECT_EQ(kvLiveValueCount(), start + 3);
}

using PropertyTest = ObjectsTest;

TEST_F(PropertyTest, SettingTheSameObjectTwiceKeepsCountAtOne) {
    Ref owner(new KvObjString(u"owner"));
    KvBaseObject* value = new KvObjString(u"v");
    owner->setProperty(u"p", value);
    owner->setProperty(u"p", value);
    EXPECT_EQ(value->refCount(), 1);
    EXPECT_EQ(owner->getProperty(u"p"), value);
}

TEST_F(PropertyTest, ReplacingReleasesTheOldValue) {
    Ref owner(new KvObjString(u"owner"));
    int64_t before = kvLiveValueCount();
    owner->setProperty(u"p", new KvObjString(u"old"));
    owner->setProperty(u"p", new KvObjString(u"new"));
    EXPECT_EQ(kvLiveValueCount(), before + 1);
    EXPECT_EQ(owner->getProperty(u"p")->toString(), u"new");
}

TEST_F(PropertyTest, GetNeverCreatesTheTableAndMissingNamesReadNull) {
    Ref owner(new KvObjString(u"owner"));
    EXPECT_EQ(owner->getProperty(u"none"), kvNull());
    EXPECT_EQ(owner->properties(), nullptr);
    EXPECT_EQ(owner->getMemberByKey(kvInt(3)), kvNull());
    EXPECT_TRUE(owner->setMemberByKey(kvInt(3), kvTrue()));
    EXPECT_EQ(owner->getMember(u"3"), kvTrue());
}

TEST_F(PropertyTest, DyingOwnerReleasesItsPropertiesNumbersIncluded) {
    int64_t start = kvLiveValueCount();
    KvBaseObject* number = new KvObjLong(5000000000);
    number->setProperty(u"tag", new KvObjString(u"kept until the number dies"));
    EXPECT_EQ(kvLiveValueCount(), start + 2);
    number->releaseTemporary();
    EXPECT_EQ(kvLiveValueCount(), start);
}

using CommonMethodTest = ObjectsTest;

TEST_F(CommonMethodTest, EqualsNeedsAnArgumentOfTheSameTag) {
    Ref one(kvInt(1));
    Ref text(new KvObjString(u"1"));
    EXPECT_EQ(call(one, u"equals").get(), kvFalse());
    EXPECT_EQ(call(one, u"equals", {text.get()}).get(), kvFalse());
    EXPECT_EQ(call(text, u"equals", {one.get()}).get(), kvFalse());
    EXPECT_EQ(call(one, u"equals", {kvInt(1)}).get(), kvTrue());
}

TEST_F(CommonMethodTest, CompareWithoutArgumentOrAcrossTagsIsMinusOne) {
    Ref text(new KvObjString(u"a"));
    EXPECT_EQ(call(text, u"compare").get(), kvInt(-1));
    EXPECT_EQ(call(text, u"compare", {kvInt(1)}).get(), kvInt(-1));
    EXPECT_EQ(call(kvTrue(), u"compare", {kvFalse()}).get(), kvInt(-1));
}

TEST_F(CommonMethodTest, BytesWithoutAByteFormIsNull) {
    Ref list(new KvObjList());
    EXPECT_EQ(call(list, u"bytes").get(), kvNull());
    EXPECT_EQ(call(list, u"toBytes").get(), kvNull());
    EXPECT_EQ(call(kvNull(), u"bytes").get(), kvNull());
}

TEST_F(CommonMethodTest, TextForms) {
    Ref list(new KvObjList());
    static_cast<KvObjList*>(list.get())->append(new KvObjString(u"a"));
    static_cast<KvObjList*>(list.get())->append(kvInt(1));
    EXPECT_EQ(call(list, u"toString").text(), "[a, 1]");
    EXPECT_EQ(call(list, u"detailString", {kvInt(2)}).text(), "[\"a\", 1]");
    EXPECT_EQ(call(list, u"debugString").text(), "[\"a\", 1]");
    Ref withNull(new KvObjList());
    static_cast<KvObjList*>(withNull.get())->append(kvNull());
    static_cast<KvObjList*>(withNull.get())->append(kvInt(1));
    EXPECT_EQ(withNull.text(), "[1]") << "no separator while only the opening bracket is written";
}

using LookupTest = ObjectsTest;

TEST_F(LookupTest, CommonMethodsComeBeforeRegisteredMembers) {
    Ref text(new KvObjString(u"abc"));
    KvMemberLookup common = lookupMember(*text.get(), u"toString");
    EXPECT_EQ(common.code, kBindNativeMethod);
    EXPECT_EQ(common.record, findCommonMethod(u"toString"));
    EXPECT_EQ(lookupMember(*text.get(), u"length").code, kBindBuiltinProperty);
    EXPECT_EQ(lookupMember(*text.get(), u"sub").record->id, 100);
    EXPECT_EQ(lookupMember(*text.get(), u"nothing").code, kBindObjectProperty);
    EXPECT_EQ(findCommonMethod(u"bytes")->method, findCommonMethod(u"toBytes")->method);
}

TEST_F(LookupTest, BuiltinPropertyReadsThroughItsId) {
    Ref text(new KvObjString(u"abcd"));
    const KvMemberRecord* length = lookupMember(*text.get(), u"length").record;
    EXPECT_EQ(text->getBuiltinProperty(length->id), kvInt(4));
    EXPECT_EQ(text->getBuiltinProperty(99), kvNull());
    EXPECT_FALSE(text->setBuiltinProperty(length->id, kvInt(1)));
}

using BoolNullTest = ObjectsTest;

TEST_F(BoolNullTest, TruthTable) {
    Ref empty(new KvObjString(u""));
    Ref list(new KvObjList());
    EXPECT_FALSE(kvNull()->toBool());
    EXPECT_FALSE(kvFalse()->toBool());
    EXPECT_TRUE(kvTrue()->toBool());
    EXPECT_FALSE(kvInt(0)->toBool());
    EXPECT_TRUE(empty->toBool());
    EXPECT_TRUE(list->toBool());
}

TEST_F(BoolNullTest, TextsEqualityAndOrder) {
    EXPECT_EQ(kvNull()->toString(), u"");
    EXPECT_EQ(kvFalse()->detailString(0), u"false");
    Ref trueText(new KvObjString(u"true"));
    EXPECT_EQ(call(trueText, u"equals", {kvTrue()}).get(), kvFalse());
    EXPECT_EQ(call(kvTrue(), u"equals", {kvTrue()}).get(), kvTrue());
    EXPECT_EQ(call(kvTrue(), u"equals", {kvFalse()}).get(), kvFalse());
    EXPECT_EQ(call(kvNull(), u"equals", {kvNull()}).get(), kvTrue());
    EXPECT_EQ(call(kvFalse(), u"compare", {kvFalse()}).get(), kvInt(-1));
}

TEST_F(BoolNullTest, BytesOfBooleans) {
    Ref bytes = call(kvTrue(), u"bytes");
    ASSERT_EQ(bytes->tag(), kTagBytes);
    auto* b = static_cast<KvObjBytes*>(bytes.get());
    ASSERT_EQ(b->length(), 1u);
    EXPECT_EQ(b->data()[0], 1);
    Ref falseBytes = call(kvFalse(), u"bytes");
    EXPECT_EQ(static_cast<KvObjBytes*>(falseBytes.get())->data()[0], 0);
    EXPECT_EQ(falseBytes.text(), "<bytes:1>");
}

TEST_F(BoolNullTest, NullAddsNothingToAString) {
    Ref text(new KvObjString(u"a"));
    Ref joined(kvConcat(text.get(), kvNull()));
    EXPECT_EQ(joined.text(), "a");
}

using PoolTest = ObjectsTest;

TEST_F(PoolTest, CountersReturnToTheirStartAfterABatch) {
    KvValuePool& pool = valuePool();
    int64_t live = pool.liveValues();
    int64_t bytes = pool.bytesInUse();
    std::vector<KvBaseObject*> batch;
    const int made = KvValuePool::kMaxCachedBlocks + 2000;
    for (int i = 0; i < made; ++i) {
        batch.push_back(new KvObjLong(i));
        batch.push_back(new KvObjString(u"s"));
    }
    EXPECT_EQ(pool.liveValues(), live + 2 * made);
    EXPECT_GT(pool.bytesInUse(), bytes);
    for (KvBaseObject* value : batch) {
        value->releaseTemporary();
    }
    EXPECT_EQ(pool.liveValues(), live);
    EXPECT_EQ(pool.bytesInUse(), bytes);
    EXPECT_LE(pool.cachedBlocks(sizeof(KvObjLong)), KvValuePool::kMaxCachedBlocks);
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), KvValuePool::kMaxCachedBlocks);
}

TEST_F(PoolTest, ATeardownKeepsEveryFreedBlockThenTheLimitHoldsAgain) {
    KvValuePool& pool = valuePool();
    pool.releaseCachedBlocks();
    int64_t live = pool.liveValues();
    const int kept = KvValuePool::kMaxCachedBlocks + 1000;
    std::vector<KvBaseObject*> batch;
    for (int i = 0; i < kept + 1000; ++i) batch.push_back(new KvObjLong(i));
    pool.cacheEveryFreedBlock(true);
    for (int i = 0; i < kept; ++i) batch[static_cast<size_t>(i)]->releaseTemporary();
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), kept) << "past the usual limit";
    pool.cacheEveryFreedBlock(false);
    for (size_t i = kept; i < batch.size(); ++i) batch[i]->releaseTemporary();
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), kept) << "later frees go to the heap";
    EXPECT_EQ(pool.liveValues(), live);
    KvBaseObject* reused = new KvObjLong(7);
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), kept - 1);
    reused->releaseTemporary();
    pool.releaseCachedBlocks();
}

TEST_F(PoolTest, FreedBlocksAreReusedAndCanBeHandedBack) {
    KvValuePool& pool = valuePool();
    KvBaseObject* first = new KvObjLong(1);
    first->releaseTemporary();
    KvBaseObject* second = new KvObjLong(2);
    EXPECT_EQ(first, second) << "the freed block comes back from its size's list";
    second->releaseTemporary();
    pool.releaseCachedBlocks();
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), 0);
}

TEST_F(PoolTest, BlocksFreedOnAnotherThreadComeBackToTheInterpreter) {
    KvValuePool& pool = valuePool();
    pool.releaseCachedBlocks();
    int64_t live = pool.liveValues();
    std::vector<KvBaseObject*> batch;
    for (int i = 0; i < KvValuePool::kMaxCachedBlocks + 500; ++i) {
        batch.push_back(new KvObjLong(i));
    }
    std::thread other([&batch] {
        for (KvBaseObject* value : batch) {
            value->releaseTemporary();
        }
    });
    other.join();
    EXPECT_EQ(pool.liveValues(), live);
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), KvValuePool::kMaxCachedBlocks);
    KvBaseObject* reused = new KvObjLong(7);
    EXPECT_EQ(pool.cachedBlocks(sizeof(KvObjLong)), KvValuePool::kMaxCachedBlocks - 1);
    reused->releaseTemporary();
}

// A callable whose call hands back its first argument.
class EchoFunction : public KvBaseObject {
public:
    bool isCallable() const override { return true; }
    KvValueRef invoke(const KvArgList& args) override { return kvOwnedOrNull(args.at(0)); }
};

class Caller : public KvFuncInnerCaller {
public:
    using KvFuncInnerCaller::callFunction;
};

using CallbackTest = ObjectsTest;

TEST_F(CallbackTest, ResultSurvivesWhenItIsATemporaryArgument) {
    Ref echo(new EchoFunction());
    KvBaseObject* items[] = {new KvObjString(u"element"), kvInt(0)};
    Caller caller;
    KvValueRef result = caller.callFunction(echo.get(), KvArgList{2, items});
    ASSERT_EQ(result->toString(), u"element");
    EXPECT_EQ(result->refCount(), 1) << "handed back owned by the caller";
}

TEST_F(CallbackTest, TemporaryArgumentsDieAndAreNulledOut) {
    Ref echo(new EchoFunction());
    KvBaseObject* items[] = {kvInt(1), new KvObjString(u"dies")};
    Caller caller;
    EXPECT_EQ(caller.callFunction(echo.get(), KvArgList{2, items}).get(), kvInt(1));
    EXPECT_EQ(items[1], kvNull());
    EXPECT_EQ(caller.callFunction(nullptr, KvArgList{}).get(), kvNull());
}

TEST_F(CallbackTest, DefaultInvokeYieldsNull) {
    Ref text(new KvObjString(u"not callable"));
    EXPECT_EQ(text->invoke(KvArgList{}).get(), kvNull());
    EXPECT_FALSE(text->isCallable());
    EXPECT_EQ(text->getMethod(u"sub"), nullptr);
}

}  // namespace
}  // namespace kestrel::testing
