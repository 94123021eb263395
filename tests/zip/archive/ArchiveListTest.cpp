#include "ArchiveModel.h"
#include "ZipRecords.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<TArchiveItem> Entry(const std::string& name, TEntryAction action = eaKeep)
{
    auto item = std::make_unique<TZipItem>();
    item->SetFileName(name);
    item->SetAction(action);
    return item;
}

// p0.jpg, p857.jpg and p2343.jpg all fall into bucket 153.
const char* const kSameBucket[] = {"p0.jpg", "p857.jpg", "p2343.jpg"};

} // namespace

TEST(ArchiveListHash, MatchesHandComputedValuesAndIgnoresCase)
{
    EXPECT_EQ(TArchiveList::GenerateHash(""), 0u);
    EXPECT_EQ(TArchiveList::GenerateHash("A"), 65u);
    EXPECT_EQ(TArchiveList::GenerateHash("ab"), 65u * 16 + 66);
    // Long enough for the high nibble to fold back in.
    EXPECT_EQ(TArchiveList::GenerateHash("IMG_20240101_123456.jpg"), 27395143u);
    EXPECT_EQ(TArchiveList::GenerateHash("a_rather_long_thumbnail_name.jpeg"), 185230103u);
    EXPECT_EQ(TArchiveList::GenerateHash("cat.jpg"), TArchiveList::GenerateHash("CAT.JPG"));
    for (const char* name : kSameBucket)
        EXPECT_EQ(TArchiveList::GenerateHash(name) % TArchiveList::BucketCount, 153u) << name;
}

TEST(ArchiveListHash, NamesCompareUnderCaseFoldingInAnyScript)
{
    EXPECT_TRUE(TArchiveList::NamesEqual("Cat.JPG", "cAT.jpg"));
    EXPECT_FALSE(TArchiveList::NamesEqual("cat.jpg", "cat.jpeg"));
    EXPECT_FALSE(TArchiveList::NamesEqual("cat.jpg", "cat.jpg "));
    struct TPair {
        const char* A;
        const char* B;
        bool Same;
    };
    const TPair pairs[] = {
        {"\xc3\xa9.jpg", "\xc3\x89.jpg", true},                        // é, É
        {"\xcf\x83\xce\xbf\xcf\x82.jpg", "\xce\xa3\xce\x9f\xce\xa3.JPG", true},  // σος, ΣΟΣ: final sigma too
        {"\xd0\x96\xd1\x83\xd0\xba.jpg", "\xd0\xb6\xd0\xa3\xd0\x9a.jpg", true},  // Жук, жУК
        {"\xe1\xba\x9e.jpg", "\xc3\x9f.jpg", true},                   // capital and small sharp s
        {"\xc3\x9f.jpg", "ss.jpg", false},                               // ß is one letter, not two
        {"\xe2\x84\xaa.jpg", "k.jpg", true},                            // Kelvin sign
        {"\xc3\xa9.jpg", "e\xcc\x81.jpg", false},                      // case only, not composition
        // Not UTF-8 (Latin-1 é and É): bytes above 0x7F compare as they are.
        {"\xe9.jpg", "\xc9.jpg", false},
        {"\xe9.JPG", "\xe9.jpg", true},
    };
    for (const TPair& p : pairs) {
        SCOPED_TRACE(std::string(p.A) + " / " + p.B);
        EXPECT_EQ(TArchiveList::NamesEqual(p.A, p.B), p.Same);
        EXPECT_EQ(TArchiveList::NamesEqual(p.B, p.A), p.Same);
        if (p.Same) {
            EXPECT_EQ(TArchiveList::GenerateHash(p.A), TArchiveList::GenerateHash(p.B));
        }
    }
}

TEST(ArchiveList, FindsANameStoredInOtherLetterCaseOfAnyScript)
{
    TArchiveList list;
    list.Add(Entry("\xc3\x89t\xc3\xa9.jpg"));  // Été.jpg
    list.Add(Entry("\xce\x9b.jpg"));            // Λ.jpg
    EXPECT_EQ(list.Find("\xc3\xa9T\xc3\x89.JPG"), 0);
    EXPECT_TRUE(list.IsActiveDupe("\xce\xbb.jpg"));
    EXPECT_FALSE(list.IsActiveDupe("\xce\xbc.jpg"));
}

TEST(ArchiveList, FindsEveryEntryOfASharedChainAndKeepsArchiveOrder)
{
    TArchiveList list;
    list.Add(Entry("first.jpg"));
    for (const char* name : kSameBucket)
        list.Add(Entry(name));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Item(0)->GetFileName(), "first.jpg");
    EXPECT_EQ(list.Find("P0.JPG"), 1);
    EXPECT_EQ(list.Find("p857.jpg"), 2);
    EXPECT_EQ(list.Find("p2343.jpg"), 3);
    EXPECT_EQ(list.Find("p1.jpg"), -1);
}

TEST(ArchiveList, DeletingFromTheMiddleOfAChainKeepsTheOthersFindable)
{
    TArchiveList list;
    for (const char* name : kSameBucket)
        list.Add(Entry(name));
    list.Delete(1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Find("p857.jpg"), -1);
    EXPECT_EQ(list.Find("p0.jpg"), 0);
    EXPECT_EQ(list.Find("p2343.jpg"), 1);
    list.Delete(1);  // head of the chain
    EXPECT_EQ(list.Find("p2343.jpg"), -1);
    EXPECT_EQ(list.Find("p0.jpg"), 0);
    list.Add(Entry("p857.jpg"));
    EXPECT_EQ(list.Find("p857.jpg"), 1);
}

TEST(ArchiveList, AnEqualNameStaysFindableUntilItsLastEntryLeaves)
{
    TArchiveList list;
    list.Add(Entry("twin.jpg"));
    list.Add(Entry("TWIN.jpg"));
    list.Delete(0);
    EXPECT_TRUE(list.IsActiveDupe("twin.jpg"));
    list.Delete(0);
    EXPECT_FALSE(list.IsActiveDupe("twin.jpg"));
    EXPECT_EQ(list.Find("Twin.jpg"), -1);
}

TEST(ArchiveList, EntriesAboutToBeRemovedAreNoLiveDuplicates)
{
    TArchiveList list;
    list.Add(Entry("cat.jpg", eaRemove));
    EXPECT_FALSE(list.IsActiveDupe("CAT.jpg"));
    EXPECT_EQ(list.Find("cat.jpg"), 0);
    list.Add(Entry("Cat.jpg", eaFromStream));
    EXPECT_TRUE(list.IsActiveDupe("cat.JPG"));
}

TEST(ArchivePercentage, RisesToOneHundredAndScalesLargeCounts)
{
    EXPECT_EQ(ArchivePercentage(9, 10), 90);
    EXPECT_EQ(ArchivePercentage(9 * 1, 10 * 3), 30);
    EXPECT_EQ(ArchivePercentage(5, 0), 0);
    EXPECT_EQ(ArchivePercentage(5, -3), 0);
    EXPECT_EQ(ArchivePercentage(12, 12), 100);
    EXPECT_EQ(ArchivePercentage(13, 12), 100);
    // Above 16384000 both are scaled down by 256 first, so no overflow.
    EXPECT_EQ(ArchivePercentage(1LL << 31, 1LL << 33), 25);
    EXPECT_EQ(ArchivePercentage(16383999, 16384200), 99);
    // Scaling can make a just-below count equal: then it is complete.
    EXPECT_EQ(ArchivePercentage(16384000, 16384001), 100);
}
