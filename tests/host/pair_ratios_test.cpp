// The benchmarks' paired ratios: the median of each pair's own ratio, and its spread.
#include <gtest/gtest.h>

#include "pair_ratios.h"

TEST(PairRatios, QuantilesOfAnOddAndAnEvenCountInAnyOrder)
{
    EXPECT_DOUBLE_EQ(quantile({5.0, 1.0, 4.0, 2.0, 3.0}, 0.5), 3.0);
    EXPECT_DOUBLE_EQ(quantile({5.0, 1.0, 4.0, 2.0, 3.0}, 0.25), 2.0);
    EXPECT_DOUBLE_EQ(quantile({5.0, 1.0, 4.0, 2.0, 3.0}, 0.75), 4.0);
    EXPECT_DOUBLE_EQ(quantile({4.0, 1.0, 3.0, 2.0}, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(quantile({4.0, 1.0, 3.0, 2.0}, 0.25), 1.75);
    EXPECT_DOUBLE_EQ(quantile({7.0}, 0.75), 7.0);
    EXPECT_DOUBLE_EQ(quantile({}, 0.5), 0.0);
}

TEST(PairRatios, EachPairIsItsOwnRatioNotARatioOfTheSidesMedians)
{
    PairedRatios ratios;
    ratios.add(2.0, 1.0);
    ratios.add(3.0, 3.0);
    ratios.add(10.0, 2.0);
    const PairedFigure figure = ratios.figure();
    // Ratios 2, 1 and 5; the sides' medians alone would say 3 / 2.
    EXPECT_DOUBLE_EQ(figure.ratio, 2.0);
    EXPECT_DOUBLE_EQ(figure.lowRatio, 1.5);
    EXPECT_DOUBLE_EQ(figure.highRatio, 3.5);
    EXPECT_DOUBLE_EQ(figure.numerator, 3.0);
    EXPECT_DOUBLE_EQ(figure.denominator, 2.0);
    EXPECT_EQ(figure.pairs, 3);
}

TEST(PairRatios, AnOutlierPairMovesNeitherTheMedianNorTheMiddleHalf)
{
    PairedRatios steady, disturbed;
    for (int pair = 0; pair < 30; ++pair) {
        const double ratio = 1.1 + 0.01 * (pair % 5);
        steady.add(ratio * 40.0, 40.0);
        disturbed.add((pair == 7 ? 60.0 : ratio) * 40.0, 40.0);
    }
    // A pair lost to a busy moment: its denominator stretched, or none at all.
    disturbed.add(40.0, 0.0);
    EXPECT_DOUBLE_EQ(disturbed.figure().ratio, steady.figure().ratio);
    EXPECT_DOUBLE_EQ(disturbed.figure().lowRatio, steady.figure().lowRatio);
    EXPECT_DOUBLE_EQ(disturbed.figure().highRatio, steady.figure().highRatio);
    EXPECT_EQ(disturbed.figure().pairs, 30);
}
