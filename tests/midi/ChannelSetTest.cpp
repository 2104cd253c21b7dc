#include "midi/ChannelSet.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Members(const TChannelSet& set)
{
    return {set.begin(), set.end()};
}

} // namespace

TEST(ChannelSet, IteratesAscendingAcrossWordsAndCopiesAreIndependent)
{
    TChannelSet set{255, 64, 3, 63, 0, 300, -2, 128};
    EXPECT_EQ(Members(set), (std::vector<int>{0, 3, 63, 64, 128, 255}));
    EXPECT_EQ(set.Count(), 6);

    TChannelSet copy = set;
    EXPECT_EQ(copy, set);
    copy.Remove(64);
    copy.Add(9);
    EXPECT_NE(copy, set);
    EXPECT_EQ(Members(set), (std::vector<int>{0, 3, 63, 64, 128, 255})) << "the original is untouched";
    EXPECT_EQ(Members(copy), (std::vector<int>{0, 3, 9, 63, 128, 255}));

    set = copy;
    EXPECT_EQ(set, copy);
    set.Clear();
    EXPECT_TRUE(set.Empty());
    EXPECT_EQ(set.begin(), set.end());
    EXPECT_EQ(Members(TChannelSet{255}), std::vector<int>{255});
}

TEST(ChannelSet, IterationSeesTheSetAsItWasWhenItBegan)
{
    TChannelSet set{1, 2, 3};
    std::vector<int> seen;
    for (int channel : set) {
        seen.push_back(channel);
        set.Remove(channel + 1);
        set.Add(15);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Members(set), (std::vector<int>{1, 15}));
}
