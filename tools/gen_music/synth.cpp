#include "synth.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

namespace gen {

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double RATE = SAMPLE_RATE;

enum Instrument { INSTR_NONE, INSTR_BEEPER, INSTR_SUB, INSTR_SIRENE, INSTR_KICK, INSTR_SNARE,
                  INSTR_HATS, INSTR_PAD, INSTR_LEAD };

Instrument instrument_for(const std::string& name)
{
    if (name == "Rave beeper") return INSTR_BEEPER;
    if (name == "Sub") return INSTR_SUB;
    if (name == "Sirene") return INSTR_SIRENE;
    if (name == "Kick") return INSTR_KICK;
    if (name == "Snare") return INSTR_SNARE;
    if (name == "Hats") return INSTR_HATS;
    if (name == "Pad") return INSTR_PAD;
    if (name == "Lead") return INSTR_LEAD;
    return INSTR_NONE;
}

double wrap(double phase) { return phase >= 1.0 ? phase - std::floor(phase) : phase; }

double pitch_hz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Band-limited step correction for saw and square oscillators.
double poly_blep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }

private:
    uint32_t state;
};

class OnePole {
public:
    void set_cutoff(double hz) { a = 1.0 - std::exp(-2.0 * PI * hz / RATE); }
    double run(double x)
    {
        y += a * (x - y);
        return y;
    }

private:
    double a = 1.0;
    double y = 0.0;
};

// Linear attack, exponential decay to a sustain level while held, exponential release.
struct Envelope {
    double attack;  // seconds
    double decay;   // seconds (time constant)
    double sustain; // level
    double release; // seconds (time constant)

    double tail() const { return release * 5.0; }
};

// Runs an envelope sample by sample: one multiplication a sample instead of an exp.
class EnvelopeRunner {
public:
    EnvelopeRunner(const Envelope& e, int64_t held_samples)
        : env(e), held(held_samples), attack_samples(std::max(1.0, e.attack * RATE)),
          decay_step(std::exp(-1.0 / (e.decay * RATE))),
          release_step(std::exp(-1.0 / (e.release * RATE)))
    {
    }

    double next()
    {
        double v;
        if (n < held) {
            if (n < attack_samples) {
                v = n / attack_samples;
            } else {
                v = env.sustain + (1.0 - env.sustain) * falling;
                falling *= decay_step;
            }
            at_release = v;
        } else {
            v = at_release * releasing;
            releasing *= release_step;
        }
        ++n;
        return v;
    }

private:
    Envelope env;
    int64_t held;
    double attack_samples;
    double decay_step;
    double release_step;
    int64_t n = 0;
    double falling = 1.0;
    double releasing = 1.0;
    double at_release = 0.0;
};

// An exponential fall from 1 with a time constant, one multiplication a sample.
class Decay {
public:
    explicit Decay(double seconds) : step(std::exp(-1.0 / (seconds * RATE))) {}
    double next()
    {
        double v = level;
        level *= step;
        return v;
    }

private:
    double step;
    double level = 1.0;
};

// Rational approximation of tanh, close enough for gentle saturation.
double soft_clip(double x)
{
    if (x > 3.0) return 1.0;
    if (x < -3.0) return -1.0;
    return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

struct Voice {
    int64_t start;      // first sample
    int64_t held;       // samples until the note-off
    int64_t length;     // samples rendered (held + tail)
    double velocity;    // 0..1
    int pitch;
    uint32_t seed;
};

} // namespace

Synth::Synth(int64_t frame_count)
    : frames(frame_count), mix_left(static_cast<size_t>(frame_count), 0.0f),
      mix_right(static_cast<size_t>(frame_count), 0.0f)
{
}

void Synth::render(const Song& song)
{
    send_left.assign(mix_left.size(), 0.0f);
    send_right.assign(mix_right.size(), 0.0f);
    kick_starts.clear();
    if (const SongTrack* kick = song.find("Kick"))
        for (const SongNote& note : kick->notes)
            kick_starts.push_back(tick_to_sample(note.start, song.bpm));
    std::sort(kick_starts.begin(), kick_starts.end());
    // Each thread owns one stretch of the output and renders every note that reaches into it,
    // so every sample is summed in the same order whatever the number of threads.
    unsigned count = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (unsigned k = 0; k < count; ++k) {
        int64_t from = frames * k / count, to = frames * (k + 1) / count;
        workers.emplace_back([this, &song, from, to] {
            for (const SongTrack& track : song.tracks)
                render_track(track, song.bpm, from, to);
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    apply_echo(song.bpm);
}

void Synth::render_track(const SongTrack& track, double bpm, int64_t from, int64_t to)
{
    Instrument instrument = instrument_for(track.name);
    if (instrument == INSTR_NONE)
        return;
    const double beat_seconds = 60.0 / bpm;
    const bool echo = instrument == INSTR_SIRENE || instrument == INSTR_PAD || instrument == INSTR_LEAD;
    // The pad and the siren make room for the kick drum: they dip at every kick and swell back.
    const bool ducked = instrument == INSTR_PAD || instrument == INSTR_SIRENE;
    const double duck_return = std::exp(-1.0 / (0.09 * RATE));

    Envelope env{0.001, 0.05, 0.6, 0.02};
    double gain = 0.2;
    double tail = 0.0; // fixed length of one-shot drums, seconds
    switch (instrument) {
    case INSTR_BEEPER: env = {0.001, 0.06, 0.55, 0.015}; gain = 0.22; break;
    case INSTR_SUB:    env = {0.003, 0.2, 0.8, 0.012};   gain = 0.42; break;
    case INSTR_SIRENE: env = {0.04, 0.5, 0.85, 0.08};    gain = 0.10; break;
    case INSTR_PAD:    env = {0.35, 1.0, 0.8, 0.25};     gain = 0.055; break;
    case INSTR_LEAD:   env = {0.006, 0.3, 0.7, 0.09};    gain = 0.085; break;
    case INSTR_KICK:   tail = 0.45; gain = 0.75; break;
    case INSTR_SNARE:  tail = 0.22; gain = 0.32; break;
    case INSTR_HATS:   tail = 0.12; gain = 0.09; break;
    default: break;
    }

    uint32_t note_index = 0;
    for (const SongNote& note : track.notes) {
        ++note_index;
        Voice v;
        v.start = tick_to_sample(note.start, bpm);
        v.held = tick_to_sample(note.start + note.length, bpm) - v.start;
        double tail_seconds = tail > 0.0 ? tail : env.tail();
        v.length = (tail > 0.0 ? 0 : v.held) + static_cast<int64_t>(tail_seconds * RATE);
        v.velocity = note.velocity / 127.0;
        v.pitch = note.pitch;
        v.seed = 0x1234567u * note_index + static_cast<uint32_t>(note.pitch) * 7919u +
                 static_cast<uint32_t>(track.channel) * 104729u;
        int64_t end = std::min(to, v.start + v.length);
        if (v.start >= to || end <= from)
            continue;

        // The wobble controller in force at the note-on.
        int wobble = 20;
        for (const SongController& c : track.controllers)
            if (c.number == WOBBLE_CONTROLLER && c.tick <= note.start)
                wobble = c.value;
        const double wobble_seconds = wobble_period_beats(wobble) * beat_seconds;

        // Alternate the beeper left and right a little; keep the low end centred.
        double pan = 0.5;
        if (instrument == INSTR_BEEPER)
            pan = (note_index % 2) ? 0.35 : 0.65;
        else if (instrument == INSTR_HATS)
            pan = 0.6;
        else if (instrument == INSTR_SNARE)
            pan = 0.48;
        const double gl = std::cos(pan * PI / 2) * 1.41421356, gr = std::sin(pan * PI / 2) * 1.41421356;

        Noise noise(v.seed);
        OnePole lp, lp2, hp;
        double phase[3] = {0.0, 0.33, 0.66};
        double sine_phase = 0.0;
        const double f0 = pitch_hz(v.pitch);
        EnvelopeRunner envelope(env, v.held);
        size_t next_kick = static_cast<size_t>(
            std::lower_bound(kick_starts.begin(), kick_starts.end(), v.start) - kick_starts.begin());
        double duck = 0.0; // depth of the dip, falling back towards 0
        // Falling envelopes of the drums.
        double tau_a = 0.028, tau_b = 0.17, tau_c = 1.0;
        if (instrument == INSTR_SNARE) {
            tau_a = 0.045; tau_b = 0.01; tau_c = 0.07;
        } else if (instrument == INSTR_HATS) {
            tau_a = v.pitch == 46 ? 0.06 : 0.018;
        }
        Decay fall_a(tau_a), fall_b(tau_b), fall_c(tau_c);
        double wobble_factor = 1.0;
        switch (instrument) {
        case INSTR_BEEPER: lp.set_cutoff(5200.0); break;
        case INSTR_SIRENE: lp.set_cutoff(3800.0); break;
        case INSTR_PAD: lp.set_cutoff(1700.0); lp2.set_cutoff(2600.0); break;
        case INSTR_LEAD: lp.set_cutoff(3000.0); lp2.set_cutoff(3000.0); break;
        case INSTR_SNARE: hp.set_cutoff(900.0); lp.set_cutoff(7000.0); break;
        case INSTR_HATS: hp.set_cutoff(7000.0); break;
        default: break;
        }

        for (int64_t s = v.start; s < end; ++s) {
            const double t = static_cast<double>(s - v.start) / RATE;
            double l = 0.0, r = 0.0;
            switch (instrument) {
            case INSTR_BEEPER: {
                // Square with a little octave-up square on top.
                double dt = f0 / RATE;
                double sq = (phase[0] < 0.5 ? 1.0 : -1.0) + poly_blep(phase[0], dt) -
                            poly_blep(wrap(phase[0] + 0.5), dt);
                double dt2 = 2.0 * dt;
                double sq2 = (phase[1] < 0.5 ? 1.0 : -1.0) + poly_blep(phase[1], dt2) -
                             poly_blep(wrap(phase[1] + 0.5), dt2);
                phase[0] += dt; if (phase[0] >= 1.0) phase[0] -= 1.0;
                phase[1] += dt2; if (phase[1] >= 1.0) phase[1] -= 1.0;
                double x = lp.run(sq + 0.3 * sq2) * envelope.next();
                l = r = x;
                break;
            }
            case INSTR_SUB: {
                double x = std::sin(2.0 * PI * sine_phase);
                sine_phase = wrap(sine_phase + f0 / RATE);
                x = soft_clip(1.8 * x) * 0.8 + 0.2 * std::sin(4.0 * PI * sine_phase);
                x *= envelope.next();
                l = r = x;
                break;
            }
            case INSTR_SIRENE: {
                // Saw whose pitch wobbles up to five semitones, starting low at the note-on.
                if ((s - v.start) % 16 == 0) {
                    double lfo = 0.5 * std::sin(2.0 * PI * t / wobble_seconds - PI / 2) + 0.5;
                    wobble_factor = std::exp2(5.0 * lfo / 12.0);
                }
                double f = f0 * wobble_factor;
                double dt = f / RATE;
                double saw = 2.0 * phase[0] - 1.0 - poly_blep(phase[0], dt);
                double saw2 = 2.0 * phase[1] - 1.0 - poly_blep(phase[1], dt * 1.006);
                phase[0] += dt; if (phase[0] >= 1.0) phase[0] -= 1.0;
                phase[1] += dt * 1.006; if (phase[1] >= 1.0) phase[1] -= 1.0;
                double e = envelope.next();
                l = lp.run(saw) * e;
                r = lp2.run(saw2) * e;
                break;
            }
            case INSTR_LEAD: {
                // Two saws a few cents apart, with a vibrato that comes in after the attack.
                double vibrato = 1.0 + 0.004 * std::min(1.0, t / 0.3) * std::sin(2.0 * PI * 5.5 * t);
                double dt = f0 * vibrato / RATE;
                double saw = 2.0 * phase[0] - 1.0 - poly_blep(phase[0], dt);
                double saw2 = 2.0 * phase[1] - 1.0 - poly_blep(phase[1], dt * 1.005);
                phase[0] += dt; if (phase[0] >= 1.0) phase[0] -= 1.0;
                phase[1] += dt * 1.005; if (phase[1] >= 1.0) phase[1] -= 1.0;
                double e = envelope.next();
                l = lp.run(saw * 0.8 + saw2 * 0.4) * e;
                r = lp2.run(saw * 0.4 + saw2 * 0.8) * e;
                break;
            }
            case INSTR_PAD: {
                // Three detuned saws, spread across the stereo field.
                static const double detune[3] = {0.996, 1.0, 1.0045};
                double sum_l = 0.0, sum_r = 0.0;
                for (int k = 0; k < 3; ++k) {
                    double dt = f0 * detune[k] / RATE;
                    double saw = 2.0 * phase[k] - 1.0 - poly_blep(phase[k], dt);
                    phase[k] += dt; if (phase[k] >= 1.0) phase[k] -= 1.0;
                    sum_l += saw * (k == 2 ? 0.4 : 1.0);
                    sum_r += saw * (k == 0 ? 0.4 : 1.0);
                }
                double e = envelope.next();
                l = lp.run(sum_l) * e;
                r = lp2.run(sum_r) * e;
                break;
            }
            case INSTR_KICK: {
                double f = 45.0 + 120.0 * fall_a.next();
                sine_phase = wrap(sine_phase + f / RATE);
                double amp = fall_b.next() * std::min(1.0, t / 0.0005);
                double click = t < 0.004 ? noise.next() * (1.0 - t / 0.004) * 0.3 : 0.0;
                l = r = soft_clip(1.5 * std::sin(2.0 * PI * sine_phase)) * amp + click;
                break;
            }
            case INSTR_SNARE: {
                double n = noise.next();
                double body = std::sin(2.0 * PI * sine_phase) * fall_a.next();
                sine_phase = wrap(sine_phase + (185.0 + 60.0 * fall_b.next()) / RATE);
                double hiss = lp.run(n - hp.run(n)) * fall_c.next();
                double amp = std::min(1.0, t / 0.0005);
                l = r = (0.55 * body + 0.8 * hiss) * amp;
                break;
            }
            case INSTR_HATS: {
                double n = noise.next();
                l = r = (n - hp.run(n)) * fall_a.next() * std::min(1.0, t / 0.0003);
                break;
            }
            default:
                break;
            }
            if (ducked) {
                duck *= duck_return;
                if (next_kick < kick_starts.size() && kick_starts[next_kick] == s) {
                    duck = 0.6;
                    ++next_kick;
                }
            }
            if (s < from)
                continue;
            const double g = gain * (0.35 + 0.65 * v.velocity) * (1.0 - duck);
            mix_left[static_cast<size_t>(s)] += static_cast<float>(l * g * gl);
            mix_right[static_cast<size_t>(s)] += static_cast<float>(r * g * gr);
            if (echo) {
                send_left[static_cast<size_t>(s)] += static_cast<float>(l * g * gl * 0.45);
                send_right[static_cast<size_t>(s)] += static_cast<float>(r * g * gr * 0.45);
            }
        }
    }
}

void Synth::apply_echo(double bpm)
{
    std::vector<float>& left_send = send_left;
    std::vector<float>& right_send = send_right;
    // Ping-pong echo of three quarters of a beat, mixed in behind the dry sound.
    const size_t delay = static_cast<size_t>(std::llround(0.75 * 60.0 / bpm * RATE));
    const float feedback = 0.38f;
    for (size_t s = delay; s < left_send.size(); ++s) {
        left_send[s] += right_send[s - delay] * feedback;
        right_send[s] += left_send[s - delay] * feedback;
    }
    for (size_t s = delay; s < left_send.size(); ++s) {
        mix_left[s] += right_send[s - delay];
        mix_right[s] += left_send[s - delay];
    }
}

void Synth::normalize(float peak_level)
{
    float peak = 0.0f;
    for (size_t i = 0; i < mix_left.size(); ++i)
        peak = std::max(peak, std::max(std::fabs(mix_left[i]), std::fabs(mix_right[i])));
    if (peak <= 0.0f)
        return;
    const float scale = peak_level / peak;
    for (size_t i = 0; i < mix_left.size(); ++i) {
        mix_left[i] *= scale;
        mix_right[i] *= scale;
    }
}

std::vector<int16_t> Synth::to_pcm16() const
{
    std::vector<int16_t> pcm(mix_left.size() * 2);
    auto convert = [](float x) {
        long v = std::lround(static_cast<double>(x) * 32767.0);
        return static_cast<int16_t>(std::max(-32768L, std::min(32767L, v)));
    };
    for (size_t i = 0; i < mix_left.size(); ++i) {
        pcm[2 * i] = convert(mix_left[i]);
        pcm[2 * i + 1] = convert(mix_right[i]);
    }
    return pcm;
}

} // namespace gen
