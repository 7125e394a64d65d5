// Ratios measured in pairs: each pair times its two sides back to back, so that a moment when the machine
// is busy weighs on both; the figure is the median of the pairs' ratios, with the spread of those ratios.
#pragma once

#include <vector>

// The q-quantile (0 to 1) of the values, between the two nearest of them in order, in proportion; 0 when
// there are none.
double quantile(std::vector<double> values, double q);

struct PairedFigure {
    double ratio = 0.0;       // the median of the pairs' ratios
    double lowRatio = 0.0;    // their 25th percentile
    double highRatio = 0.0;   // their 75th percentile
    double numerator = 0.0;   // the median of each side on its own
    double denominator = 0.0;
    int pairs = 0;
};

class PairedRatios {
public:
    // A pair whose denominator is not above zero has no ratio and is not counted.
    void add(double numerator, double denominator);
    PairedFigure figure() const;

private:
    std::vector<double> numerators_, denominators_, ratios_;
};
