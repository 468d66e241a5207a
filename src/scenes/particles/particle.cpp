#include "scenes/particles/particle.h"

Particle::Particle(const ParticleSetup& setup)
{
    Particle::init(setup);
}

Particle::~Particle() = default;

void Particle::init(const ParticleSetup& setup)
{
    position = setup.position;
    velocity = setup.velocity;
    speed = setup.speed;
    colour[0] = setup.colour.x;
    colour[1] = setup.colour.y;
    colour[2] = setup.colour.z;
    birth = setup.birth;
    lifetime = setup.lifetime;
    life = 1.0f;
    age = 0.0f;
    alive = true;
}

bool Particle::update(float t)
{
    const float dt = t - birth - age;
    age = t - birth;
    if (lifetime < age) {
        life = 0.0f;
        alive = false;
        return false;
    }
    life = 1.0f - age / lifetime;
    position += velocity * speed * dt;
    return true;
}
