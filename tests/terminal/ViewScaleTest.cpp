#include "terminal/ViewScale.h"

#include <gtest/gtest.h>

#include <vector>

namespace kdx {
namespace {

ViewScale At(int percent)
{
    ViewScale scale;
    scale.SetPercent(percent);
    return scale;
}

// The editor's presets and the simulator's whole zooms.
std::vector<int> OfferedPercents()
{
    std::vector<int> percents(ViewScale::Presets().begin(), ViewScale::Presets().end());
    percents.insert(percents.end(), {200, 300});
    return percents;
}

TEST(ViewScale, EveryPixelMapsBackToItselfAtEveryOfferedZoom)
{
    for (int percent : OfferedPercents()) {
        const ViewScale scale = At(percent);
        for (int s = -50; s < 1200; ++s) {
            const int page = scale.ToPage(s);
            ASSERT_LE(scale.ToScreen(page), s) << percent << "% screen " << s;
            ASSERT_LT(s, scale.ToScreen(page + 1)) << percent << "% screen " << s;
        }
        if (percent < ViewScale::kFullPercent)
            continue;
        for (int page = -20; page < 500; ++page) {
            ASSERT_EQ(scale.ToPage(scale.ToScreen(page)), page) << percent << "% page " << page;
            ASSERT_EQ(scale.ToPage(scale.ToScreen(page + 1) - 1), page) << percent << "% page " << page;
        }
    }
}

TEST(ViewScale, WholeZoomsGiveSquaresOfZoomPixels)
{
    for (int zoom : {1, 2, 3}) {
        const ViewScale scale = At(zoom * 100);
        for (int page = -10; page < 100; ++page)
            ASSERT_EQ(scale.ToScreen(page), page * zoom);
        EXPECT_EQ(scale.ToScreen(QRect(3, 4, 10, 20)), QRect(3 * zoom, 4 * zoom, 10 * zoom, 20 * zoom));
    }
}

TEST(ViewScale, AZoomKeepsThePixelUnderTheAnchor)
{
    const std::vector<int> percents = OfferedPercents();
    for (int from : percents) {
        for (int to : percents) {
            const ViewScale before = At(from), after = At(to);
            for (int s = -30; s < 700; ++s) {
                const int page = before.ToPage(s);
                const int moved = after.KeepAnchor(s, before);
                if (after.ToScreen(page + 1) > after.ToScreen(page))
                    ASSERT_EQ(after.ToPage(moved), page) << from << "% -> " << to << "% screen " << s;
                else
                    ASSERT_EQ(moved, after.ToScreen(page)); // reduced, the pixel shares its neighbour's
                if (from == to)
                    ASSERT_EQ(moved, s);
            }
        }
    }
    // Within an enlarged pixel the place is kept: the right half stays right.
    EXPECT_EQ(At(800).KeepAnchor(3, At(400)), 6);
    EXPECT_EQ(At(400).KeepAnchor(7, At(800)), 3);
}

} // namespace
} // namespace kdx
