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
    if (undo_.empty())
        return std::nullopt;
    redo_.push_back(std::move(current_));
    current_ = std::move(undo_.back());
    undo_.pop_back();
    // What follows an undo is a step of its own, whatever its key.
    lastKey_.reset();
    return current_;
}

std::optional<Calibration> EditHistory::redo()
{
    if (redo_.empty())
        return std::nullopt;
    undo_.push_back(std::move(current_));
    current_ = std::move(redo_.back());
    redo_.pop_back();
    lastKey_.reset();
    return current_;
}
