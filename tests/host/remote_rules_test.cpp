// Who the remote control takes packets from, and how little of a bad desk reaches the log.
#include <gtest/gtest.h>

#include <string>

#include "remote/remote_rules.h"

namespace {

constexpr Ipv4 ipv4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

struct SenderCase {
    Ipv4 address;
    bool fromThisComputer; // taken with allowLan false
    bool fromTheNetwork;   // taken with allowLan true
};

class Sender : public testing::TestWithParam<SenderCase> {};

TEST_P(Sender, IsTakenOnlyWhereItsRangeAllows)
{
    const SenderCase& c = GetParam();
    EXPECT_EQ(acceptsSender(c.address, false), c.fromThisComputer);
    EXPECT_EQ(acceptsSender(c.address, true), c.fromTheNetwork);
}

// Each range's first and last address, and the addresses just outside it.
INSTANTIATE_TEST_SUITE_P(
    Ranges, Sender,
    testing::Values(SenderCase{ipv4(127, 0, 0, 1), true, true}, SenderCase{ipv4(127, 255, 255, 255), true, true},
                    SenderCase{ipv4(126, 255, 255, 255), false, false}, SenderCase{ipv4(10, 0, 0, 0), false, true},
                    SenderCase{ipv4(10, 255, 255, 255), false, true}, SenderCase{ipv4(11, 0, 0, 0), false, false},
                    SenderCase{ipv4(172, 15, 255, 255), false, false}, SenderCase{ipv4(172, 16, 0, 0), false, true},
                    SenderCase{ipv4(172, 31, 255, 255), false, true}, SenderCase{ipv4(172, 32, 0, 0), false, false},
                    SenderCase{ipv4(192, 168, 1, 20), false, true}, SenderCase{ipv4(192, 169, 0, 0), false, false},
                    SenderCase{ipv4(169, 254, 7, 9), false, true}, SenderCase{ipv4(169, 253, 255, 255), false, false},
                    SenderCase{ipv4(8, 8, 8, 8), false, false}, SenderCase{ipv4(255, 255, 255, 255), false, false},
                    SenderCase{ipv4(0, 0, 0, 0), false, false}));

} // namespace

TEST(UnknownAddresses, EachIsLoggedOnceAndOnlyTheFirstTwenty)
{
    UnknownAddresses addresses;
    EXPECT_TRUE(addresses.firstSighting("/a"));
    EXPECT_FALSE(addresses.firstSighting("/a"));
    for (std::size_t n = 1; n < kMostUnknownAddressesLogged; ++n)
        EXPECT_TRUE(addresses.firstSighting("/b" + std::to_string(n)));
    EXPECT_FALSE(addresses.firstSighting("/one/more"));
    EXPECT_FALSE(addresses.firstSighting("/b1"));
}

TEST(UnknownAddresses, ReachTheLogPrintableAndShort)
{
    EXPECT_EQ(loggableAddress("/ostrel/x"), "/ostrel/x");
    EXPECT_EQ(loggableAddress("/a\r\n[12:00:00] [LOG] b\x7f\xc3\xa9"), "/a??[12:00:00] [LOG] b???");
    EXPECT_EQ(loggableAddress("/" + std::string(200, 'x')).size(), kMostLoggedAddressBytes);
}

TEST(DropReport, TellsAtOnceThenAtMostOnceASecondWithEverythingSince)
{
    DropReport report;
    EXPECT_EQ(report.takeDue(5000), 0u) << "nothing dropped";
    EXPECT_FALSE(report.msUntilDue(5000));
    report.dropped();
    EXPECT_EQ(report.msUntilDue(5000), 0u);
    EXPECT_EQ(report.takeDue(5000), 1u) << "the first drop at once";

    report.dropped(3);
    report.dropped();
    EXPECT_EQ(report.takeDue(5400), 0u) << "within the second of the last report";
    EXPECT_EQ(report.msUntilDue(5400), 600u);
    EXPECT_EQ(report.takeDue(5999), 0u);
    EXPECT_EQ(report.takeDue(6000), 4u) << "every drop since, in one report";
    EXPECT_EQ(report.takeDue(9000), 0u) << "told once";

    report.dropped(2);
    EXPECT_EQ(report.takeDue(9000), 2u) << "after a quiet second, at once again";
}

TEST(RemoteTimeForPass, IsAnEighthOfThePassWithinItsBounds)
{
    EXPECT_EQ(remoteTimeForPass(24000), 3000) << "a pass of 24 ms";
    EXPECT_EQ(remoteTimeForPass(0), kLeastRemoteTimePerPass) << "passes one right after another";
    EXPECT_EQ(remoteTimeForPass(10'000'000), kMostRemoteTimePerPass) << "after a long sleep";
    // Passes whose own work takes from 16 ms (eight times the least) up: once they have settled with the
    // desk's time in them, that time is at most an eighth of each.
    for (int64_t rest = 8 * kLeastRemoteTimePerPass; rest < 80000; rest += 1000) {
        int64_t pass = rest;
        for (int i = 0; i < 50; ++i)
            pass = rest + remoteTimeForPass(pass);
        EXPECT_LE(8 * (pass - rest), pass) << rest;
    }
}
