#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScanDecision.h"

using namespace kestrune;
using Action = ScanDecision::Action;

namespace {

// Runs a sequence of device counts (one per tick) and writes the actions as
// text: '.' continue, 'B' re-broadcast, 'F' finish.
std::string RunTicks(const std::vector<int>& counts)
{
    ScanDecision scan;
    std::string actions;
    for (int count : counts) {
        switch (scan.Tick(count)) {
            case Action::Continue:
                actions += '.';
                break;
            case Action::Rebroadcast:
                actions += 'B';
                break;
            case Action::Finish:
                actions += 'F';
                break;
        }
    }
    return actions;
}

// Counts that grow by one at every tick, for n ticks.
std::vector<int> Growing(int n)
{
    std::vector<int> counts;
    for (int i = 1; i <= n; ++i)
        counts.push_back(i);
    return counts;
}

}  // namespace

TEST(ScanRule, TickSequences)
{
    struct Case {
        const char* what;
        std::vector<int> counts;
        std::string expected;
    };
    const Case cases[] = {
        {"no device at all ends at tick 4", {0, 0, 0, 0}, "...F"},
        {"all found before the first tick ends at tick 4", {50, 50, 50, 50}, "...F"},
        {"a device between ticks 1 and 4 keeps it to tick 8", {1, 1, 2, 2, 2, 2, 2, 2}, ".......F"},
        {"a device just at tick 4 counts for the first window",
         {3, 3, 3, 4, 4, 4, 4, 4},
         ".......F"},
        {"quiet at tick 12 finishes instead of re-broadcasting",
         {1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3},
         "...........F"},
        {"growth in every window re-broadcasts at 12, 24, 36", Growing(36),
         "...........B...........B...........B"},
        {"after a re-broadcast a quiet window ends the scan",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 12, 12, 12, 12},
         "...........B...F"},
        {"a shrinking count is a change too", {5, 5, 5, 4, 4, 4, 4, 4}, ".......F"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, RunTicks(c.counts)) << c.what;
}

TEST(ScanRule, FinishResetsForTheNextScan)
{
    ScanDecision scan;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Action::Continue, scan.Tick(7));
    EXPECT_EQ(Action::Finish, scan.Tick(7));
    EXPECT_EQ(0, scan.Ticks());
    EXPECT_EQ(0, scan.LastCount());
    // The next scan takes its first count afresh at its own first tick.
    EXPECT_EQ(Action::Continue, scan.Tick(9));
    EXPECT_EQ(9, scan.LastCount());
    scan.Reset();
    EXPECT_EQ(0, scan.Ticks());
}
