// A firework rocket: a particle that trails short-lived particles while it flies and, when its
// lifetime ends, bursts into sparks that share one random colour, speed and lifetime. The
// spark and trail particles belong to the caller; the rocket only re-initialises and updates
// them.
#pragma once

#include <vector>

#include "scenes/particles/particle.h"

class Rocket : public Particle {
public:
    // Every trail particle starts at the rocket in a random direction at a quarter of its
    // speed, in its colour, with a lifetime from [0.1, 1.0].
    Rocket(const ParticleSetup& setup, std::vector<Particle*>* sparks, std::vector<Particle*>* trail);

    // Flies (or, after the burst, moves the sparks) and updates the trail, re-spawning dead
    // trail particles at the rocket while it flies. True while the rocket or a spark lives.
    bool update(float t) override;
    // Scatters every spark from the rocket's position at time t.
    void burst(float t);

    std::vector<Particle*>* sparks;
    std::vector<Particle*>* trail;

private:
    // At the rocket, in a random direction, with a lifetime drawn from [shortest, longest].
    void respawn_trail(Particle* particle, float birth_time, float shortest, float longest);
};
