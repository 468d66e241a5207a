#include <gtest/gtest.h>
#include <vector>

#include "platform/runtime/crt_random.h"
#include "scenes/particles/particle.h"
#include "scenes/particles/rocket.h"

namespace {

ParticleSetup setup_at(float birth, float lifetime, float speed, const Vector3& velocity)
{
    ParticleSetup setup;
    setup.position.set(0.0f, 0.0f, 0.0f);
    setup.velocity = velocity;
    setup.speed = speed;
    setup.colour.set(0.5f, 0.25f, 1.0f);
    setup.birth = birth;
    setup.lifetime = lifetime;
    return setup;
}

// Owns the particles a rocket is handed.
struct Pool {
    explicit Pool(int count) : particles(static_cast<size_t>(count))
    {
        for (Particle& particle : particles) pointers.push_back(&particle);
    }
    std::vector<Particle> particles;
    std::vector<Particle*> pointers;
};

} // namespace

TEST(Particle, MovesAndAgesUntilItsLifetimeEnds)
{
    Particle particle(setup_at(1.0f, 2.0f, 2.0f, Vector3(1, 0, 0)));
    EXPECT_EQ(particle.life, 1.0f);
    EXPECT_EQ(particle.age, 0.0f);
    EXPECT_TRUE(particle.alive);

    EXPECT_TRUE(particle.update(2.0f));
    EXPECT_FLOAT_EQ(particle.life, 0.5f);
    EXPECT_FLOAT_EQ(particle.position.x, 2.0f);
    EXPECT_FLOAT_EQ(particle.position.y, 0.0f);

    // The step is the time since the last update only.
    EXPECT_TRUE(particle.update(2.5f));
    EXPECT_FLOAT_EQ(particle.life, 0.25f);
    EXPECT_FLOAT_EQ(particle.position.x, 3.0f);

    EXPECT_FALSE(particle.update(3.5f));
    EXPECT_EQ(particle.life, 0.0f);
    EXPECT_FALSE(particle.alive);
    EXPECT_FLOAT_EQ(particle.position.x, 3.0f); // a dead particle does not move

    particle.init(setup_at(5.0f, 1.0f, 1.0f, Vector3(0, 1, 0)));
    EXPECT_TRUE(particle.alive);
    EXPECT_EQ(particle.life, 1.0f);
    EXPECT_EQ(particle.position.x, 0.0f);
}

TEST(Rocket, TrailFollowsAndBurstSharesOneColourSpeedAndLifetime)
{
    crt_srand(1234);
    Pool sparks(40);
    Pool trail(10);
    Rocket rocket(setup_at(0.0f, 1.0f, 4.0f, Vector3(0, 1, 0)), &sparks.pointers, &trail.pointers);
    for (const Particle& particle : trail.particles) {
        EXPECT_EQ(particle.speed, 1.0f); // a quarter of the rocket's
        EXPECT_EQ(particle.colour[0], 0.5f);
        EXPECT_EQ(particle.birth, 0.0f);
        EXPECT_GE(particle.lifetime, 0.1f);
        EXPECT_LE(particle.lifetime, 1.0f);
        EXPECT_NEAR(particle.velocity.length(), 1.0f, 1e-5f);
    }

    // In flight: dead trail particles are re-spawned at the rocket with a later birth.
    EXPECT_TRUE(rocket.update(0.9f));
    EXPECT_TRUE(rocket.alive);
    EXPECT_FLOAT_EQ(rocket.position.y, 3.6f);
    for (const Particle& particle : trail.particles) {
        EXPECT_TRUE(particle.alive);
        if (particle.birth == 0.9f) {
            EXPECT_EQ(particle.position.y, rocket.position.y);
            EXPECT_GE(particle.lifetime, 0.3f);
            EXPECT_LE(particle.lifetime, 1.8f);
        }
    }

    // The rocket's lifetime ends: it bursts where it stopped.
    EXPECT_TRUE(rocket.update(1.5f));
    EXPECT_FALSE(rocket.alive);
    const Particle& first = sparks.particles[0];
    for (int c = 0; c < 3; ++c) {
        EXPECT_GE(first.colour[c], 0.2f);
        EXPECT_LE(first.colour[c], 1.0f);
    }
    EXPECT_GE(first.speed, 0.2f);
    EXPECT_LE(first.speed, 3.0f);
    EXPECT_GE(first.lifetime, 2.0f);
    EXPECT_LE(first.lifetime, 12.0f);
    bool directions_differ = false;
    for (const Particle& spark : sparks.particles) {
        EXPECT_EQ(spark.colour[0], first.colour[0]);
        EXPECT_EQ(spark.colour[1], first.colour[1]);
        EXPECT_EQ(spark.colour[2], first.colour[2]);
        EXPECT_EQ(spark.speed, first.speed);
        EXPECT_EQ(spark.lifetime, first.lifetime);
        EXPECT_EQ(spark.birth, 1.5f);
        EXPECT_FLOAT_EQ(spark.position.y, 3.6f);
        EXPECT_NEAR(spark.velocity.length(), 1.0f, 1e-5f);
        directions_differ = directions_differ || spark.velocity.x != first.velocity.x;
    }
    EXPECT_TRUE(directions_differ);

    // After the burst the sparks move, and the trail dies out without re-spawning.
    const Vector3 spark_start = sparks.particles[0].position;
    EXPECT_TRUE(rocket.update(2.0f));
    EXPECT_NE(sparks.particles[0].position.x, spark_start.x);
    EXPECT_FLOAT_EQ(rocket.position.y, 3.6f);
    EXPECT_TRUE(rocket.update(3.4f)); // sparks live at least 2 beats
    for (const Particle& particle : trail.particles) EXPECT_FALSE(particle.alive);
    EXPECT_FALSE(rocket.update(1.5f + first.lifetime + 0.5f));
}
