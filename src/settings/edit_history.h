// Undo and redo over whole calibrations: each step keeps the calibration as it was before it, so that
// undoing every step gives back exactly what there was at the start.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "settings/settings_text.h"

// Every output with its surfaces, masks and values: what a step changes, undoes and redoes.
using Calibration = std::vector<OutputValues>;

// Changes with the same key, one right after another, are one step: a run of arrow-key nudges on one
// point, or what one panel item changes while it is held or typed in.
struct StepKey {
    enum class Kind { Nudge, PanelItem };
    Kind kind = Kind::Nudge;
    int32_t first = 0; // a nudge: output, surface, point; a panel item: the number of its activation
    int32_t second = 0;
    int32_t third = 0;
    bool operator==(const StepKey&) const = default;
};

class EditHistory {
public:
    // At least 200 are asked for; a step is a few kilobytes at most.
    static constexpr std::size_t kMostSteps = 500;

    // The calibration at the start, with nothing to undo or redo.
    void start(Calibration now);
    // The calibration now differs from the current one by what no step records (outputs that followed their
    // projectors to other monitors): it becomes the current one, and the steps stay as they are.
    void follow(Calibration now);
    // A change: when `now` differs from the last step's calibration it becomes a step, or joins the last
    // step when both have the same key, and nothing is left to redo. True when it was taken.
    bool record(const Calibration& now, std::optional<StepKey> key = std::nullopt);
    // The calibration before the last step (after the last undone one); nothing when there is none.
    std::optional<Calibration> undo();
    std::optional<Calibration> redo();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }
    const Calibration& current() const { return current_; }

private:
    // The calibration before `from`'s last step becomes the current one; the current one goes to `to`.
    std::optional<Calibration> stepOver(std::deque<Calibration>& from, std::deque<Calibration>& to);

    Calibration current_;
    std::deque<Calibration> undo_; // oldest first
    std::deque<Calibration> redo_; // the next redo last
    std::optional<StepKey> lastKey_;
};
