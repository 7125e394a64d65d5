// The median and spread of ratios measured in pairs.
#include "pair_ratios.h"

#include <algorithm>
#include <cmath>

double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const double position = std::clamp(q, 0.0, 1.0) * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double share = position - static_cast<double>(below);
    return values[below] + share * (values[above] - values[below]);
}

void PairedRatios::add(double numerator, double denominator)
{
    if (!(denominator > 0.0))
        return;
    numerators_.push_back(numerator);
    denominators_.push_back(denominator);
    ratios_.push_back(numerator / denominator);
}

PairedFigure PairedRatios::figure() const
{
    return {quantile(ratios_, 0.5),       quantile(ratios_, 0.25),        quantile(ratios_, 0.75),
            quantile(numerators_, 0.5),   quantile(denominators_, 0.5),   static_cast<int>(ratios_.size())};
}
