#include "scenes/particles/rocket.h"

#include "util/math/mathutil.h"

Rocket::Rocket(const ParticleSetup& setup, std::vector<Particle*>* spark_list, std::vector<Particle*>* trail_list)
    : Particle(setup), sparks(spark_list), trail(trail_list)
{
    for (Particle* particle : *trail) respawn_trail(particle, birth, 0.1f, 1.0f);
}

void Rocket::respawn_trail(Particle* particle, float birth_time, float shortest, float longest)
{
    ParticleSetup setup;
    setup.position = position;
    setup.velocity.randomize_unit();
    setup.lifetime = rand_range(shortest, longest);
    setup.speed = speed / 4.0f;
    setup.colour.set(colour[0], colour[1], colour[2]);
    setup.birth = birth_time;
    particle->init(setup);
}

bool Rocket::update(float t)
{
    if (alive && !Particle::update(t)) burst(t);
    bool any_alive = alive;
    if (!alive) {
        for (Particle* spark : *sparks) any_alive = spark->update(t) || any_alive;
    }
    for (Particle* particle : *trail) {
        if (!particle->update(t) && alive) respawn_trail(particle, t, 0.3f, 1.8f);
    }
    return any_alive;
}

void Rocket::burst(float t)
{
    alive = false;
    ParticleSetup setup;
    setup.colour.x = rand_range(0.2f, 1.0f);
    setup.colour.y = rand_range(0.2f, 1.0f);
    setup.colour.z = rand_range(0.2f, 1.0f);
    setup.speed = rand_range(0.2f, 3.0f);
    setup.lifetime = rand_range(2.0f, 12.0f);
    setup.position = position;
    setup.birth = t;
    for (Particle* spark : *sparks) {
        setup.velocity.randomize_unit();
        spark->init(setup);
    }
}
