// The flat map from syntax nodes to pass results: lookups of present and
// absent nodes across growth, and overwriting an entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compiler/node_map.h"

namespace kestrel {
namespace {

// Distinct node addresses; the map never reads through them.
std::vector<const KvAstNode*> fakeNodes(size_t count) {
    static std::vector<uint64_t> storage(1 << 17);
    std::vector<const KvAstNode*> nodes;
    for (size_t i = 0; i < count; ++i) nodes.push_back(reinterpret_cast<const KvAstNode*>(&storage[i]));
    return nodes;
}

TEST(NodeMap, FindsEveryEntryAcrossGrowthAndNoOther) {
    std::vector<const KvAstNode*> nodes = fakeNodes(100000);
    NodeMap<int32_t> map;
    EXPECT_EQ(map.find(nodes[0]), nullptr);
    for (size_t i = 0; i < nodes.size(); i += 2) map.set(nodes[i], static_cast<int32_t>(i));
    EXPECT_EQ(map.size(), nodes.size() / 2);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const int32_t* found = map.find(nodes[i]);
        if (i % 2) {
            EXPECT_EQ(found, nullptr) << i;
        } else {
            ASSERT_NE(found, nullptr) << i;
            EXPECT_EQ(*found, static_cast<int32_t>(i));
        }
    }
}

TEST(NodeMap, SettingAgainReplacesTheValue) {
    std::vector<const KvAstNode*> nodes = fakeNodes(3);
    NodeMap<int32_t> map;
    map.set(nodes[1], 5);
    map.set(nodes[1], 7);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(*map.find(nodes[1]), 7);
    EXPECT_EQ(map.find(nodes[2]), nullptr);
}

}  // namespace
}  // namespace kestrel
