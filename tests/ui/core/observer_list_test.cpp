#include "ui/core/observer_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ui {
namespace {

TEST(ObserverListTest, ChangesDuringAWalkSkipNobodyStillListed) {
  struct Case {
    const char* description;
    bool reverse;
    int actingObserver;
    std::function<void(ObserverList<int>&)> act;
    std::vector<int> visited;
    std::vector<int> listedAfter;
  };
  const Case kCases[] = {
      {"removes itself", false, 1, [](auto& list) { list.Remove(1); }, {1, 2, 3}, {2, 3}},
      {"removes the next one", false, 1, [](auto& list) { list.Remove(2); }, {1, 3}, {1, 3}},
      {"removes an earlier one", false, 2, [](auto& list) { list.Remove(1); }, {1, 2, 3}, {2, 3}},
      {"adds one: it waits for the next walk",
       false,
       1,
       [](auto& list) { list.Add(4); },
       {1, 2, 3},
       {1, 2, 3, 4}},
      {"removes the next one and adds it back",
       false,
       1,
       [](auto& list) {
         list.Remove(2);
         list.Add(2);
       },
       {1, 3},
       {1, 3, 2}},
      {"clears the list", false, 1, [](auto& list) { list.Clear(); }, {1}, {}},
      {"a nested walk removes the one the outer walk is at",
       false,
       2,
       [](auto& list) { list.ForEach([&list](int observer) { list.Remove(observer + 1); }); },
       {1, 2, 3},
       {1, 3}},
      {"last first, removes the next one",
       true,
       3,
       [](auto& list) { list.Remove(2); },
       {3, 1},
       {1, 3}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    ObserverList<int> list;
    for (int observer : {1, 2, 3})
      list.Add(observer);
    std::vector<int> visited;
    auto visit = [&](int observer) {
      visited.push_back(observer);
      if (observer == c.actingObserver)
        c.act(list);
    };
    if (c.reverse)
      list.ForEachReverse(visit);
    else
      list.ForEach(visit);
    EXPECT_EQ(c.visited, visited);
    EXPECT_EQ(c.listedAfter, list.Snapshot());
  }
}

TEST(ObserverListTest, DuplicatesStayAndRemoveTakesTheFirst) {
  ObserverList<int> list;
  for (int observer : {1, 2, 1})
    list.Add(observer);
  EXPECT_TRUE(list.Remove(1));
  EXPECT_EQ((std::vector<int>{2, 1}), list.Snapshot());
  list.Add(1);
  EXPECT_EQ(2u, list.RemoveAll(1));
  EXPECT_FALSE(list.Remove(1));
  EXPECT_EQ(1u, list.Count());
}

TEST(ObserverListTest, AVisitThatAnswersFalseEndsTheWalk) {
  ObserverList<int> list;
  for (int observer : {1, 2, 3})
    list.Add(observer);
  std::vector<int> visited;
  EXPECT_FALSE(list.ForEach([&](int observer) {
    visited.push_back(observer);
    return observer != 2;
  }));
  EXPECT_EQ((std::vector<int>{1, 2}), visited);
  EXPECT_TRUE(list.ForEach([](int) { return true; }));
}

}  // namespace
}  // namespace ui
