// The control desk reaches the real program through a real UDP socket: each command followed in
// config.json, on the projector's pixels, in debug.log and in the program's status reply.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app_folder.h"
#include "desk_socket.h"
#include "osc_writing.h"
#include "ostrel_process.h"
#include "program_test.h"
#include "remote/osc_packet.h"
#include "settings/settings_text.h"
#include "test_picture.h"

using namespace harness;
using e2e::eventually;
using namespace osc;

namespace {

// The middle of the projector, far from the edges the warp could leave black.
const ScreenRect kProjectorMiddle{1024 + 300, 200, 1024 + 500, 400};

// Whether `part` is in `lines` exactly once.
bool once(const std::string& lines, const std::string& part)
{
    return lines.find(part) != std::string::npos && lines.find(part) == lines.rfind(part);
}

class Remote : public e2e::ProgramTest<> {
protected:
    void startListening()
    {
        // A port of its own for each test process, so that runs side by side never share one.
        const auto port = freeUdpPort(static_cast<uint16_t>(20000 + getpid() % 20000));
        ASSERT_TRUE(port);
        values_.remote.port = *port;
        desk_ = std::make_unique<DeskSocket>(*port);
        folder_.writeFile("config.json", settingsFileBytes(values_));
        program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
        ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
        const std::string listening = "Controle remoto OSC escutando na porta " + std::to_string(values_.remote.port);
        ASSERT_TRUE(eventually([&] { return log().find(listening) != std::string::npos; })) << log();
    }

    // The program's answer to "/ostrel/status": it comes after every packet sent before the question
    // has been carried out, since the one socket reads them in order.
    std::optional<std::vector<OscMessage>> status()
    {
        const auto reply = desk_->send(packet("/ostrel/status")) ? desk_->receive(10s) : std::nullopt;
        return reply ? readOscPacket(*reply) : std::nullopt;
    }

    static std::vector<OscMessage> statusOf(int32_t blackout, int32_t freeze, int32_t grid)
    {
        return {{"/ostrel/status", {integer(blackout), integer(freeze), integer(grid), integer(1), text("none")}}};
    }

    // The share of the projector's middle that is black.
    double blackShare() const
    {
        const Image area = display_->capture(kProjectorMiddle);
        std::size_t dark = 0;
        for (const Rgb& p : area.pixels)
            dark += std::max({p.r, p.g, p.b}) < 16 ? 1 : 0;
        return static_cast<double>(dark) / static_cast<double>(area.pixels.size());
    }

    std::string config() const { return folder_.readFile("config.json").value_or(""); }
    std::string log() const { return folder_.readFile("debug.log").value_or(""); }

    SettingsValues values_;
    AppFolder folder_;
    std::unique_ptr<DeskSocket> desk_;
    std::unique_ptr<OstrelProcess> program_;
};

} // namespace

// Without a projector the program sleeps until a message comes: each packet wakes it.
TEST_F(Remote, TheDeskMovesACornerUndoesItAsksTheStateAndItsBadPacketsAreLoggedSparinglyWhileTheProgramIdles)
{
    values_.outputs.front().outputMonitor = 2; // the layout has monitors 0 and 1 only
    startListening();
    ASSERT_NE(log().find("Iniciado sem projetor"), std::string::npos) << log();
    const std::string start = settingsFileBytes(values_);
    SettingsValues moved = values_;
    moved.outputs.front().surfaces.front().corners[0] = {-0.5f, 0.5f};

    ASSERT_TRUE(desk_->send(packet("/ostrel/output/1/corner/1", {real(-0.5f), real(0.5f)})));
    EXPECT_TRUE(eventually([&] { return config() == settingsFileBytes(moved); })) << config();
    ASSERT_TRUE(desk_->send(packet("/ostrel/undo")));
    EXPECT_TRUE(eventually([&] { return config() == start; })) << config();

    // Both messages of a bundle carried out, the answer sent to the asking socket.
    ASSERT_TRUE(desk_->send(bundle({packet("/ostrel/grid", {integer(1)}), packet("/ostrel/freeze", {integer(1)})})));
    EXPECT_EQ(status(), statusOf(0, 1, 1));

    // A cut packet is dropped whole (its blackout never happens), an unknown address is logged once
    // however often it comes, and a known one with a wrong argument not at all.
    const std::string blackout = packet("/ostrel/blackout", {integer(1)});
    ASSERT_TRUE(desk_->send(blackout.substr(0, blackout.size() - 4)));
    for (int time = 0; time < 3; ++time)
        ASSERT_TRUE(desk_->send(packet("/ostrel/lights", {integer(1)})));
    ASSERT_TRUE(desk_->send(packet("/ostrel/blackout", {text("sim")})));
    ASSERT_TRUE(desk_->send(packet("/ostrel/grid", {integer(0)})));
    EXPECT_EQ(status(), statusOf(0, 1, 0));
    const std::string lines = log();
    EXPECT_TRUE(once(lines, "[WARN] OSC: pacotes descartados desde o ultimo aviso: 1 ")) << lines;
    EXPECT_TRUE(once(lines, "[LOG] OSC: endereco desconhecido ignorado: /ostrel/lights\r\n")) << lines;
    EXPECT_TRUE(once(lines, "endereco desconhecido")) << lines;
    EXPECT_EQ(config(), start) << "switches are not saved";

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(Remote, BlackoutFromTheDeskDarkensTheProjectorAndGivesThePictureBack)
{
    TestPicture picture(display_->x(), {0, 0, 1024, 768});
    picture.draw(0.5);
    startListening();
    ASSERT_TRUE(eventually([&] { return blackShare() < 0.1; })) << "no picture on the projector: " << blackShare();

    ASSERT_TRUE(desk_->send(packet("/ostrel/blackout", {integer(1)})));
    EXPECT_EQ(status(), statusOf(1, 0, 0));
    EXPECT_TRUE(eventually([&] { return blackShare() == 1.0; })) << "not black: " << blackShare();
    ASSERT_TRUE(desk_->send(packet("/ostrel/blackout", {integer(0)})));
    EXPECT_EQ(status(), statusOf(0, 0, 0));
    EXPECT_TRUE(eventually([&] { return blackShare() < 0.1; })) << "the picture did not come back: " << blackShare();

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}
