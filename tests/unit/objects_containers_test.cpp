// The hash table behind maps (growth, erasing, colliding keys), the value
// sort with compares that contradict themselves, and list/map members
// called the way scripts call them.
#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "objects/bytes_value.h"
#include "objects/list_value.h"
#include "objects/map_value.h"
#include "objects/number_integer.h"
#include "objects/string_value.h"
#include "objects/text_hash_table.h"
#include "objects/value_sort.h"
#include "objects_test_support.h"

namespace kestrel::testing {
namespace {

std::u16string key(int32_t n) {
    return u"k" + fromUtf8(std::to_string(n));
}

// Stand-in values for the table: it stores pointers and never touches them.
KvBaseObject* token(int32_t n) {
    return reinterpret_cast<KvBaseObject*>(static_cast<uintptr_t>(n + 1) * 8);
}

int32_t liveEntries(const KvTextHashTable& table) {
    int32_t n = 0;
    for (const auto& entry : table.entries()) n += entry.value ? 1 : 0;
    return n;
}

TEST(TextHashTableTest, GrowsAndKeepsEveryKeyInInsertionOrder) {
    KvTextHashTable table;
    for (int32_t i = 0; i < 10000; ++i) table.findOrInsert(key(i)) = token(i);
    EXPECT_EQ(table.size(), 10000u);
    for (int32_t i = 0; i < 10000; ++i) ASSERT_EQ(table.find(key(i)), token(i)) << i;
    EXPECT_EQ(table.find(u"absent"), nullptr);
    int32_t expected = 0;
    for (const auto& entry : table.entries()) EXPECT_EQ(entry.key, key(expected++));
}

TEST(TextHashTableTest, InsertingAnExistingKeyReturnsItsPlace) {
    KvTextHashTable table;
    table.findOrInsert(u"a") = token(1);
    KvBaseObject*& place = table.findOrInsert(u"a");
    EXPECT_EQ(place, token(1));
    place = token(2);
    EXPECT_EQ(table.find(u"a"), token(2));
    EXPECT_EQ(table.size(), 1u);
}

TEST(TextHashTableTest, EraseLeavesTheOthersReachable) {
    KvTextHashTable table;
    for (int32_t i = 0; i < 1000; ++i) table.findOrInsert(key(i)) = token(i);
    for (int32_t i = 0; i < 1000; i += 2) EXPECT_EQ(table.erase(key(i)), token(i));
    EXPECT_EQ(table.erase(key(0)), nullptr) << "erased once only";
    EXPECT_EQ(table.size(), 500u);
    EXPECT_EQ(liveEntries(table), 500);
    for (int32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(table.find(key(i)), i % 2 ? token(i) : nullptr) << i;
    }
    table.findOrInsert(key(0)) = token(7);
    EXPECT_EQ(table.find(key(0)), token(7));
    EXPECT_EQ(table.size(), 501u);
}

TEST(TextHashTableTest, RepeatedInsertAndEraseDoesNotPileUpHoles) {
    KvTextHashTable table;
    table.findOrInsert(u"stay") = token(0);
    for (int32_t i = 0; i < 100000; ++i) {
        table.findOrInsert(key(i)) = token(i);
        ASSERT_EQ(table.erase(key(i)), token(i));
    }
    EXPECT_EQ(table.size(), 1u);
    EXPECT_LE(table.entries().size(), 64u) << "holes are dropped when the index is rebuilt";
    EXPECT_EQ(table.find(u"stay"), token(0));
}

TEST(TextHashTableTest, KeysWithTheSameHashStayApart) {
    // Find two different keys whose whole 32-bit hashes are equal.
    std::unordered_map<uint32_t, int32_t> seen;
    int32_t first = -1, second = -1;
    for (int32_t i = 0; i < 2000000 && first < 0; ++i) {
        auto found = seen.emplace(KvTextHashTable::hashOf(key(i)), i);
        if (!found.second) {
            first = found.first->second;
            second = i;
        }
    }
    ASSERT_GE(first, 0) << "no colliding pair found";
    KvTextHashTable table;
    table.findOrInsert(key(first)) = token(1);
    EXPECT_EQ(table.find(key(second)), nullptr);
    table.findOrInsert(key(second)) = token(2);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.find(key(first)), token(1));
    EXPECT_EQ(table.find(key(second)), token(2));
    EXPECT_EQ(table.erase(key(first)), token(1));
    EXPECT_EQ(table.find(key(second)), token(2)) << "probing goes on past an erased slot";
}

TEST(TextHashTableTest, KeysSharingAnIndexSlotProbeOnward) {
    // Keys whose hashes agree in the low bits share a start slot of a small index.
    std::vector<std::u16string> same;
    uint32_t low = KvTextHashTable::hashOf(key(0)) & 7;
    for (int32_t i = 0; same.size() < 3; ++i) {
        if ((KvTextHashTable::hashOf(key(i)) & 7) == low) same.push_back(key(i));
    }
    KvTextHashTable table;
    for (std::size_t i = 0; i < same.size(); ++i) table.findOrInsert(same[i]) = token(static_cast<int32_t>(i));
    EXPECT_EQ(table.erase(same[1]), token(1));
    EXPECT_EQ(table.find(same[2]), token(2));
    table.findOrInsert(same[1]) = token(5);
    EXPECT_EQ(table.find(same[1]), token(5));
    EXPECT_EQ(table.size(), 3u);
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.find(same[0]), nullptr);
}

// A value whose compare answers from a generator, ignoring the other value.
class LyingValue final : public KvBaseObject {
public:
    LyingValue(uint32_t* state, int32_t mode) : state_(state), mode_(mode) {}
    int32_t compare(KvBaseObject*) const override {
        if (mode_ != 0) return mode_;
        *state_ = *state_ * 1664525u + 1013904223u;
        return static_cast<int32_t>((*state_ >> 16) % 3) - 1;
    }

private:
    uint32_t* state_;
    int32_t mode_;
};

using ValueSortTest = ObjectsTest;

TEST_F(ValueSortTest, LyingComparesStillGiveAPermutation) {
    uint32_t state = 12345;
    for (int32_t mode : {0, -1, 1}) {
        for (std::size_t n : {0u, 1u, 2u, 3u, 7u, 64u, 1000u, 4097u}) {
            std::vector<Ref> owned;
            std::vector<KvBaseObject*> values;
            for (std::size_t i = 0; i < n; ++i) {
                owned.emplace_back(new LyingValue(&state, mode));
                values.push_back(owned.back().get());
            }
            std::vector<KvBaseObject*> before = values;
            kvSortValues(values, mode >= 0);
            kvSortValues(values, mode < 0);
            std::sort(before.begin(), before.end());
            std::sort(values.begin(), values.end());
            ASSERT_EQ(values, before) << "mode " << mode << ", " << n << " values";
        }
    }
}

TEST_F(ValueSortTest, MixedKindsComeOutAsAPermutation) {
    Ref text(new KvObjString(u"b"));
    Ref list(new KvObjList());
    Ref map(new KvObjMap());
    Ref wide(kvInt(1000));
    std::vector<KvBaseObject*> values = {kvInt(3), text.get(), kvNull(), list.get(), kvTrue(),
                                         map.get(), wide.get(), kvFalse(), kvInt(-1)};
    std::vector<KvBaseObject*> before = values;
    kvSortValues(values, true);
    std::sort(before.begin(), before.end());
    std::vector<KvBaseObject*> after = values;
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
}

TEST_F(ValueSortTest, IntsAndMixedNumbersInOrder) {
    std::vector<Ref> owned;
    std::vector<KvBaseObject*> ints;
    for (int32_t v : {5, -3, 70000, 0, 255, -70000, 5}) {
        owned.emplace_back(kvInt(v));
        ints.push_back(owned.back().get());
    }
    kvSortValues(ints, true);
    std::string text;
    for (KvBaseObject* v : ints) text += toUtf8(v->toString()) + " ";
    EXPECT_EQ(text, "-70000 -3 0 5 5 255 70000 ");
    kvSortValues(ints, false);
    EXPECT_EQ(toUtf8(ints.front()->toString()), "70000");
    EXPECT_EQ(toUtf8(ints.back()->toString()), "-70000");
}

using ListMembersTest = ObjectsTest;

KvObjList* listOf(std::initializer_list<KvBaseObject*> items) {
    auto* list = new KvObjList();
    for (KvBaseObject* item : items) list->append(item);
    return list;
}

TEST_F(ListMembersTest, RegisteredIdsFollowThePart) {
    Ref list(new KvObjList());
    EXPECT_EQ(list->findMember(u"length")->id, 1);
    EXPECT_EQ(list->findMember(u"last")->id, 3);
    EXPECT_EQ(list->findMember(u"sub")->id, 100);
    EXPECT_EQ(list->findMember(u"convert")->id, 102);
    EXPECT_EQ(list->findMember(u"del")->id, 109);
    EXPECT_EQ(list->findMember(u"clone")->id, 116);
    Ref map(new KvObjMap());
    EXPECT_EQ(map->findMember(u"length")->id, 1);
    EXPECT_EQ(map->findMember(u"sub")->id, 100);
    EXPECT_EQ(map->findMember(u"delete")->id, 105);
    EXPECT_EQ(map->findMember(u"clear")->id, 107);
    EXPECT_EQ(map->findMember(u"del"), nullptr);
}

TEST_F(ListMembersTest, BytesTakeTheLowByteOfEachNumber) {
    Ref wide(kvInt(300));
    Ref list(listOf({kvInt(1), kvInt(2), wide.get()}));
    Ref bytes = call(list, u"bytes");
    ASSERT_EQ(bytes->tag(), kTagBytes);
    auto* b = static_cast<KvObjBytes*>(bytes.get());
    ASSERT_EQ(b->length(), 3u);
    EXPECT_EQ(b->data()[0], 0x01);
    EXPECT_EQ(b->data()[1], 0x02);
    EXPECT_EQ(b->data()[2], 0x2C);
}

TEST_F(ListMembersTest, AnyIndexGivesThePartsResult) {
    Ref list(listOf({kvInt(10), kvInt(20), kvInt(30)}));
    Ref huge(new KvObjInt(2147483647));
    Ref hugeNegative(new KvObjInt(-2147483647 - 1));
    Ref text(new KvObjString(u"1"));
    for (KvBaseObject* index : {huge.get(), hugeNegative.get(), text.get(), kvNull(), kvTrue()}) {
        call(list, u"get", {index});
        call(list, u"sub", {index, index});
        call(list, u"del", {index});
        Ref range(list->getRange(KvArgList{1, &index}));
        list->setAt(index, kvInt(1));
    }
    EXPECT_EQ(call(list, u"get", {huge.get()}).get(), kvInt(30));
    EXPECT_EQ(call(list, u"get", {hugeNegative.get()}).get(), kvInt(30));
    EXPECT_EQ(call(list, u"insert", {hugeNegative.get(), kvInt(40)}).get(), kvTrue());
    EXPECT_EQ(list.text(), "[10, 20, 30, 40]");
}

TEST_F(ListMembersTest, ElementsReleasedWhenReplacedRemovedOrCleared) {
    Ref list(listOf({}));
    Ref element(new KvObjString(u"x"));
    call(list, u"append", {element.get(), element.get()});
    EXPECT_EQ(element->refCount(), 3);
    call(list, u"set", {kvInt(0), kvInt(1)});
    EXPECT_EQ(element->refCount(), 2);
    call(list, u"del", {kvInt(1)});
    EXPECT_EQ(element->refCount(), 1);
    call(list, u"append", {element.get()});
    call(list, u"clear");
    EXPECT_EQ(element->refCount(), 1);
}

TEST_F(ListMembersTest, MapStoresTheSameObjectOnce) {
    Ref map(new KvObjMap());
    Ref value(new KvObjString(u"v"));
    Ref name(new KvObjString(u"k"));
    call(map, u"set", {name.get(), value.get()});
    call(map, u"set", {name.get(), value.get()});
    map->setAt(name.get(), value.get());
    EXPECT_EQ(value->refCount(), 2);
    EXPECT_TRUE(static_cast<KvObjMap*>(map.get())->remove(u"k"));
    EXPECT_FALSE(static_cast<KvObjMap*>(map.get())->remove(u"k"));
    EXPECT_EQ(value->refCount(), 1);
}

}  // namespace
}  // namespace kestrel::testing
