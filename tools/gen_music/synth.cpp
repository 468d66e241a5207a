#include "synth.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

namespace gen {

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double RATE = SAMPLE_RATE;

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

// What one sounding note carries from sample to sample.
struct VoiceState {
    VoiceState(const Envelope& env, int64_t held, uint32_t seed, double tau_a, double tau_b,
               double tau_c)
        : noise(seed), envelope(env, held), fall_a(tau_a), fall_b(tau_b), fall_c(tau_c)
    {
    }

    Noise noise;
    OnePole lp, lp2, hp;
    double phase[3] = {0.0, 0.33, 0.66};
    double sine_phase = 0.0;
    double f0 = 0.0;
    EnvelopeRunner envelope;
    Decay fall_a, fall_b, fall_c; // the falling envelopes of the drums
    double wobble_seconds = 1.0;  // the siren's wobble period
    double wobble_factor = 1.0;
};

// One output sample of a voice, left and right, offset samples (t seconds) after its start.
typedef void (*SampleFunction)(VoiceState& v, int64_t offset, double t, double& l, double& r);

// Square with a little octave-up square on top.
void beeper_sample(VoiceState& v, int64_t, double, double& l, double& r)
{
    double dt = v.f0 / RATE;
    double sq = (v.phase[0] < 0.5 ? 1.0 : -1.0) + poly_blep(v.phase[0], dt) -
                poly_blep(wrap(v.phase[0] + 0.5), dt);
    double dt2 = 2.0 * dt;
    double sq2 = (v.phase[1] < 0.5 ? 1.0 : -1.0) + poly_blep(v.phase[1], dt2) -
                 poly_blep(wrap(v.phase[1] + 0.5), dt2);
    v.phase[0] += dt; if (v.phase[0] >= 1.0) v.phase[0] -= 1.0;
    v.phase[1] += dt2; if (v.phase[1] >= 1.0) v.phase[1] -= 1.0;
    double x = v.lp.run(sq + 0.3 * sq2) * v.envelope.next();
    l = r = x;
}

void sub_sample(VoiceState& v, int64_t, double, double& l, double& r)
{
    double x = std::sin(2.0 * PI * v.sine_phase);
    v.sine_phase = wrap(v.sine_phase + v.f0 / RATE);
    x = soft_clip(1.8 * x) * 0.8 + 0.2 * std::sin(4.0 * PI * v.sine_phase);
    x *= v.envelope.next();
    l = r = x;
}

// Saw whose pitch wobbles up to five semitones, starting low at the note-on.
void sirene_sample(VoiceState& v, int64_t offset, double t, double& l, double& r)
{
    if (offset % 16 == 0) {
        double lfo = 0.5 * std::sin(2.0 * PI * t / v.wobble_seconds - PI / 2) + 0.5;
        v.wobble_factor = std::exp2(5.0 * lfo / 12.0);
    }
    double f = v.f0 * v.wobble_factor;
    double dt = f / RATE;
    double saw = 2.0 * v.phase[0] - 1.0 - poly_blep(v.phase[0], dt);
    double saw2 = 2.0 * v.phase[1] - 1.0 - poly_blep(v.phase[1], dt * 1.006);
    v.phase[0] += dt; if (v.phase[0] >= 1.0) v.phase[0] -= 1.0;
    v.phase[1] += dt * 1.006; if (v.phase[1] >= 1.0) v.phase[1] -= 1.0;
    double e = v.envelope.next();
    l = v.lp.run(saw) * e;
    r = v.lp2.run(saw2) * e;
}

// Two saws a few cents apart, with a vibrato that comes in after the attack.
void lead_sample(VoiceState& v, int64_t, double t, double& l, double& r)
{
    double vibrato = 1.0 + 0.004 * std::min(1.0, t / 0.3) * std::sin(2.0 * PI * 5.5 * t);
    double dt = v.f0 * vibrato / RATE;
    double saw = 2.0 * v.phase[0] - 1.0 - poly_blep(v.phase[0], dt);
    double saw2 = 2.0 * v.phase[1] - 1.0 - poly_blep(v.phase[1], dt * 1.005);
    v.phase[0] += dt; if (v.phase[0] >= 1.0) v.phase[0] -= 1.0;
    v.phase[1] += dt * 1.005; if (v.phase[1] >= 1.0) v.phase[1] -= 1.0;
    double e = v.envelope.next();
    l = v.lp.run(saw * 0.8 + saw2 * 0.4) * e;
    r = v.lp2.run(saw * 0.4 + saw2 * 0.8) * e;
}

// Three detuned saws, spread across the stereo field.
void pad_sample(VoiceState& v, int64_t, double, double& l, double& r)
{
    static const double detune[3] = {0.996, 1.0, 1.0045};
    double sum_l = 0.0, sum_r = 0.0;
    for (int k = 0; k < 3; ++k) {
        double dt = v.f0 * detune[k] / RATE;
        double saw = 2.0 * v.phase[k] - 1.0 - poly_blep(v.phase[k], dt);
        v.phase[k] += dt; if (v.phase[k] >= 1.0) v.phase[k] -= 1.0;
        sum_l += saw * (k == 2 ? 0.4 : 1.0);
        sum_r += saw * (k == 0 ? 0.4 : 1.0);
    }
    double e = v.envelope.next();
    l = v.lp.run(sum_l) * e;
    r = v.lp2.run(sum_r) * e;
}

void kick_sample(VoiceState& v, int64_t, double t, double& l, double& r)
{
    double f = 45.0 + 120.0 * v.fall_a.next();
    v.sine_phase = wrap(v.sine_phase + f / RATE);
    double amp = v.fall_b.next() * std::min(1.0, t / 0.0005);
    double click = t < 0.004 ? v.noise.next() * (1.0 - t / 0.004) * 0.3 : 0.0;
    l = r = soft_clip(1.5 * std::sin(2.0 * PI * v.sine_phase)) * amp + click;
}

void snare_sample(VoiceState& v, int64_t, double t, double& l, double& r)
{
    double n = v.noise.next();
    double body = std::sin(2.0 * PI * v.sine_phase) * v.fall_a.next();
    v.sine_phase = wrap(v.sine_phase + (185.0 + 60.0 * v.fall_b.next()) / RATE);
    double hiss = v.lp.run(n - v.hp.run(n)) * v.fall_c.next();
    double amp = std::min(1.0, t / 0.0005);
    l = r = (0.55 * body + 0.8 * hiss) * amp;
}

void hats_sample(VoiceState& v, int64_t, double t, double& l, double& r)
{
    double n = v.noise.next();
    l = r = (n - v.hp.run(n)) * v.fall_a.next() * std::min(1.0, t / 0.0003);
}

// One instrument, chosen by its track's name.
struct Instrument {
    const char* name;
    Envelope env;
    double gain;
    double tail;          // fixed length of one-shot drums, seconds; 0: the envelope's tail
    bool echo;            // feeds the echo
    bool ducked;          // dips at every kick and swells back, making room for the kick drum
    double pan_odd;       // place in the stereo field (0 left, 1 right) of odd-numbered notes
    double pan_even;      // and of even-numbered ones
    double lp_cutoff;     // filter cutoffs in Hz; 0: the filter passes everything
    double lp2_cutoff;
    double hp_cutoff;
    double tau_a, tau_b, tau_c; // time constants of the falling envelopes, seconds
    double open_tau_a;    // tau_a of the open hat (pitch 46); 0: as every note
    SampleFunction sample;
};

constexpr Envelope DRUM_ENV{0.001, 0.05, 0.6, 0.02}; // unused: drums have a fixed tail

const Instrument INSTRUMENTS[] = {
    // name         envelope                   gain   tail  echo   ducked pan          lp      lp2     hp      tau a, b, c          open   sample
    {"Rave beeper", {0.001, 0.06, 0.55, 0.015}, 0.22,  0.0,  false, false, 0.35, 0.65, 5200.0, 0.0,    0.0,    0.028, 0.17, 1.0,   0.0,   beeper_sample},
    {"Sub",         {0.003, 0.2, 0.8, 0.012},   0.42,  0.0,  false, false, 0.5, 0.5,   0.0,    0.0,    0.0,    0.028, 0.17, 1.0,   0.0,   sub_sample},
    {"Sirene",      {0.04, 0.5, 0.85, 0.08},    0.10,  0.0,  true,  true,  0.5, 0.5,   3800.0, 0.0,    0.0,    0.028, 0.17, 1.0,   0.0,   sirene_sample},
    {"Kick",        DRUM_ENV,                   0.75,  0.45, false, false, 0.5, 0.5,   0.0,    0.0,    0.0,    0.028, 0.17, 1.0,   0.0,   kick_sample},
    {"Snare",       DRUM_ENV,                   0.32,  0.22, false, false, 0.48, 0.48, 7000.0, 0.0,    900.0,  0.045, 0.01, 0.07,  0.0,   snare_sample},
    {"Hats",        DRUM_ENV,                   0.09,  0.12, false, false, 0.6, 0.6,   0.0,    0.0,    7000.0, 0.018, 0.17, 1.0,   0.06,  hats_sample},
    {"Pad",         {0.35, 1.0, 0.8, 0.25},     0.055, 0.0,  true,  true,  0.5, 0.5,   1700.0, 2600.0, 0.0,    0.028, 0.17, 1.0,   0.0,   pad_sample},
    {"Lead",        {0.006, 0.3, 0.7, 0.09},    0.085, 0.0,  true,  false, 0.5, 0.5,   3000.0, 3000.0, 0.0,    0.028, 0.17, 1.0,   0.0,   lead_sample},
};

const Instrument* instrument_for(const std::string& name)
{
    for (const Instrument& instrument : INSTRUMENTS) {
        if (name == instrument.name) return &instrument;
    }
    return nullptr;
}

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
    const Instrument* instrument = instrument_for(track.name);
    if (instrument == nullptr)
        return;
    const double beat_seconds = 60.0 / bpm;
    const double duck_return = std::exp(-1.0 / (0.09 * RATE));
    const double tail = instrument->tail;

    uint32_t note_index = 0;
    for (const SongNote& note : track.notes) {
        ++note_index;
        Voice v;
        v.start = tick_to_sample(note.start, bpm);
        v.held = tick_to_sample(note.start + note.length, bpm) - v.start;
        double tail_seconds = tail > 0.0 ? tail : instrument->env.tail();
        v.length = (tail > 0.0 ? 0 : v.held) + static_cast<int64_t>(tail_seconds * RATE);
        v.velocity = note.velocity / 127.0;
        v.pitch = note.pitch;
        v.seed = 0x1234567u * note_index + static_cast<uint32_t>(note.pitch) * 7919u +
                 static_cast<uint32_t>(track.channel) * 104729u;
        int64_t end = std::min(to, v.start + v.length);
        if (v.start >= to || end <= from)
            continue;

        const double pan = (note_index % 2) ? instrument->pan_odd : instrument->pan_even;
        const double gl = std::cos(pan * PI / 2) * 1.41421356, gr = std::sin(pan * PI / 2) * 1.41421356;
        const double tau_a =
            instrument->open_tau_a > 0.0 && v.pitch == 46 ? instrument->open_tau_a : instrument->tau_a;
        VoiceState state(instrument->env, v.held, v.seed, tau_a, instrument->tau_b, instrument->tau_c);
        state.f0 = pitch_hz(v.pitch);
        if (instrument->lp_cutoff > 0.0) state.lp.set_cutoff(instrument->lp_cutoff);
        if (instrument->lp2_cutoff > 0.0) state.lp2.set_cutoff(instrument->lp2_cutoff);
        if (instrument->hp_cutoff > 0.0) state.hp.set_cutoff(instrument->hp_cutoff);
        // The wobble controller in force at the note-on.
        int wobble = 20;
        for (const SongController& c : track.controllers)
            if (c.number == WOBBLE_CONTROLLER && c.tick <= note.start)
                wobble = c.value;
        state.wobble_seconds = wobble_period_beats(wobble) * beat_seconds;

        size_t next_kick = static_cast<size_t>(
            std::lower_bound(kick_starts.begin(), kick_starts.end(), v.start) - kick_starts.begin());
        double duck = 0.0; // depth of the dip, falling back towards 0
        for (int64_t s = v.start; s < end; ++s) {
            const double t = static_cast<double>(s - v.start) / RATE;
            double l = 0.0, r = 0.0;
            instrument->sample(state, s - v.start, t, l, r);
            if (instrument->ducked) {
                duck *= duck_return;
                if (next_kick < kick_starts.size() && kick_starts[next_kick] == s) {
                    duck = 0.6;
                    ++next_kick;
                }
            }
            if (s < from)
                continue;
            const double g = instrument->gain * (0.35 + 0.65 * v.velocity) * (1.0 - duck);
            mix_left[static_cast<size_t>(s)] += static_cast<float>(l * g * gl);
            mix_right[static_cast<size_t>(s)] += static_cast<float>(r * g * gr);
            if (instrument->echo) {
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
