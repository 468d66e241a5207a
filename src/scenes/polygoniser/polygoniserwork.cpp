#include "scenes/polygoniser/polygoniserwork.h"

#include <algorithm>

namespace {

// The range clamped to [0, size], so that a range set for a larger array stays inside.
std::pair<int, int> clamp_range(const std::pair<int, int>& range, size_t size)
{
    const int limit = static_cast<int>(size);
    const int first = std::max(0, std::min(range.first, limit));
    const int end = std::max(first, std::min(range.second, limit));
    return {first, end};
}

} // namespace

Vector3 crossing_point(const Vector3& p1, const Vector3& p2, float a, float b)
{
    const float difference = a - b;
    const float t = difference == 0.0f ? 0.5f : a / difference;
    return p1 + (p2 - p1) * t;
}

Vector3 surface_normal(FieldFunction f, const Vector3& p, const PolygoniserWork& work)
{
    const float v = f(p);
    Vector3 n(v - f(p - work.offset_x), v - f(p - work.offset_y), v - f(p - work.offset_z));
    const float length = n.length();
    if (!(length > 0.0f)) return Vector3(0.0f, 0.0f, 0.0f);
    return n * (1.0f / length);
}

bool run_polygoniser_job(PolygoniserWork& work, const MSG& msg)
{
    if (msg.message != POLYGONISER_EVALUATE_FIELD && msg.message != POLYGONISER_EDGE_CROSSINGS)
        return false;
    const size_t worker = msg.wParam;
    if (worker >= work.ranges.size() || worker >= work.done_events.size()) return false;
    FieldFunction f = reinterpret_cast<FieldFunction>(msg.lParam);
    if (f == nullptr) return false;

    if (msg.message == POLYGONISER_EVALUATE_FIELD) {
        const std::pair<int, int> range = clamp_range(work.ranges[worker], work.points.size());
        for (int i = range.first; i < range.second; ++i)
            work.points[static_cast<size_t>(i)].value = f(work.points[static_cast<size_t>(i)].position);
    } else {
        const size_t usable = std::min(work.edges.size(), work.output.size() / 2);
        const std::pair<int, int> range = clamp_range(work.ranges[worker], usable);
        for (int i = range.first; i < range.second; ++i) {
            const GridEdge& edge = work.edges[static_cast<size_t>(i)];
            const Vector3 p = crossing_point(edge.a->position, edge.b->position, edge.a->value, edge.b->value);
            work.output[2 * static_cast<size_t>(i)] = p;
            work.output[2 * static_cast<size_t>(i) + 1] = surface_normal(f, p, work);
        }
    }
    SetEvent(work.done_events[worker]);
    return true;
}

void polygoniser_thread(PolygoniserWork* work)
{
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        run_polygoniser_job(*work, msg);
    }
}
