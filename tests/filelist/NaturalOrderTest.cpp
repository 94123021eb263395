#include "NaturalOrder.h"

#include <gtest/gtest.h>

TEST(NaturalOrder, DigitRunsCompareAsNumbers)
{
    EXPECT_TRUE(NaturalLess("IMG_2.jpg", "IMG_10.jpg"));
    EXPECT_FALSE(NaturalLess("IMG_10.jpg", "IMG_2.jpg"));
    EXPECT_TRUE(NaturalLess("IMG_9", "IMG_10"));
    EXPECT_TRUE(NaturalLess("2024-5-1", "2024-05-02"));
    EXPECT_TRUE(NaturalLess("v1.9.jpg", "v1.10.jpg"));
    // Longer than any machine integer still compares by value.
    EXPECT_TRUE(NaturalLess("p99999999999999999999.jpg", "p100000000000000000000.jpg"));
    EXPECT_TRUE(NaturalLess("p0000000000000000000000009.jpg", "p10.jpg"));
}

TEST(NaturalOrder, LetterCaseIsIgnoredAndTiesGoByBytes)
{
    EXPECT_TRUE(NaturalLess("Alpha", "bravo"));
    EXPECT_TRUE(NaturalLess("bravo", "Charlie"));
    EXPECT_TRUE(NaturalLess("Charlie", "charlie"));
    EXPECT_FALSE(NaturalLess("charlie", "Charlie"));
    // Equal as numbers: the bytes decide, so the order is total.
    EXPECT_TRUE(NaturalLess("IMG_02", "IMG_2"));
    EXPECT_FALSE(NaturalLess("IMG_2", "IMG_02"));
    EXPECT_FALSE(NaturalLess("same", "same"));
}

TEST(NaturalOrder, PrefixesComeFirstAndOtherBytesByValue)
{
    EXPECT_TRUE(NaturalLess("a", "a1"));
    EXPECT_TRUE(NaturalLess("a", "a.jpg"));
    EXPECT_TRUE(NaturalLess("", "a"));
    EXPECT_TRUE(NaturalLess("zebra", "\xC3\xA9t\xC3\xA9"));
    EXPECT_TRUE(NaturalLess("caf\xC3\xA9", "caf\xE9"));
}

TEST(NaturalOrder, SortingGivesTheFileManagersOrder)
{
    std::vector<std::string> names{"delta", "IMG_10", "Alpha", "img_2", "charlie", "IMG_2", "IMG_1", "bravo"};
    SortNaturally(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta", "IMG_1", "IMG_2", "img_2",
                                                "IMG_10"}));
}
