// Curves: key interpolation, the floor key, putting and erasing keys, curve creation.
#include "util/music/synclink.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A curve over a vector of keys, without the link (the functions only read the fields).
struct Curve {
    std::vector<CurveKey> keys;
    SyncCurve view() { return SyncCurve{nullptr, keys.empty() ? nullptr : keys.data(), int(keys.size())}; }
};

struct ValueCase {
    const char* what;
    std::vector<CurveKey> keys;
    double row;
    float expected;
};

TEST(SyncLinkCurveValue, InterpolatesByTheShapeOfTheFloorKey)
{
    const std::vector<ValueCase> cases = {
        {"no keys", {}, 3.0, 0.0f},
        {"single key, before it", {{5, 2.5f, SHAPE_LINEAR}}, -10.0, 2.5f},
        {"single key, at it", {{5, 2.5f, SHAPE_LINEAR}}, 5.0, 2.5f},
        {"single key, after it", {{5, 2.5f, SHAPE_LINEAR}}, 900.5, 2.5f},
        {"linear, whole row", {{0, 0.0f, SHAPE_LINEAR}, {8, 1.0f, SHAPE_STEP}}, 2.0, 0.25f},
        {"linear, fractional row", {{0, 0.0f, SHAPE_LINEAR}, {8, 1.0f, SHAPE_STEP}}, 2.5, 0.3125f},
        {"step holds below the next key", {{0, 0.0f, SHAPE_STEP}, {8, 1.0f, SHAPE_STEP}}, 7.99, 0.0f},
        {"smooth, midway", {{0, 0.0f, SHAPE_SMOOTH}, {8, 1.0f, SHAPE_STEP}}, 4.0, 0.5f},
        {"smooth, a quarter", {{0, 0.0f, SHAPE_SMOOTH}, {8, 1.0f, SHAPE_STEP}}, 2.0, 0.15625f},
        {"ramp, midway", {{0, 0.0f, SHAPE_RAMP}, {8, 1.0f, SHAPE_STEP}}, 4.0, 0.25f},
        {"negative row reads the first key", {{0, 3.0f, SHAPE_LINEAR}, {8, 1.0f, SHAPE_STEP}}, -1.5, 3.0f},
        {"at the last key", {{0, 0.0f, SHAPE_LINEAR}, {8, 1.0f, SHAPE_LINEAR}}, 8.0, 1.0f},
        {"after the last key", {{0, 0.0f, SHAPE_LINEAR}, {8, 1.0f, SHAPE_LINEAR}}, 100.0, 1.0f},
        {"key at the row is the floor key", {{0, 0.0f, SHAPE_STEP}, {4, 7.0f, SHAPE_LINEAR}, {8, 9.0f, SHAPE_STEP}}, 4.0, 7.0f},
        {"shape of the later key", {{0, 0.0f, SHAPE_STEP}, {4, 7.0f, SHAPE_LINEAR}, {8, 9.0f, SHAPE_STEP}}, 6.0, 8.0f},
        {"falling linear", {{10, 4.0f, SHAPE_LINEAR}, {20, 2.0f, SHAPE_STEP}}, 15.0, 3.0f},
        {"unknown shape reads 0", {{0, 5.0f, static_cast<KeyShape>(9)}, {8, 1.0f, SHAPE_STEP}}, 4.0, 0.0f},
        {"rows far apart", {{-2147483647 - 1, 0.0f, SHAPE_LINEAR}, {2147483647, 1.0f, SHAPE_STEP}}, 0.0, 0.5f},
    };
    for (const ValueCase& c : cases) {
        Curve curve{c.keys};
        SyncCurve view = curve.view();
        EXPECT_FLOAT_EQ(synclink_curve_value(&view, c.row), c.expected) << c.what;
    }
}

TEST(SyncLinkCurveValue, FloorKeyFindsTheKeyAtOrBeforeTheRow)
{
    Curve curve{{{-4, 0, SHAPE_STEP}, {0, 0, SHAPE_STEP}, {3, 0, SHAPE_STEP}, {10, 0, SHAPE_STEP}}};
    SyncCurve view = curve.view();
    const std::vector<std::pair<int, int>> cases = {
        {-5, -1}, {-4, 0}, {-1, 0}, {0, 1}, {2, 1}, {3, 2}, {9, 2}, {10, 3}, {11, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(synclink_floor_key(&view, c.first), c.second) << "row " << c.first;
    SyncCurve empty{nullptr, nullptr, 0};
    EXPECT_EQ(synclink_floor_key(&empty, 0), -1);
}

std::vector<int> rows_of(const SyncCurve* curve)
{
    std::vector<int> rows;
    for (int i = 0; i < curve->key_count; ++i)
        rows.push_back(curve->keys[i].row);
    return rows;
}

TEST(SyncLinkKeys, PutKeepsRowOrderAndReplacesAtTheSameRow)
{
    SyncCurve curve{nullptr, nullptr, 0};
    for (int row : {8, 0, 16, 4, 12}) {
        CurveKey key{row, float(row), SHAPE_LINEAR};
        ASSERT_EQ(synclink_put_key(&curve, &key), 0);
    }
    EXPECT_EQ(rows_of(&curve), (std::vector<int>{0, 4, 8, 12, 16}));

    CurveKey replacement{4, -1.0f, SHAPE_RAMP};
    ASSERT_EQ(synclink_put_key(&curve, &replacement), 0);
    ASSERT_EQ(curve.key_count, 5);
    EXPECT_EQ(curve.keys[1].value, -1.0f);
    EXPECT_EQ(curve.keys[1].shape, SHAPE_RAMP);

    EXPECT_EQ(synclink_erase_key(&curve, 8), 0);
    EXPECT_EQ(synclink_erase_key(&curve, 0), 0);
    EXPECT_EQ(synclink_erase_key(&curve, 16), 0);
    EXPECT_EQ(rows_of(&curve), (std::vector<int>{4, 12}));
    // A row that holds no key leaves the curve as it is.
    EXPECT_EQ(synclink_erase_key(&curve, 5), 0);
    EXPECT_EQ(rows_of(&curve), (std::vector<int>{4, 12}));
    EXPECT_EQ(synclink_erase_key(&curve, 4), 0);
    EXPECT_EQ(synclink_erase_key(&curve, 12), 0);
    EXPECT_EQ(curve.key_count, 0);
    EXPECT_EQ(curve.keys, nullptr);
    EXPECT_EQ(synclink_erase_key(&curve, 12), 0);
}

TEST(SyncLinkKeys, SmoothStepIsTheCubicEase)
{
    EXPECT_DOUBLE_EQ(synclink_smooth_step(0.0), 0.0);
    EXPECT_DOUBLE_EQ(synclink_smooth_step(0.5), 0.5);
    EXPECT_DOUBLE_EQ(synclink_smooth_step(0.25), 0.15625);
    EXPECT_DOUBLE_EQ(synclink_smooth_step(1.0), 1.0);
}

}  // namespace
