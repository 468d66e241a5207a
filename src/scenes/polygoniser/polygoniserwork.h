// The shared record of the polygoniser's worker threads and their job loop.
//
// An implicit surface (such as the metaball field) is polygonised in two jobs over a grid: the
// field is evaluated at every grid point, then every grid edge gets its surface crossing and
// the surface normal there. Each worker thread owns one range of points or edges per job, so
// the threads write disjoint parts of the arrays. Jobs arrive as thread messages: wParam is the
// worker index, lParam the field function; after a job the worker sets its completion event.
#pragma once

#include <utility>
#include <vector>

#include "platform/win32/threadmessage.h"
#include "util/math/vector3.h"

typedef float (*FieldFunction)(const Vector3& p);

constexpr UINT POLYGONISER_EVALUATE_FIELD = WM_USER + 1; // value(i) = f(position(i))
constexpr UINT POLYGONISER_EDGE_CROSSINGS = WM_USER + 2; // crossing point and normal per edge

struct GridPoint {
    Vector3 position;
    float value = 0.0f;
};

struct GridEdge {
    GridPoint* a;
    GridPoint* b;
};

struct PolygoniserWork {
    // Steps along x, y and z for the gradient.
    Vector3 offset_x;
    Vector3 offset_y;
    Vector3 offset_z;
    std::vector<GridPoint> points;
    std::vector<GridEdge> edges;
    // Two per edge: the crossing point, then the unit normal there.
    std::vector<Vector3> output;
    // One per worker.
    std::vector<HANDLE> done_events;
    // One [first, end) per worker, over points or edges depending on the job.
    std::vector<std::pair<int, int>> ranges;
};

// Where the field crosses zero between p1 (value a) and p2 (value b): p1 + (p2 - p1) a / (a - b).
// Equal values have no crossing to find: the midpoint stands in.
Vector3 crossing_point(const Vector3& p1, const Vector3& p2, float a, float b);

// The normalised backward-difference gradient of f at p; the zero vector where the gradient
// is zero.
Vector3 surface_normal(FieldFunction f, const Vector3& p, const PolygoniserWork& work);

// Runs one job message on the record; false for a message that is no job (nothing is done and
// no event set) or a worker index without a range and event.
bool run_polygoniser_job(PolygoniserWork& work, const MSG& msg);

// The thread procedure: runs jobs from the calling thread's message queue until WM_QUIT.
void polygoniser_thread(PolygoniserWork* work);
