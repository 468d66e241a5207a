// A firework particle: it moves along its direction at its speed and ages from its birth
// time; life runs from 1 at birth down to 0 at the end of its lifetime.
#pragma once

#include "util/math/vector3.h"

// What a particle is (re-)initialised with.
struct ParticleSetup {
    Vector3 position;
    Vector3 velocity;
    float speed = 0.0f;
    Vector3 colour;
    float birth = 0.0f;
    float lifetime = 0.0f;
};

class Particle {
public:
    Particle() = default;
    explicit Particle(const ParticleSetup& setup);
    virtual ~Particle();

    // Starts the particle afresh: life 1, age 0, alive.
    virtual void init(const ParticleSetup& setup);
    // Ages the particle to time t and moves it by the time since the last update; false (life
    // 0, not alive, not moved) once its age passes its lifetime.
    virtual bool update(float t);

    Vector3 position;
    Vector3 velocity;
    float speed = 0.0f;
    float birth = 0.0f;
    float lifetime = 0.0f;
    float colour[3] = {0.0f, 0.0f, 0.0f};
    float life = 1.0f;
    float age = 0.0f;
    bool alive = true;
};
