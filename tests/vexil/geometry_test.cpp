// Geometry: values worked by hand.
#include "support.h"

#include "vexil/geometry.h"

namespace {

TEST(Geometry, distance_line_point_subtracts_half_width_only_beside_the_segment) {
    const Point a{0, 0}, b{10, 0};
    struct Case {
        Point p;
        double expected;
    } cases[] = {
        {{5, 2}, 1.5},    // beside: 2 - 0.5
        {{5, 0.3}, 0.0},  // inside the stroke: never negative
        {{13, 4}, 5.0},   // beyond the end: 3-4-5 triangle, no half width
        {{-3, 4}, 5.0},   // before the start
    };
    for (auto& c : cases)
        EXPECT_DOUBLE_EQ(distance_line_point(&a, &b, 1.0, &c.p), c.expected)
            << c.p.x << "," << c.p.y;
    // A segment shorter than 1e-6 is a point at its start.
    const Point tiny{0.0005, 0}, p{3, 4};
    EXPECT_DOUBLE_EQ(distance_line_point(&a, &tiny, 1.0, &p), 5.0);
}

TEST(Geometry, rectangle_distance_is_manhattan_and_zero_on_the_edge) {
    const Rectangle r{0, 0, 10, 10};
    Point p{13, 14};
    EXPECT_DOUBLE_EQ(distance_rectangle_point(&r, &p), 7.0);
    Point edge{10, 5};
    EXPECT_DOUBLE_EQ(distance_rectangle_point(&r, &edge), 0.0);
    Rectangle touching{10, 10, 20, 20};
    EXPECT_EQ(rectangle_intersects(&r, &touching), 1);
    Rectangle apart{10.5, 0, 20, 10};
    EXPECT_EQ(rectangle_intersects(&r, &apart), 0);
    EXPECT_EQ(rectangle_in_rectangle(&r, &r), 1);
}

TEST(Geometry, line_bbox_adds_the_end_extras) {
    const Point a{0, 0}, b{10, 0};
    const LineExtras ex{1, 1, 1, 1};
    Rectangle r;
    line_bbox(&a, &b, &ex, &r);
    EXPECT_DOUBLE_EQ(r.left, -1);
    EXPECT_DOUBLE_EQ(r.top, -1);
    EXPECT_DOUBLE_EQ(r.right, 11);
    EXPECT_DOUBLE_EQ(r.bottom, 1);
}

TEST(Geometry, rectangle_union_add_point_and_grow) {
    Rectangle r{1, 1, 2, 2};
    Rectangle o{0, 1.5, 3, 1.8};
    rectangle_union(&r, &o);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.bottom, 3);
    EXPECT_EQ(r.right, 2);
    Point p{-1, 5};
    rectangle_add_point(&r, &p);
    EXPECT_EQ(r.left, -1);
    EXPECT_EQ(r.bottom, 5);
    Rectangle g;
    rectangle_grow(&r, 0.5, &g);
    EXPECT_EQ(g.top, -0.5);
    EXPECT_EQ(g.right, 2.5);
}

}  // namespace
