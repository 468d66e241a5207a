#include <cmath>
#include <gtest/gtest.h>
#include <unistd.h>

#include "scenes/polygoniser/polygoniserpool.h"
#include "scenes/polygoniser/polygoniserwork.h"
#include "support/child_process.h"

namespace {

// Negative inside the unit sphere, so the gradient points outward.
float sphere_field(const Vector3& p)
{
    return p.length() - 1.0f;
}

float flat_field(const Vector3&)
{
    return 2.0f;
}

void expect_vector(const Vector3& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

PolygoniserWork small_steps()
{
    PolygoniserWork work;
    work.offset_x.set(0.01f, 0.0f, 0.0f);
    work.offset_y.set(0.0f, 0.01f, 0.0f);
    work.offset_z.set(0.0f, 0.0f, 0.01f);
    return work;
}

} // namespace

TEST(Polygoniser, CrossingPointInterpolatesAndNeverDividesByZero)
{
    expect_vector(crossing_point(Vector3(0, 0, 0), Vector3(1, 0, 0), 0.25f, -0.75f), 0.25f, 0.0f, 0.0f);
    expect_vector(crossing_point(Vector3(0, 2, 0), Vector3(0, 0, 0), -1.0f, 1.0f), 0.0f, 1.0f, 0.0f);
    // Equal values: the midpoint, not NaN.
    expect_vector(crossing_point(Vector3(0, 0, 0), Vector3(2, 4, 6), 0.5f, 0.5f), 1.0f, 2.0f, 3.0f);
    expect_vector(crossing_point(Vector3(0, 0, 0), Vector3(2, 0, 0), 0.0f, 0.0f), 1.0f, 0.0f, 0.0f);

    // A field without slope has no normal: the zero vector, not NaN.
    const PolygoniserWork work = small_steps();
    expect_vector(surface_normal(flat_field, Vector3(1, 2, 3), work), 0.0f, 0.0f, 0.0f);
}

TEST(Polygoniser, WorkersFindUnitNormalsPointingOutOfASphere)
{
    // Edges from the centre region to points outside along several directions.
    PolygoniserWork work = small_steps();
    const Vector3 directions[] = {Vector3(1, 0, 0),  Vector3(0, -1, 0), Vector3(0, 0, 1),
                                  Vector3(1, 1, 0),  Vector3(-1, 1, 1), Vector3(0.3f, -0.5f, 0.8f)};
    for (const Vector3& d : directions) {
        GridPoint inside;
        inside.position = d * (0.2f / d.length());
        GridPoint outside;
        outside.position = d * (1.7f / d.length());
        work.points.push_back(inside);
        work.points.push_back(outside);
    }
    for (size_t i = 0; i < work.points.size(); i += 2) work.edges.push_back({&work.points[i], &work.points[i + 1]});

    PolygoniserPool pool(&work, 3);
    pool.polygonise(sphere_field);

    ASSERT_EQ(work.output.size(), 2 * work.edges.size());
    for (size_t i = 0; i < work.edges.size(); ++i) {
        const Vector3& p = work.output[2 * i];
        const Vector3& n = work.output[2 * i + 1];
        // Every point value came from the field (the crossings used all of them).
        EXPECT_FLOAT_EQ(work.edges[i].a->value, -0.8f);
        EXPECT_FLOAT_EQ(work.edges[i].b->value, 0.7f);
        EXPECT_NEAR(p.length(), 1.0f, 1e-5f) << "edge " << i;
        EXPECT_NEAR(n.length(), 1.0f, 1e-5f) << "edge " << i;
        // Outward: along the position, up to the backward difference's small lag.
        EXPECT_GT(Vector3::dot(n, p) / p.length(), 0.999f) << "edge " << i;
    }
}

TEST(Polygoniser, OnlyJobMessagesRunAndSignal)
{
    PolygoniserWork work = small_steps();
    work.points.resize(4);
    for (int i = 0; i < 4; ++i) work.points[static_cast<size_t>(i)].position.set(static_cast<float>(i), 0, 0);
    work.done_events.push_back(CreateEventA(nullptr, 0, 0, nullptr));
    work.ranges.push_back({1, 3});
    const LPARAM field = reinterpret_cast<LPARAM>(&sphere_field);

    // Neither another message nor a worker without range and event does anything.
    EXPECT_FALSE(run_polygoniser_job(work, MSG{nullptr, WM_USER, 0, field}));
    EXPECT_FALSE(run_polygoniser_job(work, MSG{nullptr, WM_USER + 3, 0, field}));
    EXPECT_FALSE(run_polygoniser_job(work, MSG{nullptr, POLYGONISER_EVALUATE_FIELD, 1, field}));
    EXPECT_EQ(WaitForSingleObject(work.done_events[0], 0), WAIT_TIMEOUT);
    for (const GridPoint& point : work.points) EXPECT_EQ(point.value, 0.0f);

    // The evaluation covers the worker's range only, and then signals.
    EXPECT_TRUE(run_polygoniser_job(work, MSG{nullptr, POLYGONISER_EVALUATE_FIELD, 0, field}));
    EXPECT_EQ(WaitForSingleObject(work.done_events[0], 0), WAIT_OBJECT_0);
    EXPECT_EQ(work.points[0].value, 0.0f);
    EXPECT_EQ(work.points[1].value, 0.0f); // |(1,0,0)| - 1
    EXPECT_EQ(work.points[2].value, 1.0f);
    EXPECT_EQ(work.points[3].value, 0.0f);

    // A range past the arrays is held to them; edges without output room are skipped.
    work.ranges[0] = {-5, 100};
    EXPECT_TRUE(run_polygoniser_job(work, MSG{nullptr, POLYGONISER_EVALUATE_FIELD, 0, field}));
    EXPECT_EQ(work.points[3].value, 2.0f);
    work.edges.push_back({&work.points[0], &work.points[3]});
    EXPECT_TRUE(run_polygoniser_job(work, MSG{nullptr, POLYGONISER_EDGE_CROSSINGS, 0, field}));
    EXPECT_TRUE(work.output.empty());
    CloseHandle(work.done_events[0]);
}

TEST(Polygoniser, WorkerThreadsEndOnQuit)
{
    PolygoniserWork work = small_steps();
    DWORD ids[2] = {0, 0};
    {
        PolygoniserPool pool(&work, 2);
        ids[0] = pool.thread_id(0);
        ids[1] = pool.thread_id(1);
        EXPECT_TRUE(PostThreadMessageA(ids[0], WM_USER + 7, 0, 0)); // ignored, no event
        EXPECT_EQ(WaitForSingleObject(work.done_events[0], 50), WAIT_TIMEOUT);
        pool.polygonise(sphere_field); // no points or edges: the jobs still complete
    } // the pool posts WM_QUIT and joins both threads
    EXPECT_FALSE(PostThreadMessageA(ids[0], WM_USER, 0, 0));
    EXPECT_FALSE(PostThreadMessageA(ids[1], WM_USER, 0, 0));
    EXPECT_TRUE(work.done_events.empty());
}

// The workers signal nothing for a job without a function, so the pool must not wait for them.
TEST(Polygoniser, ANullFieldFunctionIsFatalInsteadOfAWaitForEver)
{
    const ChildResult result = run_in_child([] {
        alarm(10); // a wait for ever ends the child by the alarm and fails below
        PolygoniserWork work = small_steps();
        work.points.resize(4);
        PolygoniserPool pool(&work, 2);
        pool.polygonise(nullptr);
    });
    EXPECT_EQ(result.signal, 0) << "the pool waited for ever";
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("src\\scenes\\polygoniser\\polygoniserpool"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("The polygoniser was given no field function"), std::string::npos) << result.err;
}
