#include <gtest/gtest.h>

#include <cmath>

#include "warp/corner_editing.h"
#include "warp/output_editing.h"
#include "warp/picture_warp.h"
#include "warp/solve_warp.h"

namespace {

// An 800 x 600 projection; with the default corners TL is at pixel (0, 0) and BR at (800, 600).
EditingInput pass()
{
    EditingInput input;
    input.panelVisible = true;
    input.clientWidth = 800.0f;
    input.clientHeight = 600.0f;
    input.projectionInForeground = true;
    return input;
}

EditingInput mouse(float x, float y, bool down)
{
    EditingInput input = pass();
    input.cursorX = x;
    input.cursorY = y;
    input.leftButtonDown = down;
    return input;
}

EditingInput keys(bool left, bool right, bool up, bool down, bool shift = false)
{
    EditingInput input = pass();
    input.leftDown = left;
    input.rightDown = right;
    input.upDown = up;
    input.downDown = down;
    input.shiftDown = shift;
    return input;
}

class CornerEditing : public testing::Test {
protected:
    // Runs the passes and counts the saves.
    int run(std::initializer_list<EditingInput> passes)
    {
        int saves = 0;
        for (const EditingInput& input : passes)
            saves += applyCornerEditing(input, corners_, mesh_, state_) ? 1 : 0;
        return saves;
    }
    const CornerPoint& corner(int i) const { return corners_[static_cast<std::size_t>(i)]; }

    CornerSet corners_ = kDefaultCorners;
    Mesh mesh_;
    EditingState state_;
};

} // namespace

TEST_F(CornerEditing, PressWithinThePickRadiusGrabsAndTheCornerJumpsToTheCursor)
{
    EXPECT_EQ(run({mouse(30, 20, true)}), 0); // 36 pixels from TL
    EXPECT_EQ(state_.draggedPoint, 0);
    EXPECT_EQ(state_.selectedPoint, 0);
    EXPECT_FLOAT_EQ(corner(0).x, 30.0f / 800.0f * 2.0f - 1.0f);
    EXPECT_FLOAT_EQ(corner(0).y, 1.0f - 20.0f / 600.0f * 2.0f);
}

TEST_F(CornerEditing, DragFollowsTheCursorAnywhereAndSavesOnceOnRelease)
{
    EXPECT_EQ(run({mouse(790, 590, true), mouse(400, 300, true), mouse(-200, 900, true)}), 0);
    EXPECT_EQ(state_.draggedPoint, 3);
    EXPECT_FLOAT_EQ(corner(3).x, -1.5f);
    EXPECT_FLOAT_EQ(corner(3).y, -2.0f);
    EXPECT_EQ(run({mouse(-200, 900, false)}), 1);
    EXPECT_EQ(state_.draggedPoint, -1);
    EXPECT_EQ(run({mouse(-200, 900, false), mouse(0, 0, false)}), 0) << "one save per drag";
}

TEST_F(CornerEditing, PressOutsideTheRadiusGrabsNothingUntilTheCursorReachesACorner)
{
    EXPECT_EQ(run({mouse(40, 0, true)}), 0); // exactly 40 pixels: not closer than the radius
    EXPECT_EQ(state_.draggedPoint, -1);
    EXPECT_EQ(corner(0).x, -1.0f);
    run({mouse(400, 300, true), mouse(775, 10, true)}); // button still down, cursor reaches TR
    EXPECT_EQ(state_.draggedPoint, 1);
    EXPECT_EQ(state_.selectedPoint, 1);
}

TEST_F(CornerEditing, TheNearestPointWins)
{
    corners_[1] = {-0.95f, 1.0f}; // TR at pixel (20, 0)
    run({mouse(15, 0, true)});           // 15 pixels from TL, 5 from TR
    EXPECT_EQ(state_.draggedPoint, 1);
    EXPECT_EQ(corner(0).x, -1.0f);
}

TEST_F(CornerEditing, ReleaseWithoutADragSavesNothing)
{
    EXPECT_EQ(run({mouse(400, 300, false), mouse(400, 300, true), mouse(400, 300, false)}), 0);
}

TEST_F(CornerEditing, HiddenPanelChangesNothingAndADragEndsWhenItShowsAgain)
{
    run({mouse(0, 0, true)});
    EditingInput hidden = mouse(500, 500, false);
    hidden.panelVisible = false;
    hidden.rightDown = true;
    hidden.digitDown[2] = true;
    EXPECT_EQ(run({hidden, hidden}), 0);
    EXPECT_EQ(state_.draggedPoint, 0) << "the drag is still under way";
    EXPECT_EQ(corner(0).x, -1.0f);
    EXPECT_EQ(state_.selectedPoint, 0);
    EXPECT_EQ(run({mouse(500, 500, false)}), 1);
    EXPECT_EQ(state_.draggedPoint, -1);
}

TEST_F(CornerEditing, DigitsChooseTheCornerOnlyWithTheProjectionInFront)
{
    EditingInput three = pass();
    three.digitDown[2] = true;
    three.projectionInForeground = false;
    run({three});
    EXPECT_EQ(state_.selectedPoint, 0);
    three.projectionInForeground = true;
    run({three});
    EXPECT_EQ(state_.selectedPoint, 2);
    EditingInput oneAndFour = pass();
    oneAndFour.digitDown[0] = oneAndFour.digitDown[3] = true;
    run({oneAndFour});
    EXPECT_EQ(state_.selectedPoint, 3) << "the last key tested wins";
}

TEST_F(CornerEditing, HeldArrowMovesOneStepPerPassAndSavesOnceWhenReleased)
{
    state_.selectedPoint = 2;
    float x = -1.0f;
    int saves = 0;
    for (int n = 0; n < 25; ++n) {
        saves += applyCornerEditing(keys(false, true, false, false), corners_, mesh_, state_) ? 1 : 0;
        x += kFineStep;
    }
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(corner(2).x, x);
    EXPECT_EQ(corner(2).y, -1.0f);
    EXPECT_EQ(run({keys(false, false, false, false)}), 1);
    EXPECT_EQ(run({keys(false, false, false, false)}), 0);
}

TEST_F(CornerEditing, ShiftTakesTheFastStepFromTheNextPass)
{
    run({keys(false, false, true, false), keys(false, false, true, false, true), keys(false, false, false, true, true)});
    float y = 1.0f;
    y += kFineStep;
    y += kFastStep;
    y -= kFastStep;
    EXPECT_EQ(corner(0).y, y);
}

TEST_F(CornerEditing, LeftAndRightTogetherCountAsMoving)
{
    run({keys(true, true, false, false), keys(true, true, false, false)});
    EXPECT_NEAR(corner(0).x, -1.0f, 1e-6f);
    EXPECT_TRUE(state_.arrowKeysHeld);
    EXPECT_EQ(run({keys(false, false, false, false)}), 1);
}

TEST_F(CornerEditing, ForegroundLostWithAKeyHeldSavesWhenItReturnsWithNoKeyDown)
{
    run({keys(false, true, false, false)});
    EditingInput away = keys(false, true, false, false);
    away.projectionInForeground = false;
    EXPECT_EQ(run({away, away}), 0);
    EXPECT_EQ(corner(0).x, -1.0f + kFineStep) << "no steps while another window is in front";
    EditingInput awayReleased = keys(false, false, false, false);
    awayReleased.projectionInForeground = false;
    EXPECT_EQ(run({awayReleased}), 0);
    EXPECT_EQ(run({keys(false, false, false, false)}), 1);
}

TEST_F(CornerEditing, DragAndKeysEndingInOnePassSave)
{
    run({mouse(0, 0, true)});
    EditingInput both = mouse(0, 0, true);
    both.rightDown = true;
    run({both});
    EXPECT_TRUE(applyCornerEditing(mouse(0, 0, false), corners_, mesh_, state_));
}

TEST_F(CornerEditing, EmptyClientAreaNeverMakesACornerInfinite)
{
    EditingInput minimised = mouse(0, 0, true);
    minimised.clientWidth = 0.0f;
    minimised.clientHeight = 0.0f;
    run({minimised});
    EXPECT_EQ(state_.draggedPoint, -1);
    for (const CornerPoint& c : corners_)
        EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
}

// A 3 x 3 mesh over a keystone: its centre point is interior, the corners are the keystone's.
class MeshEditing : public CornerEditing {
protected:
    void SetUp() override
    {
        corners_ = {{{-0.8f, 0.8f}, {0.9f, 0.9f}, {-0.9f, -0.8f}, {0.8f, -0.9f}}};
        mesh_ = resizedMesh(Mesh{}, 3, 3);
    }
    // The centre point on screen, in client pixels of the 800 x 600 projection.
    std::pair<float, float> centrePixel() const
    {
        const CornerPoint p = *pointPosition(corners_, mesh_, 4);
        return {(p.x + 1.0f) * 400.0f, (1.0f - p.y) * 300.0f};
    }
    static EditingInput tab(bool down, bool shift = false)
    {
        EditingInput input = pass();
        input.tabDown = down;
        input.shiftDown = shift;
        return input;
    }
};

TEST_F(MeshEditing, DraggingAnInteriorPointPutsItUnderTheCursorAndSavesOnRelease)
{
    const auto [x, y] = centrePixel();
    EXPECT_EQ(run({mouse(x + 10, y, true), mouse(x + 60, y - 30, true)}), 0);
    EXPECT_EQ(state_.draggedPoint, 4);
    EXPECT_EQ(state_.selectedPoint, 4);
    const auto [nx, ny] = centrePixel();
    EXPECT_NEAR(nx, x + 60, 0.01f);
    EXPECT_NEAR(ny, y - 30, 0.01f);
    // The offset is the inverse warp of the cursor less the rest position (0.5, 0.5).
    const auto picture = picturePointAt(solveWarp(corners_), {(x + 60) / 400.0f - 1.0f, 1.0f - (y - 30) / 300.0f});
    EXPECT_NEAR(mesh_.offsets[4].u, picture->s - 0.5f, 1e-5f);
    EXPECT_NEAR(mesh_.offsets[4].v, picture->t - 0.5f, 1e-5f);
    EXPECT_EQ(corner(0).x, -0.8f) << "the corners stay";
    EXPECT_EQ(run({mouse(nx, ny, false)}), 1);
}

TEST_F(MeshEditing, ACursorBeyondTheHorizonMovesNothing)
{
    // A steep keystone: the right side shrinks towards a horizon at x = 0.33 on screen.
    corners_ = {{{-1.0f, 1.0f}, {0.2f, 0.3f}, {-1.0f, -1.0f}, {0.2f, -0.3f}}};
    const auto [x, y] = centrePixel();
    const MeshOffset before = mesh_.offsets[4];
    run({mouse(x, y, true), mouse(760, y, true)});
    EXPECT_EQ(state_.draggedPoint, 4);
    EXPECT_EQ(mesh_.offsets[4], before);
}

TEST_F(MeshEditing, TabStepsThroughEveryPointInRowOrderAndWraps)
{
    state_.selectedPoint = 7;
    run({tab(true), tab(true)});
    EXPECT_EQ(state_.selectedPoint, 8) << "a held Tab steps once";
    run({tab(false), tab(true), tab(false)});
    EXPECT_EQ(state_.selectedPoint, 0) << "past the last point comes the first";
    run({tab(true, true), tab(false)});
    EXPECT_EQ(state_.selectedPoint, 8) << "Shift+Tab steps back, wrapping";
    EditingInput three = pass();
    three.digitDown[3] = true;
    run({three});
    EXPECT_EQ(state_.selectedPoint, 8) << "key 4 is the bottom-right corner, point 8 of a 3 x 3 mesh";
    three.digitDown[3] = false;
    three.digitDown[1] = true;
    run({three});
    EXPECT_EQ(state_.selectedPoint, 2);
}

TEST_F(MeshEditing, ArrowsNudgeAnInteriorPointByOneStepOnScreen)
{
    state_.selectedPoint = 4;
    const CornerPoint before = *pointPosition(corners_, mesh_, 4);
    EXPECT_EQ(run({keys(false, true, false, false), keys(false, true, true, false, true), keys(false, false, false, false)}), 1);
    const CornerPoint after = *pointPosition(corners_, mesh_, 4);
    EXPECT_NEAR(after.x - before.x, kFineStep + kFastStep, 1e-5f);
    EXPECT_NEAR(after.y - before.y, kFastStep, 1e-5f);
    EXPECT_EQ(corner(3).x, 0.8f);
}

TEST_F(MeshEditing, OffsetsStayWithinWhatTheSettingsFileAccepts)
{
    corners_ = kDefaultCorners;
    const auto [x, y] = centrePixel();
    run({mouse(x, y, true), mouse(x + 100000.0f, y, true)});
    EXPECT_EQ(mesh_.offsets[4].u, 1.0f);
}

namespace {

// An output of two surfaces (a full-screen one under a middle quarter) and the middle-ninth mask, chosen.
struct OutputEditing : ::testing::Test {
    OutputEditing()
    {
        output.surfaces.push_back(middleQuarterSurface());
        output.masks.push_back(middleNinthMask());
        state.chosenMask = 0;
    }
    // A press and release at (x, y), `at` ms into the run.
    bool click(float x, float y, uint32_t at)
    {
        EditingInput down = mouse(x, y, true), up = mouse(x, y, false);
        down.timeMs = at;
        up.timeMs = at + 100;
        const bool saved = applyOutputEditing(down, output, state);
        return applyOutputEditing(up, output, state) || saved;
    }
    OutputValues output;
    EditingState state;
};

} // namespace

TEST_F(OutputEditing, AClickChoosesTheTopmostSurfaceUnderItAndHandlesOfTheEditedOneComeFirst)
{
    // (450, 420): inside both surfaces and far from every handle and mask point: the quarter, drawn last.
    EXPECT_FALSE(click(450.0f, 420.0f, 0));
    EXPECT_EQ(state.editedSurface, 1);
    EXPECT_EQ(output.surfaces[0], SurfaceValues{}) << "choosing moves nothing";
    // Inside the full screen only; the quarter's own TL handle (200, 150) is dragged, not the surface under it.
    EXPECT_FALSE(click(700.0f, 550.0f, 1000));
    EXPECT_EQ(state.editedSurface, 0);
    EXPECT_FALSE(click(450.0f, 420.0f, 2000));
    EXPECT_FALSE(applyOutputEditing(mouse(205.0f, 155.0f, true), output, state));
    EXPECT_FALSE(applyOutputEditing(mouse(100.0f, 100.0f, true), output, state));
    EXPECT_TRUE(applyOutputEditing(mouse(100.0f, 100.0f, false), output, state)) << "a drag saves on release";
    EXPECT_EQ(output.surfaces[1].corners[0], (CornerPoint{100.0f / 800.0f * 2.0f - 1.0f, 1.0f - 100.0f / 600.0f * 2.0f}));
    EXPECT_EQ(state.editedSurface, 1);
    // A stale index from a removal falls back to the first surface.
    output.surfaces.pop_back();
    EXPECT_FALSE(applyOutputEditing(mouse(0.0f, 0.0f, false), output, state));
    EXPECT_EQ(state.editedSurface, 0);
}

TEST_F(OutputEditing, MaskPointsAreDraggedAddedByADoubleClickOnAnEdgeAndDeletedDownToThree)
{
    // The mask's TL point is at (800 / 3, 200): dragged to (250, 180), saved once on release.
    EXPECT_FALSE(applyOutputEditing(mouse(270.0f, 205.0f, true), output, state));
    EXPECT_FALSE(applyOutputEditing(mouse(250.0f, 180.0f, true), output, state));
    EXPECT_TRUE(applyOutputEditing(mouse(250.0f, 180.0f, false), output, state));
    EXPECT_EQ(output.masks[0].points[0], (CornerPoint{250.0f / 400.0f - 1.0f, 1.0f - 180.0f / 300.0f}));
    EXPECT_EQ(output.surfaces[0], SurfaceValues{}) << "no corner moved with it";
    EXPECT_EQ(state.selectedMaskPoint, 0);

    // A double click on the bottom edge (y 400, from BR to BL) adds a point there, after BR; one too slow
    // adds nothing.
    EXPECT_FALSE(click(400.0f, 402.0f, 10000));
    EXPECT_TRUE(click(401.0f, 402.0f, 10300));
    ASSERT_EQ(output.masks[0].points.size(), 5u);
    EXPECT_NEAR(output.masks[0].points[3].x, 1.0f / 400.0f, 1e-6f);
    EXPECT_NEAR(output.masks[0].points[3].y, -1.0f / 3.0f, 1e-6f);
    EXPECT_EQ(state.selectedMaskPoint, 3);
    EXPECT_FALSE(click(400.0f, 350.0f, 20000));
    EXPECT_FALSE(click(400.0f, 350.0f, 20000 + 600));
    EXPECT_EQ(output.masks[0].points.size(), 5u);

    // Delete, once per press and with the projection in front, takes the selected point; never below 3.
    EditingInput del = pass();
    del.deleteDown = true;
    EXPECT_TRUE(applyOutputEditing(del, output, state));
    EXPECT_FALSE(applyOutputEditing(del, output, state)) << "held, it deletes once";
    EXPECT_EQ(output.masks[0].points.size(), 4u);
    for (int point : {1, 1, 1}) {
        state.selectedMaskPoint = point;
        applyOutputEditing(pass(), output, state);
        applyOutputEditing(del, output, state);
    }
    EXPECT_EQ(output.masks[0].points.size(), 3u);
}

TEST(SurfaceOutline, FollowsTheMeshBorderAndHoldsByTheEvenOddRule)
{
    SurfaceValues surface;
    surface.mesh = resizedMesh(Mesh{}, 3, 3);
    const std::vector<CornerPoint> outline = surfaceOutline(surface);
    ASSERT_EQ(outline.size(), 8u) << "the centre point is not on the border";
    EXPECT_EQ(outline[0], (CornerPoint{-1.0f, 1.0f}));
    EXPECT_EQ(outline[4], (CornerPoint{1.0f, -1.0f}));
    const std::vector<CornerPoint> star{{0, 1}, {0.6f, -0.8f}, {-0.95f, 0.3f}, {0.95f, 0.3f}, {-0.6f, -0.8f}};
    EXPECT_TRUE(polygonHolds(star, {0.0f, 0.6f}));
    EXPECT_FALSE(polygonHolds(star, {0.0f, 0.0f})) << "the pentagram's centre is a hole";
    EXPECT_FALSE(polygonHolds(star, {0.0f, -0.95f}));
}
