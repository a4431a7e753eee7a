#include "gfx/hash_collection.h"

#include <gtest/gtest.h>

namespace {
THashCollectionItem* Add(THashCollection& c, const std::string& name) {
  auto* item = new THashCollectionItem(&c);
  item->SetName(name);
  return item;
}
}  // namespace

TEST(HashCollection, BucketsOfNames) {
  EXPECT_EQ(THashCollection::HashName(""), 0);
  EXPECT_EQ(THashCollection::HashName("wyscigowka"), 130);
  EXPECT_EQ(THashCollection::HashName("WYSCIGOWKA"), 130);
  EXPECT_EQ(THashCollection::HashName("Droga"), 27);
  EXPECT_EQ(THashCollection::HashName("a"), 16);  // one character: the length alone
}

TEST(HashCollection, FindByNameIgnoringCaseAfterRenamesDeletesAndMoves) {
  THashCollection c;
  Add(c, "wyscigowka");
  Add(c, "1234");
  Add(c, "tlo");
  THashCollectionItem* droga = Add(c, "Droga");
  EXPECT_EQ(c.IndexOf("WYSCIGOWKA"), 0);
  EXPECT_EQ(c.IndexOf("droga"), 3);
  EXPECT_EQ(c.IndexOf("nothing"), -1);

  // Deleting moves the items behind up, and their kept indexes follow.
  c.Delete(1);
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.IndexOf("Droga"), 2);
  EXPECT_EQ(c.IndexOf("1234"), -1);
  EXPECT_EQ(droga->Index(), 2);

  droga->SetIndex(0);
  EXPECT_EQ(c.IndexOf("Droga"), 0);
  EXPECT_EQ(c.IndexOf("wyscigowka"), 1);
  EXPECT_EQ(c.IndexOf("tlo"), 2);
  EXPECT_EQ(c.GetItem(0), droga);

  // Renaming re-chains: the old name is gone, the new one found.
  droga->SetName("Trasa");
  EXPECT_EQ(c.IndexOf("Droga"), -1);
  EXPECT_EQ(c.IndexOf("trasa"), 0);

  // Two names equal but for case: the one named last wins.
  Add(c, "TLO");
  EXPECT_EQ(c.IndexOf("tlo"), 3);
  c.Delete(3);
  EXPECT_EQ(c.IndexOf("tlo"), 2);
}

TEST(HashCollection, IndexOutOfBoundsMessage) {
  THashCollection c;
  Add(c, "a");
  try {
    c.GetItem(1);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
  EXPECT_THROW(c.GetItem(-1), EListError);
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.IndexOf("a"), -1);
}
