// Starts the polygoniser's worker threads over one shared record and drives the two jobs:
// the ranges are split evenly among the workers, every field evaluation is awaited before any
// edge job is posted (the crossings read the values of other workers' points), and the
// destructor ends and joins every thread.
#pragma once

#include <thread>
#include <vector>

#include "scenes/polygoniser/polygoniserwork.h"

class PolygoniserPool {
public:
    // Fills the record's events and ranges for thread_count workers (at least one).
    PolygoniserPool(PolygoniserWork* work, int thread_count);
    ~PolygoniserPool();

    PolygoniserPool(const PolygoniserPool&) = delete;
    PolygoniserPool& operator=(const PolygoniserPool&) = delete;

    // Evaluates f at every grid point, then finds every edge's crossing and normal; the
    // record's output is sized to two vectors per edge. Returns when all workers are done.
    // A null f is fatal.
    void polygonise(FieldFunction f);

    DWORD thread_id(int worker) const { return thread_ids[static_cast<size_t>(worker)]; }

private:
    PolygoniserWork* work;
    std::vector<std::thread> threads;
    std::vector<DWORD> thread_ids;

    // Posts the job to every worker over [0, item_count) split evenly and waits for all.
    void run_job(UINT message, FieldFunction f, size_t item_count);
};
