// Modulators turn a note's latest on and off times into a control value: an envelope, an
// oscillator or an arpeggiator. Every time and length is in beats. A modulator's length can
// follow a MIDI controller through its controller template.
#pragma once

#include <cstdint>
#include <vector>

enum ModulatorType {
    MOD_TYPE_ADSR = 0,
    MOD_TYPE_LFO = 1,
    MOD_TYPE_ARP = 2,
};

// Controller ranges and the length each one selects. A range covers the values v with
// min < v <= max.
struct ControllerTemplate {
    std::vector<uint8_t> min;
    std::vector<uint8_t> max;
    std::vector<float> value;

    void add(uint8_t range_min, uint8_t range_max, float range_value);

    // The value of the first range whose max is at least v; fallback when no range reaches v.
    // A value at or below that range's min is fatal.
    float lookup(uint8_t v, float fallback) const;
};

// numerator / denominator of a whole note (4 beats), two thirds of it for a triplet; 0 for a
// denominator of 0.
float note_length(int numerator, int denominator, bool triplet);

class Modulator {
public:
    Modulator();
    virtual ~Modulator() = default;

    // note_on and note_off are the latest on and off times of the note, -1 when there is
    // none; the note is held when note_off < note_on.
    virtual float get_value(float bpm, float beat, float note_off, float note_on);

    int get_type() const { return type; }
    int get_controller() const { return controller; }
    float get_intensity() const { return intensity; }
    float get_length() const { return length; }
    const ControllerTemplate& get_template() const { return controller_template; }

    void set_intensity(float value) { intensity = value; }
    void add_range(int min, int max, int numerator, int denominator, bool triplet);
    void set_controller_value(int v);

protected:
    int controller = -1;
    int type = MOD_TYPE_ADSR;
    float intensity = 1.0f;
    float length = 0.0f;
    ControllerTemplate controller_template;
};
