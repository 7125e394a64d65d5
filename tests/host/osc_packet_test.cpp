// Packets from the control desk: read whole or dropped whole, and the commands their messages ask for.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "osc_writing.h"
#include "remote/osc_packet.h"
#include "remote/remote_command.h"

using namespace osc;

TEST(OscPacket, MessagesAndNestedBundlesReadBackInOrder)
{
    const OscMessage every = message("/ostrel/test", {integer(-7), real(0.25f), text("abc"), flag(true), flag(false), text("")});
    const auto read = readOscPacket(oscMessageBytes(every));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(read->front(), every);
    // Strings of 3 and 4 characters: one byte and four bytes of padding.
    EXPECT_EQ(oscMessageBytes(message("/ab")).size(), 8u);
    EXPECT_EQ(oscMessageBytes(message("/abc")).size(), 12u);

    const std::string first = oscMessageBytes(message("/ostrel/blackout", {integer(1)}));
    const std::string second = oscMessageBytes(message("/ostrel/freeze", {flag(false)}));
    std::string nested = bundle({second});
    for (int depth = 2; depth < kMostBundleDepth; ++depth)
        nested = bundle({nested});
    const auto deepest = readOscPacket(bundle({first, nested}));
    ASSERT_TRUE(deepest) << "bundles " << kMostBundleDepth << " deep";
    ASSERT_EQ(deepest->size(), 2u);
    EXPECT_EQ((*deepest)[0].address, "/ostrel/blackout");
    EXPECT_EQ((*deepest)[1].address, "/ostrel/freeze");
    EXPECT_FALSE(readOscPacket(bundle({bundle({first, nested})}))) << "one deeper";
    EXPECT_TRUE(readOscPacket(bundle({}))) << "an empty bundle asks nothing, and is no fault";
}

TEST(OscPacket, AMalformedPacketIsDroppedWhole)
{
    const std::string good = oscMessageBytes(message("/ostrel/grid", {integer(1)}));
    std::string badPadding = good;
    badPadding[18] = 'x'; // in the padding after ",i"
    std::string unknownTag = good;
    unknownTag[17] = 'q';
    const std::string cases[] = {
        "",
        good.substr(0, good.size() - 4),                         // the argument cut off
        good + std::string(2, '\0'),                            // not a multiple of 4
        badPadding,
        unknownTag,
        oscMessageBytes(message("/ostrel/grid")).substr(0, 16),  // no type tag string
        oscMessageBytes(message("ostrel/grid", {integer(1)})),   // no leading "/"
        good + word(0),                                          // bytes after the arguments
        std::string("/abc"),                                     // no terminator
        bundle({good}).substr(0, 20),                            // the element's size runs past the end
        bundle({good, ""}),                                      // an empty element
        std::string("#bundle\0", 8) + word(0),                   // a cut time tag
        bundle({good}) + word(6) + std::string("abcdef\0\0", 8), // an element size not a multiple of 4
        bundle({good, unknownTag}),                              // a bad message inside spoils the bundle
    };
    for (const std::string& bytes : cases)
        EXPECT_FALSE(readOscPacket(bytes)) << testing::PrintToString(bytes);
}

TEST(RemoteCommand, EachAddressTakesOnlyItsArguments)
{
    using Kind = RemoteCommand::Kind;
    const auto blackout = remoteCommandOf(message("/ostrel/blackout", {integer(1)}));
    ASSERT_TRUE(blackout);
    EXPECT_EQ(blackout->kind, Kind::Blackout);
    EXPECT_TRUE(blackout->on);
    EXPECT_FALSE(remoteCommandOf(message("/ostrel/freeze", {real(0.0f)}))->on);
    EXPECT_TRUE(remoteCommandOf(message("/ostrel/grid", {flag(true)}))->on);
    const auto pattern = remoteCommandOf(message("/ostrel/output/2/pattern", {text("white")}));
    ASSERT_TRUE(pattern);
    EXPECT_EQ(pattern->output, 1);
    EXPECT_EQ(pattern->name, "white");
    EXPECT_EQ(remoteCommandOf(message("/ostrel/pattern", {text("id")}))->output, -1);
    const auto corner = remoteCommandOf(message("/ostrel/output/4/corner/3", {real(-0.5f), integer(1)}));
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->kind, Kind::Corner);
    EXPECT_EQ(corner->output, 3);
    EXPECT_EQ(corner->corner, 2);
    EXPECT_EQ(corner->x, -0.5f);
    EXPECT_EQ(corner->y, 1.0f);
    EXPECT_EQ(remoteCommandOf(message("/ostrel/undo"))->kind, Kind::Undo);
    EXPECT_EQ(remoteCommandOf(message("/ostrel/status"))->kind, Kind::Status);
    EXPECT_EQ(remoteCommandOf(message("/ostrel/camera/align"))->kind, Kind::CameraAlign);

    for (const OscMessage& refused : {message("/ostrel/blackout", {integer(2)}), message("/ostrel/blackout"),
                                      message("/ostrel/freeze", {text("1")}), message("/ostrel/pattern", {integer(1)}),
                                      message("/ostrel/preset"), message("/ostrel/undo", {integer(1)}),
                                      message("/ostrel/camera/align", {integer(1)}),
                                      message("/ostrel/output/1/corner/1", {real(NAN), real(0.0f)}),
                                      message("/ostrel/output/1/corner/1", {real(0.0f)}),
                                      message("/ostrel/output/5/pattern", {text("white")}),
                                      message("/ostrel/output/1/corner/0", {real(0.0f), real(0.0f)}),
                                      message("/ostrel/output/12/pattern", {text("white")}), message("/ostrel/other")})
        EXPECT_FALSE(remoteCommandOf(refused)) << refused.address;
    EXPECT_TRUE(isRemoteAddress("/ostrel/output/1/corner/4"));
    EXPECT_TRUE(isRemoteAddress("/ostrel/blackout")) << "known, whatever its arguments";
    EXPECT_FALSE(isRemoteAddress("/ostrel/output/1/corner/"));
    EXPECT_FALSE(isRemoteAddress("/ostrel/blackoutx"));
}
