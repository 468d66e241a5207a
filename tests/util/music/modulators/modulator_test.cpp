#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/modulators/modulator.h"

#include <cmath>
#include <gtest/gtest.h>

#include "../music_fixtures.h"

namespace {
const char* const MODULATOR_SOURCE = "src\\util\\music\\modulators\\modulator";
}

TEST(Modulator, NoteLengths)
{
    struct Case {
        int numerator, denominator;
        bool triplet;
        float length;
    };
    const Case cases[] = {
        {1, 4, false, 1.0f},  {1, 8, false, 0.5f},  {1, 1, false, 4.0f},
        {3, 8, false, 1.5f},  {1, 8, true, 0.5f * 0.6666667f}, {1, 4, true, 0.6666667f},
        {1, 0, false, 0.0f},  {1, 0, true, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(note_length(c.numerator, c.denominator, c.triplet), c.length)
            << c.numerator << "/" << c.denominator << (c.triplet ? "t" : "");
        EXPECT_EQ(LFO(WAVE_SINE, 1, c.numerator, c.denominator, c.triplet).get_length(), c.length);
        EXPECT_EQ(Arp(ARP_UPDOWN, 1, c.numerator, c.denominator, c.triplet).get_length(), c.length);
    }
}

TEST(Modulator, ConstructionDefaults)
{
    Modulator base;
    EXPECT_EQ(base.get_controller(), -1);
    EXPECT_EQ(base.get_intensity(), 1.0f);
    EXPECT_TRUE(base.get_template().max.empty());
    EXPECT_EQ(base.get_value(145.0f, 3.0f, -1.0f, 1.0f), 1.0f);

    ADSR adsr(1, SLOPE_LINEAR, 1, SLOPE_LINEAR, 0.5f, 1, SLOPE_LINEAR);
    LFO lfo(WAVE_SAW, 74, 1, 4, false);
    Arp arp(ARP_UPDOWN, 2, 1, 16, false);
    EXPECT_EQ(adsr.get_type(), MOD_TYPE_ADSR);
    EXPECT_EQ(lfo.get_type(), MOD_TYPE_LFO);
    EXPECT_EQ(arp.get_type(), MOD_TYPE_ARP);
    EXPECT_EQ(lfo.get_controller(), 74);
    EXPECT_EQ(adsr.get_controller(), -1);
    EXPECT_EQ(arp.get_controller(), -1);
    EXPECT_EQ(arp.get_octaves(), 2);
    lfo.set_intensity(0.25f);
    EXPECT_EQ(lfo.get_intensity(), 0.25f);
}

TEST(Modulator, TemplateLookup)
{
    LFO lfo(WAVE_SINE, 1, 1, 2, false);
    lfo.add_range(0, 63, 1, 8, false);
    lfo.add_range(63, 127, 1, 4, false);
    lfo.add_range(256 + 127, 256 + 200, 1, 1, false); // cut to 127..200
    EXPECT_EQ(lfo.get_template().min[2], 127);
    EXPECT_EQ(lfo.get_template().max[2], 200);

    struct Case {
        int value;
        float length;
    };
    const Case cases[] = {{10, 0.5f}, {1, 0.5f}, {63, 0.5f}, {64, 1.0f}, {127, 1.0f}};
    for (const Case& c : cases) {
        lfo.set_controller_value(c.value);
        EXPECT_EQ(lfo.get_length(), c.length) << c.value;
    }

    // A value above every range keeps the length it had.
    LFO partial(WAVE_SINE, 1, 1, 2, false);
    partial.add_range(0, 63, 1, 8, false);
    partial.set_controller_value(100);
    EXPECT_EQ(partial.get_length(), 2.0f);
}

TEST(Modulator, TemplateErrors)
{
    struct Case {
        int value;
        const char* message;
    };
    const Case cases[] = {{0, "How did this happen?"},
                          {-1, "Value out of bounds: -1"},
                          {128, "Value out of bounds: 128"}};
    for (const Case& c : cases) {
        ChildResult result = run_in_child([&] {
            LFO lfo(WAVE_SINE, 1, 1, 2, false);
            lfo.add_range(0, 63, 1, 8, false);
            lfo.add_range(63, 127, 1, 4, false);
            lfo.set_controller_value(c.value);
        });
        fixtures::expect_fatal(result, MODULATOR_SOURCE, c.message);
    }
}

TEST(ADSR, LinearPhases)
{
    ADSR adsr(1.0f, SLOPE_LINEAR, 1.0f, SLOPE_LINEAR, 0.5f, 2.0f, SLOPE_LINEAR);
    struct Case {
        float beat, note_off, note_on, value;
    };
    const Case cases[] = {
        // held since beat 0
        {0.5f, -1.0f, 0.0f, 0.5f},
        {1.0f, -1.0f, 0.0f, 1.0f},
        {1.5f, -1.0f, 0.0f, 0.75f},
        {2.0f, -1.0f, 0.0f, 0.5f},
        {9.0f, -1.0f, 0.0f, 0.5f},
        // released at 0.5: level 0.5, fading over two beats
        {0.5f, 0.5f, 0.0f, 0.5f},
        {1.5f, 0.5f, 0.0f, 0.25f},
        {2.5f, 0.5f, 0.0f, 0.0f},
        {2.6f, 0.5f, 0.0f, 0.0f},
        // released during the decay and after it
        {1.5f, 1.5f, 0.0f, 0.75f},
        {4.0f, 3.0f, 0.0f, 0.25f},
        // a later note held again after an earlier off
        {5.5f, 3.0f, 5.0f, 0.5f},
        // never played
        {3.0f, -1.0f, -1.0f, 0.0f},
        {0.5f, -1.0f, -1.0f, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(adsr.get_value(145.0f, c.beat, c.note_off, c.note_on), c.value)
            << c.beat << " off " << c.note_off << " on " << c.note_on;
}

TEST(ADSR, CurveFunctions)
{
    ADSR adsr(2.0f, SLOPE_EXP, 2.0f, SLOPE_EXP_INV, 0.0f, 2.0f, SLOPE_EXP);
    const float k = 250.0f;
    const float middle = (std::pow(k, 0.5f) - 1.0f) / (k - 1.0f);
    EXPECT_NEAR(middle, 0.0595f, 0.0001f);
    struct Case {
        const char* name;
        float value;
        float expected;
    };
    const Case cases[] = {
        {"rise_linear", adsr.rise_linear(0.5f, 2.0f), 0.25f},
        {"fall_linear", adsr.fall_linear(0.5f, 2.0f), 0.75f},
        {"rise_exp middle", adsr.rise_exp(1.0f, 2.0f), middle},
        {"rise_exp start", adsr.rise_exp(0.0f, 2.0f), 0.0f},
        {"rise_exp end", adsr.rise_exp(2.0f, 2.0f), 1.0f},
        {"fall_exp start", adsr.fall_exp(0.0f, 2.0f), 1.0f},
        {"fall_exp middle", adsr.fall_exp(1.0f, 2.0f), middle},
        {"fall_exp end", adsr.fall_exp(2.0f, 2.0f), 0.0f},
        {"rise_exp_inv middle", adsr.rise_exp_inv(1.0f, 2.0f), 1.0f - middle},
        {"rise_exp_inv end", adsr.rise_exp_inv(2.0f, 2.0f), 1.0f},
        {"fall_exp_inv middle", adsr.fall_exp_inv(1.0f, 2.0f), 1.0f - middle},
        {"fall_exp_inv start", adsr.fall_exp_inv(0.0f, 2.0f), 1.0f},
        // segments of no duration are over at once
        {"rise_linear 0", adsr.rise_linear(0.0f, 0.0f), 1.0f},
        {"fall_linear 0", adsr.fall_linear(0.0f, 0.0f), 0.0f},
        {"rise_exp 0", adsr.rise_exp(0.0f, 0.0f), 1.0f},
        {"fall_exp 0", adsr.fall_exp(0.0f, 0.0f), 0.0f},
        {"rise_exp_inv 0", adsr.rise_exp_inv(0.0f, 0.0f), 1.0f},
        {"fall_exp_inv 0", adsr.fall_exp_inv(0.0f, 0.0f), 0.0f},
        // the envelope picks the curves by slope: exp attack, exp_inv decay to 0
        {"attack middle", adsr.get_value(0, 1.0f, -1.0f, 0.0f), middle},
        {"decay middle", adsr.get_value(0, 3.0f, -1.0f, 0.0f), 1.0f - middle},
        {"release middle", adsr.get_value(0, 2.0f, 1.0f, 0.0f), middle * middle},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(std::isfinite(c.value)) << c.name;
        EXPECT_NEAR(c.value, c.expected, 1e-6f) << c.name;
    }
}

TEST(ADSR, ZeroLengthSegmentsStayFinite)
{
    ADSR adsr(0.0f, SLOPE_EXP, 0.0f, SLOPE_LINEAR, 0.5f, 0.0f, SLOPE_EXP_INV);
    const float beats[] = {0.0f, 1.0f, 2.0f};
    for (float beat : beats) {
        float held = adsr.get_value(0, beat, -1.0f, 0.0f);
        float released = adsr.get_value(0, beat + 1.0f, beat, 0.0f);
        EXPECT_TRUE(std::isfinite(held)) << beat;
        EXPECT_TRUE(std::isfinite(released)) << beat;
        EXPECT_EQ(released, 0.0f) << beat;
    }
    EXPECT_EQ(adsr.get_value(0, 0.0f, -1.0f, 0.0f), 1.0f);
    EXPECT_EQ(adsr.get_value(0, 1.0f, -1.0f, 0.0f), 0.5f);
}

TEST(ADSR, UnrecognizedSlope)
{
    ADSR unused_slope(1.0f, SLOPE_LINEAR, 1.0f, SLOPE_LINEAR, 0.5f, 1.0f, 7);
    EXPECT_FLOAT_EQ(unused_slope.get_value(0, 0.5f, -1.0f, 0.0f), 0.5f); // release not met
    ChildResult result = run_in_child([&] { unused_slope.get_value(0, 5.0f, 4.5f, 0.0f); });
    fixtures::expect_fatal(result, "src\\util\\music\\modulators\\adsr", "Unrecognized slope type 7");
}

TEST(LFO, SineAndSaw)
{
    LFO sine(WAVE_SINE, 1, 1, 2, false); // two beats
    LFO saw(WAVE_SAW, 1, 1, 2, false);
    struct Case {
        float beat, note_off, note_on, sine, saw;
    };
    const Case cases[] = {
        {4.0f, -1.0f, 4.0f, 0.0f, 0.0f},
        {4.5f, -1.0f, 4.0f, 0.5f, 0.5f},
        {5.0f, -1.0f, 4.0f, 1.0f, 1.0f},
        {6.0f, -1.0f, 4.0f, 0.0f, 0.0f},
        {7.5f, 2.0f, 4.0f, 0.5f, 1.5f},
        {7.0f, 6.5f, 4.0f, 0.0f, 0.0f}, // released
        {7.0f, -1.0f, -1.0f, 0.0f, 0.0f}, // never played
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(sine.get_value(0, c.beat, c.note_off, c.note_on), c.sine, 1e-6f) << c.beat;
        EXPECT_NEAR(saw.get_value(0, c.beat, c.note_off, c.note_on), c.saw, 1e-6f) << c.beat;
    }

    LFO still_sine(WAVE_SINE, 1, 1, 0, false);
    LFO still_saw(WAVE_SAW, 1, 1, 0, false);
    EXPECT_EQ(still_sine.get_value(0, 5.0f, -1.0f, 4.0f), 0.0f);
    EXPECT_EQ(still_saw.get_value(0, 5.0f, -1.0f, 4.0f), 0.0f);

    LFO odd(5, 1, 1, 2, false);
    EXPECT_EQ(odd.get_value(0, 5.0f, 4.5f, 4.0f), 0.0f);
    ChildResult result = run_in_child([&] { odd.get_value(0, 5.0f, -1.0f, 4.0f); });
    fixtures::expect_fatal(result, "src\\util\\music\\modulators\\lfo", "Unsupported wave type: 5");
}

TEST(Arp, UpDownWalkAndGate)
{
    Arp arp(ARP_UPDOWN, 1, 1, 4, false); // one beat a step
    const int three[] = {0, 1, 2, 1, 0, 1, 2, 1};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(arp.get_step(0, 10.0f + i + 0.5f, 10.0f, 3), three[i]) << i;
    const int two[] = {0, 1, 0, 1};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(arp.get_step(0, 10.0f + i, 10.0f, 2), two[i]) << i;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(arp.get_step(0, 10.0f + i, 10.0f, 1), 0);
        EXPECT_EQ(arp.get_step(0, 10.0f + i, 10.0f, 0), 0);
    }
    // before the start the step count wraps as an unsigned 32-bit number: 2^32 - 1 mod 4 = 3
    EXPECT_EQ(arp.get_step(0, 9.5f, 11.0f, 3), 1);

    EXPECT_EQ(arp.get_value(0, 5.0f, 1.0f, 2.0f), 1.0f);
    EXPECT_EQ(arp.get_value(0, 5.0f, 3.0f, 2.0f), 0.0f);
    EXPECT_EQ(arp.get_value(0, 5.0f, -1.0f, -1.0f), 0.0f);
}

TEST(Arp, DegenerateStepsStayOnFirstNote)
{
    Arp no_length(ARP_UPDOWN, 1, 1, 0, false);
    EXPECT_EQ(no_length.get_step(0, 5.0f, 1.0f, 3), 0);
    Arp tiny(ARP_UPDOWN, 1, 1, 4, false);
    tiny.add_range(0, 127, 0, 1, false); // a template that selects a step of length 0
    tiny.set_controller_value(5);
    EXPECT_EQ(tiny.get_step(0, 5.0f, 1.0f, 3), 0);
    Arp fine(ARP_UPDOWN, 1, 1, 4, false);
    EXPECT_GE(fine.get_step(0, 3.0e38f, -3.0e38f, 3), 0); // quotient overflows to infinity
    EXPECT_LT(fine.get_step(0, 1.0e30f, 0.0f, 3), 3);
}

TEST(Arp, OtherPatternsAreRefused)
{
    const int patterns[] = {ARP_UP, ARP_DOWN, 9};
    for (int pattern : patterns) {
        Arp arp(pattern, 1, 1, 4, false);
        EXPECT_EQ(arp.get_step(0, 3.0f, 0.0f, 1), 0);
        ChildResult result = run_in_child([&] { arp.get_step(0, 3.0f, 0.0f, 3); });
        fixtures::expect_fatal(result, "src\\util\\music\\modulators\\arp",
                               "Unhandled arp pattern " + std::to_string(pattern) + "!\n");
    }
}
