#include <gtest/gtest.h>

#include <set>

#include "display/monitor_matching.h"

namespace {

const MonitorId kOperator{"\\\\?\\DISPLAY#DEL4126#5&1a2b&0&UID4352#{e6f07b5f}", "DELL P2419H"};
const MonitorId kLeftPj{"\\\\?\\DISPLAY#SEC5432#5&1a2b&0&UID4353#{e6f07b5f}", "EPSON PJ"};
const MonitorId kRightPj{"\\\\?\\DISPLAY#SEC5432#5&1a2b&0&UID4354#{e6f07b5f}", "EPSON PJ"};
const MonitorId kStage{"\\\\?\\DISPLAY#NEC0101#5&1a2b&0&UID4355#{e6f07b5f}", "NEC PA"};

// The same projector model plugged into another connector: another path, the same friendly name.
MonitorId replugged(MonitorId id, const char* connector)
{
    id.path += connector;
    return id;
}

MonitorMatch named(int32_t index) { return {index, MonitorFound::Named}; }
MonitorMatch kept(int32_t index) { return {index, MonitorFound::Index}; }
MonitorMatch missing(int32_t index) { return {index, MonitorFound::Missing}; }

struct MatchCase {
    const char* what;
    std::vector<MonitorId> today;
    std::vector<SavedMonitor> saved;
    std::vector<MonitorMatch> expected;
};

class MonitorMatching : public testing::TestWithParam<MatchCase> {};

} // namespace

TEST_P(MonitorMatching, EachOutputFindsItsOwnMonitorOrNone)
{
    const MatchCase& c = GetParam();
    const std::vector<MonitorMatch> matches = matchMonitors(c.today, c.saved);
    EXPECT_EQ(matches, c.expected);
    // Whatever the case, the names never put two outputs of different names on one monitor.
    std::set<int32_t> taken;
    for (std::size_t i = 0; i < matches.size(); ++i)
        if (matches[i].found == MonitorFound::Named && !(i > 0 && c.saved[i].id == c.saved[i - 1].id)) {
            EXPECT_TRUE(taken.insert(matches[i].index).second) << "monitor " << matches[i].index << " twice";
        }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MonitorMatching,
    testing::Values(
        MatchCase{"reordered: each projector found where it is now",
                  {kOperator, kRightPj, kLeftPj},
                  {{1, kLeftPj}, {2, kRightPj}},
                  {named(2), named(1)}},
        MatchCase{"one projector off: its output is shown nowhere, not on the operator's screen now at its index",
                  {kRightPj, kOperator},
                  {{1, kStage}, {2, kRightPj}},
                  {missing(1), named(0)}},
        MatchCase{"a projector off whose index now holds the other one",
                  {kOperator, kRightPj},
                  {{1, kLeftPj}, {2, kRightPj}},
                  {missing(1), named(1)}},
        MatchCase{"two of one model, both re-plugged: the saved index decides between them",
                  {kOperator, replugged(kRightPj, "b"), replugged(kLeftPj, "a")},
                  {{2, kLeftPj}, {1, kRightPj}},
                  {named(2), named(1)}},
        MatchCase{"two of one model, one re-plugged: the path finds the other first, the name the re-plugged one",
                  {kOperator, kRightPj, replugged(kLeftPj, "a")},
                  {{1, kLeftPj}, {2, kRightPj}},
                  {named(2), named(1)}},
        MatchCase{"a model alike at another index is taken when the saved one is not there",
                  {kOperator, kStage, replugged(kLeftPj, "a")},
                  {{1, kLeftPj}},
                  {named(2)}},
        MatchCase{"no names today (Wine, or the query failed): every saved index stands",
                  {{}, {}},
                  {{1, kLeftPj}, {5, kRightPj}},
                  {kept(1), kept(5)}},
        MatchCase{"no names saved (a file of before): the indices stand",
                  {kOperator, kLeftPj, kRightPj},
                  {{2, {}}, {1, {}}},
                  {kept(2), kept(1)}},
        MatchCase{"an output without names never covers a projector found at its index",
                  {kOperator, kLeftPj, kRightPj},
                  {{2, {}}, {1, kRightPj}},
                  {missing(2), named(2)}},
        MatchCase{"a gone projector whose index is a monitor without names: it cannot be told apart, the index stands",
                  {kOperator, {}},
                  {{1, kLeftPj}},
                  {kept(1)}},
        MatchCase{"two outputs put on one projector stay together",
                  {kOperator, kStage, kLeftPj},
                  {{1, kLeftPj}, {1, kLeftPj}},
                  {named(2), named(2)}}),
    [](const testing::TestParamInfo<MatchCase>& info) { return "case" + std::to_string(info.index); });

TEST(MonitorIdentity, OnlyWhatTheMonitorItselfReportsNamesIt)
{
    // Wine's targets: generic names numbered in list order, no EDID.
    EXPECT_FALSE(targetIdentity("\\\\?\\DISPLAY#Default_Monitor#0001&0000#{e6f07b5f}", "Display2", false, false).known());
    EXPECT_EQ(targetIdentity("p", "EPSON PJ", true, true), (MonitorId{"p", "EPSON PJ"}));
    // A laptop panel: EDID ids, no EDID name.
    EXPECT_EQ(targetIdentity("p", "Generic", true, false), (MonitorId{"p", ""}));
}
