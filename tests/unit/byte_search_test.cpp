// Byte searches at the ends of their spans: needles that touch the first or
// last byte, start and from positions at the edges, separators at both ends.
#include <gtest/gtest.h>

#include <vector>

#include "objects/byte_search.h"

namespace kestrel {
namespace {

ByteSpan spanOf(const std::vector<uint8_t>& bytes) {
    return ByteSpan{bytes.data(), static_cast<uint32_t>(bytes.size())};
}

TEST(ByteSearch, FindAtTheEnds) {
    std::vector<uint8_t> hay{1, 2, 3, 1, 2};
    std::vector<uint8_t> twelve{1, 2};
    std::vector<uint8_t> tail{2, 9};
    EXPECT_EQ(bytesFind(spanOf(hay), spanOf(twelve), 0), 0);
    EXPECT_EQ(bytesFind(spanOf(hay), spanOf(twelve), 1), 3) << "ends on the last byte";
    EXPECT_EQ(bytesFind(spanOf(hay), spanOf(twelve), 4), -1) << "would run past the end";
    EXPECT_EQ(bytesFind(spanOf(hay), spanOf(tail), 0), -1);
    EXPECT_EQ(bytesFind(spanOf(hay), spanOf(twelve), 5), -1);
}

TEST(ByteSearch, FindLastAtTheEnds) {
    std::vector<uint8_t> hay{1, 2, 3, 1, 2};
    std::vector<uint8_t> twelve{1, 2};
    EXPECT_EQ(bytesFindLast(spanOf(hay), spanOf(twelve), 4), 3) << "begins before from, ends after";
    EXPECT_EQ(bytesFindLast(spanOf(hay), spanOf(twelve), 2), 0);
    EXPECT_EQ(bytesFindLast(spanOf(hay), spanOf(twelve), 0), 0);
    std::vector<uint8_t> longer{1, 2, 3, 1, 2, 3};
    EXPECT_EQ(bytesFindLast(spanOf(hay), spanOf(longer), 4), -1);
}

TEST(ByteSearch, SplitLeavesOutEmptyPieces) {
    std::vector<uint8_t> hay{0, 1, 0, 0, 2, 0};
    std::vector<uint8_t> zero{0};
    std::vector<ByteSpan> pieces = bytesSplit(spanOf(hay), spanOf(zero));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].size, 1u);
    EXPECT_EQ(pieces[0].data[0], 1);
    EXPECT_EQ(pieces[1].data[0], 2);
    std::vector<uint8_t> zeros{0, 0};
    EXPECT_TRUE(bytesSplit(spanOf(zeros), spanOf(zero)).empty());
}

TEST(ByteSearch, PrefixAndSuffix) {
    std::vector<uint8_t> hay{1, 2, 3};
    std::vector<uint8_t> whole{1, 2, 3};
    std::vector<uint8_t> more{1, 2, 3, 4};
    std::vector<uint8_t> none;
    EXPECT_TRUE(bytesStartWith(spanOf(hay), spanOf(whole)));
    EXPECT_TRUE(bytesEndWith(spanOf(hay), spanOf(whole)));
    EXPECT_FALSE(bytesStartWith(spanOf(hay), spanOf(more)));
    EXPECT_FALSE(bytesEndWith(spanOf(hay), spanOf(more)));
    EXPECT_FALSE(bytesStartWith(spanOf(hay), spanOf(none)));
}

}  // namespace
}  // namespace kestrel
