#include "gui/GridAxis.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using gui::GridAxis;

GridAxis axis_of(const std::vector<int>& sizes, int fixed, int first, int line) {
    GridAxis axis(static_cast<int>(sizes.size()), 0, fixed);
    for (int i = 0; i < axis.count(); ++i)
        axis.set_size(i, sizes[static_cast<size_t>(i)]);
    axis.set_line(line);
    axis.set_first(first);
    return axis;
}

// Two fixed items, then the scrolled ones from item 3 (item 2 scrolled away): edges 0, 31 | 52, 63, 104.
const std::vector<int> sizes = {30, 20, 50, 10, 40, 25};

TEST(GridAxis, TheWalkShowsTheFixedItemsThenTheScrolledOnesUpToTheViewsEnd) {
    struct Case {
        int fixed, first, line, length;
        std::vector<std::pair<int, int>> shown; // index, leading edge
    };
    const Case cases[] = {
        {2, 3, 1, 200, {{0, 0}, {1, 31}, {3, 52}, {4, 63}, {5, 104}}},
        {2, 3, 1, 63, {{0, 0}, {1, 31}, {3, 52}}},
        {2, 3, 1, 64, {{0, 0}, {1, 31}, {3, 52}, {4, 63}}}, // a partly shown item is shown
        {2, 3, 1, 0, {}},
        {0, 4, 2, 200, {{4, 0}, {5, 42}}},
        {2, 2, 0, 100, {{0, 0}, {1, 30}, {2, 50}}},
        {6, 6, 1, 60, {{0, 0}, {1, 31}, {2, 52}}}, // all fixed
        {2, 6, 1, 200, {{0, 0}, {1, 31}}},         // scrolled past the end, as a shrunk axis may be for a while
    };
    for (const Case& c : cases) {
        const GridAxis axis = axis_of(sizes, c.fixed, c.first, c.line);
        std::vector<std::pair<int, int>> shown;
        for (const GridAxis::Span& s : axis.spans(c.length)) {
            shown.emplace_back(s.index, s.pos);
            // Each shown item is what span(), index_at() and line_at() find at its place.
            const GridAxis::Span one = axis.span(s.index, c.length);
            EXPECT_EQ(std::make_pair(one.index, one.pos), std::make_pair(s.index, s.pos));
            EXPECT_EQ(axis.index_at(s.pos), s.index);
            EXPECT_EQ(axis.index_at(s.end() + c.line - 1), s.index) << "the line belongs to the item";
            EXPECT_EQ(axis.line_at(s.end() + 1, 1), s.index);
        }
        EXPECT_EQ(shown, c.shown) << c.fixed << " fixed, from " << c.first << ", view " << c.length;
    }
}

TEST(GridAxis, HitTestingAndItemsOutOfView) {
    const GridAxis axis = axis_of(sizes, 2, 3, 1);
    const std::pair<int, int> hits[] = {{-1, -1}, {30, 0}, {51, 1}, {52, 3}, {129, 5}, {130, -1}, {1000, -1}};
    for (const auto& [p, index] : hits)
        EXPECT_EQ(axis.index_at(p), index) << p;
    // Trailing lines at 30, 51 | 62, 103, 129.
    const std::pair<int, int> lines[] = {{27, 0}, {34, -1}, {48, 1}, {59, 3}, {66, -1}, {100, 4}, {132, 5}, {133, -1}};
    for (const auto& [p, index] : lines)
        EXPECT_EQ(axis.line_at(p, 3), index) << p;
    const std::pair<int, int> out_of_view[] = {{2, 200}, {-1, 200}, {6, 200}, {5, 104}, {0, 0}};
    for (const auto& [index, length] : out_of_view)
        EXPECT_EQ(axis.span(index, length).index, -1) << index << " in " << length;
    EXPECT_EQ(axis_of({30, 2, 30}, 0, 0, 1).line_at(32, 3), 0) << "of two lines within the grip, the first";
}

TEST(GridAxis, PagesEndWithTheLastItemFullyShown) {
    GridAxis axis = axis_of(sizes, 2, 3, 1);
    struct Case {
        int length, max_first, fitting, page_ending_at_3, page_ending_at_4;
    };
    const Case cases[] = {
        {200, 2, 3, 2, 2},                    // everything fits
        {130, 3, 3, 2, 3}, {118, 4, 2, 2, 3}, // items 4 and 5 fill the room exactly
        {103, 5, 2, 3, 3},                    // and so do items 3 and 4
        {100, 5, 1, 3, 4}, {60, 5, 0, 3, 4},  // an item larger than the room is a page of its own
    };
    for (const Case& c : cases) {
        EXPECT_EQ(axis.max_first(c.length), c.max_first) << c.length;
        EXPECT_EQ(axis.fitting(c.length), c.fitting) << c.length;
        EXPECT_EQ(axis.page_start(4, c.length), c.page_ending_at_3) << c.length;
        EXPECT_EQ(axis.page_start(5, c.length), c.page_ending_at_4) << c.length;
    }
    axis.set_first(5);
    EXPECT_EQ(axis.fitting(130), 1) << "counted from the first scrolled item";
    axis.set_count(2);
    EXPECT_EQ(axis.max_first(10), 2) << "nothing to scroll";
}

TEST(GridAxis, ResizingKeepsSizesAndTheFixedItemsWithinTheAxis) {
    EXPECT_EQ(GridAxis(2, -5, 3).size(1), 0);
    GridAxis axis(5, 64, 1);
    EXPECT_EQ(axis.size(4), 64);
    EXPECT_TRUE(axis.set_size(1, 20));
    EXPECT_FALSE(axis.set_size(5, 20));
    EXPECT_FALSE(axis.set_size(-1, 20));
    EXPECT_TRUE(axis.set_size(2, -3));
    EXPECT_EQ(axis.size(2), 0);
    EXPECT_EQ(axis.size(-1), 0);
    EXPECT_EQ(axis.size(5), 0);

    EXPECT_TRUE(axis.set_count(7));
    EXPECT_FALSE(axis.set_count(7));
    EXPECT_EQ(axis.size(1), 20);
    EXPECT_EQ(axis.size(6), 64) << "new items take the default";
    EXPECT_TRUE(axis.set_fixed(9));
    EXPECT_EQ(axis.fixed(), 7);
    EXPECT_EQ(axis.first(), 7) << "the scrolled items start right after the fixed ones";
    EXPECT_TRUE(axis.set_count(3));
    EXPECT_EQ(axis.fixed(), 3);
    EXPECT_EQ(axis.clamp_index(0), 2) << "all fixed: the last item";
    EXPECT_TRUE(axis.set_fixed(1));
    axis.set_first(0);
    EXPECT_EQ(axis.first(), 1) << "never onto the fixed items";
    EXPECT_EQ(axis.clamp_index(-4), 1);
    EXPECT_EQ(axis.clamp_index(2), 2);
    EXPECT_EQ(axis.clamp_index(9), 2);

    axis.set_default_size(-5);
    EXPECT_EQ(axis.size(1), 0) << "every item takes the default";
    axis.set_line(-2);
    EXPECT_EQ(axis.line(), 0);
    axis.set_count(-1);
    EXPECT_EQ(axis.count(), 0);
    EXPECT_EQ(axis.fixed(), 0);
    EXPECT_EQ(axis.clamp_index(3), 0);
}

} // namespace
