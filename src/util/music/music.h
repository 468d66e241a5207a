// The music: the one clock and audio object of the program.
//
// It plays the music file from memory through the audio layer, keeps a decode-only stream of
// the same bytes for the spectrum, holds the whole decoded track as interleaved floats (and,
// for capture, as 16-bit samples), and turns the playback position into rows (8 per beat),
// which index the sync tracks, and beats, the time every scene and effect runs on. It owns the
// link to the sync tracker, answers the named sync tracks, and answers note queries from the
// note data of the music description.
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "platform/bass/bass.h"
#include "util/music/synclink.h"

class NoteData;
struct NoteTrack;
class Modulator;
class TiXmlElement;

// One registered sync track. curve belongs to the sync link; null means a fixed value.
struct SyncTrackEntry {
    SyncCurve* curve;
    std::string name;
    float value;
};

class Music {
public:
    // path ends in ".mp3" or ".ogg" (an audio file) or ".xml" (a music description); case
    // does not matter. sync_mode 0 reads the sync tracks from ".track" files through the data
    // layer, any other value connects to the sync-tracker editor.
    Music(const char* path, float bpm, float beat_offset, bool preload_pcm, int sync_mode);
    virtual ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Decoding the whole track (and its float copy) takes a good part of start-up. With
    // background decoding on, load_stream reads the music's bytes and hands their decoding to a
    // second thread, so that the caller goes on loading meanwhile. Off by default: the streams,
    // format and buffers are then ready when load_stream returns. Process-wide; set before the
    // Music is made.
    static void set_background_decode(bool on);
    // Waits for a decoding started in the background; where it failed, makes its fatal report
    // here, on the calling thread. Every operation on the playback or the buffers below waits
    // for it first; the public streams, format and buffers may be read directly only after it.
    void wait_for_decode()
    {
        if (decoding.valid())
            finish_decode();
    }

    // Playback and clock.
    void load_stream(const std::string& path);
    void start();
    double get_row();
    float get_beat();
    std::uint64_t get_byte_position();
    // Seeks to the row. Once started, a music that played to its end (and was not paused)
    // plays on from the row: in editor mode the end does not end the run, and the editor
    // moves the position to go on.
    void set_row(int row);
    void set_time(float seconds);
    void set_byte_position(std::uint32_t position);
    void play();
    void pause();
    void toggle_pause();
    bool is_active();
    bool is_running();
    void set_volume(float volume);
    void update();
    // count floats of the track from the playback position; zeros past its end.
    void get_pcm(float* out, int count);
    // 1024 magnitudes at the playback position (see the audio layer for the scale).
    int get_spectrum(float* out);

    // Sync tracks.
    void add_sync_track(const std::string& name, float default_value, bool use_tracker);
    float get_sync_value(const std::string& name);

    // Note queries.
    int get_track_count();
    std::string get_track_name(int index);
    int find_track(const char* name);
    std::vector<NoteTrack> get_note_tracks(int track);
    std::vector<bool> get_note_states(int track);
    std::vector<float> get_onoff_times(int track);
    std::vector<float> get_onoff_times(const char* name);
    int get_controller_value(int track, int controller, float beat);
    std::vector<float> get_modulation(int track, float beat);

    // The music description and what it names.
    void load_description(const std::string& path);
    // The steps of the description: its note data, then each track's modulators.
    void load_note_data(const std::string& directory, const TiXmlElement* element);
    void load_track_modulators(const std::string& directory, const TiXmlElement* track_element);
    void load_midi(const std::string& path);
    void load_als(const std::string& path);
    void load_controller_template(const std::string& path, Modulator* modulator);

    WAVEFORMATEX wave_format;
    float* float_buffer;       // num_samples interleaved floats
    std::int16_t* u16_buffer;  // num_samples interleaved 16-bit samples, only with preload_pcm
    std::uint32_t num_samples; // interleaved samples of the decoded track
    NoteData* note_data;       // null without a music description
    float bpm;
    float beat_offset;
    int rows_per_beat;
    HSTREAM playback_stream;
    HSTREAM decode_stream;
    bool paused;
    bool preload_pcm;
    int sync_mode;
    SyncLink* sync_link;
    // The loopback port the editor mode dials (and redials when the link fails).
    int editor_port = SYNCLINK_EDITOR_PORT;
    std::vector<SyncTrackEntry> sync_tracks;
    char* music_data; // the music file's bytes (malloc'd by the data layer)

protected:
    // The playback stream's position in bytes, read and set. Every clock operation goes
    // through these two, so a test can drive the clock with positions of its own.
    virtual QWORD read_position();
    virtual bool write_position(QWORD bytes);

private:
    // Releases note_data (defined with the note queries, where NoteData is complete).
    void free_note_data();

    // A fatal report that the decoding would make: its line and message.
    struct DecodeFailure {
        int line = 0;
        std::string message;
    };
    // The decoding part of load_stream: the two streams, the format and the buffers made from
    // the size bytes of music_data. Touches nothing outside this object and the audio layer and
    // reports nothing: false with the failure to report.
    bool decode_music_data(const std::string& path, int size, DecodeFailure* failure);
    void finish_decode();

    // The decoding running in the background; invalid when there is none to wait for. Its
    // destructor waits for the thread.
    std::future<DecodeFailure> decoding;

    // Set by start: from then on a stopped stream means the music played to its end.
    bool started = false;
};

// The one Music object, set once its music is loaded, cleared when it goes.
extern Music* g_music;
