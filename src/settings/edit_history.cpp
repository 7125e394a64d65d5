// Undo and redo over whole calibrations.
#include "settings/edit_history.h"

#include <utility>

void EditHistory::start(Calibration now)
{
    current_ = std::move(now);
    undo_.clear();
    redo_.clear();
    lastKey_.reset();
}

void EditHistory::follow(Calibration now)
{
    current_ = std::move(now);
}

bool EditHistory::record(const Calibration& now, std::optional<StepKey> key)
{
    if (now == current_)
        return false;
    const bool joinsLastStep = key && lastKey_ == key && !undo_.empty();
    if (!joinsLastStep) {
        undo_.push_back(std::move(current_));
        if (undo_.size() > kMostSteps)
            undo_.pop_front();
    }
    current_ = now;
    redo_.clear();
    lastKey_ = key;
    return true;
}

std::optional<Calibration> EditHistory::undo()
{
    return stepOver(undo_, redo_);
}

std::optional<Calibration> EditHistory::redo()
{
    return stepOver(redo_, undo_);
}

std::optional<Calibration> EditHistory::stepOver(std::deque<Calibration>& from, std::deque<Calibration>& to)
{
    if (from.empty())
        return std::nullopt;
    to.push_back(std::move(current_));
    current_ = std::move(from.back());
    from.pop_back();
    // What follows an undo or a redo is a step of its own, whatever its key.
    lastKey_.reset();
    return current_;
}
