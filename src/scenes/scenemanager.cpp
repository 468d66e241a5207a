#include "scenes/scenemanager.h"

#include <GL/glew.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

#include "effects/effect/postproc.h"
#include "effects/postproc/dither.h"
#include "effects/postproc/fade.h"
#include "effects/postproc/film.h"
#include "effects/postproc/hsl.h"
#include "effects/postproc/motionblur.h"
#include "effects/postproc/radblur.h"
#include "platform/runtime/crt_random.h"
#include "platform/win32/kernel.h"
#include "scenes/scene/scene.h"
#include "scenes/scenelist.h"
#include "util/ascii/asciiengine.h"
#include "util/data/loadingbar.h"
#include "util/error/fatal.h"
#include "util/error/log.h"
#include "util/fbo/fbo.h"
#include "util/frametimer/frametimer.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/text/text.h"

namespace {

const char* const SOURCE = "src\\scenes";
const char* const MUSIC_FILE = "data/common/music/tarnholm_quorel_system.xml";
const char* const CAPTURE_NAME = "Pellorvane";
const char* const SCENE_TRACKS[3] = {"ActiveScene1st", "ActiveScene2nd", "ActiveScene3rd"};

// A scene-selection value truncated toward zero (-0.5 selects scene 0). Values far outside the
// list, and NaN, select nothing without passing through an out-of-range conversion.
int scene_index(float value)
{
    if (!(value > -2.0f && value < 1.0e6f)) return -1;
    return static_cast<int>(value);
}

// Set once the one quit event at the end of the music is posted.
bool g_quit_posted = false;

} // namespace

bool SceneManager::quit_is_posted() { return g_quit_posted; }

void SceneManager::reset_state() { g_quit_posted = false; }

SceneManager::Sources SceneManager::Sources::show()
{
    Sources sources;
    sources.make_music = [](bool preload_pcm, int sync_mode) {
        return new Music(MUSIC_FILE, 145.0f, 0.0f, preload_pcm, sync_mode);
    };
    // The show's post effects in chain order (equal order values keep it). Each one added here
    // has its order track and its parameters' tracks registered below.
    sources.make_post_effects = [](std::vector<Effects::PostProc*>& effects) {
        effects.push_back(new Effects::Dither());
        effects.push_back(new Effects::Fade());
        effects.push_back(new Effects::Radblur());
        effects.push_back(new Effects::Hsl());
        effects.push_back(new Effects::Film());
        effects.push_back(new Effects::Motionblur());
    };
    sources.make_scene = make_show_scene;
    sources.scene_count = SCENE_COUNT;
    return sources;
}

SceneManager::SceneManager(int width, int height, float aspect_, bool dump_avi_, int new_sync_mode)
    : SceneManager(width, height, aspect_, dump_avi_, new_sync_mode, Sources::show())
{
}

SceneManager::SceneManager(int width, int height, float aspect_, bool dump_avi_, int new_sync_mode,
                           const Sources& sources_)
    : sources(sources_), text(nullptr), window_width(width), window_height(height),
      picture_width(width), picture_height(height), aspect(aspect_), music(nullptr), volume(1.0f),
      sync_mode(0), shader_bank(nullptr), scene_fbo(nullptr), ascii_engine(nullptr),
      frame_counter(0), dump_avi(dump_avi_), avi_writer(sources_.capture_file_byte_limit),
      capture_width(width), capture_height(height),
      capture_frame_rate(0), samples_per_frame(0), frame_buffer(nullptr)
{
    std::memset(key_state, 0, sizeof key_state);
    frame_info.clear();

    FrameTimer::init();
    text = new Text("data/common/fonts/courier_new.ttf", 48);
    shader_bank = new ShaderBank();
    scene_fbo = new FBO(512, 512, FBO_TYPE_COLOR_MIPMAP);
    frame_fbos.push_back(new FBO(512, 512, FBO_TYPE_COLOR));
    frame_fbos.push_back(new FBO(512, 512, FBO_TYPE_COLOR));
    ascii_engine = new AsciiEngine();

    sync_mode = new_sync_mode;
    music = sources.make_music(dump_avi, sync_mode);

    if (dump_avi) {
        std::string file_name = std::string(CAPTURE_NAME) + ".avi";
        capture_frame_rate = CAPTURE_FRAME_RATE;
        samples_per_frame = (static_cast<unsigned int>(music->wave_format.nChannels) *
                             music->wave_format.nSamplesPerSec) / CAPTURE_FRAME_RATE;
        if (!avi_writer.open(file_name.c_str(), static_cast<float>(CAPTURE_FRAME_RATE), -1, 100)) {
            fatal_error(SOURCE, 280, "Failed to open video file " + file_name);
        }
        avi_writer.set_video_size(capture_width, capture_height);
        frame_buffer = new unsigned char[static_cast<size_t>(capture_width) * static_cast<size_t>(capture_height) * 3];
        avi_writer.set_audio_format(music->wave_format);
        log_line("Dumping to video file " + file_name);
    }

    music->add_sync_track(SCENE_TRACKS[0], 0.0f, true);
    music->add_sync_track(SCENE_TRACKS[1], -1.0f, true);
    music->add_sync_track(SCENE_TRACKS[2], -1.0f, true);

    sources.make_post_effects(post_effects);
    for (Effects::PostProc* effect : post_effects) {
        post_order_tracks.push_back("pp" + effect->get_name());
        music->add_sync_track(post_order_tracks.back(), -1.0f, true);
        const std::vector<std::string>& names = effect->get_param_names();
        post_param_tracks.emplace_back();
        for (size_t j = 0; j < names.size(); ++j) {
            post_param_tracks.back().push_back("pp" + names[j]);
            music->add_sync_track(post_param_tracks.back().back(), effect->get_param(static_cast<int>(j)), true);
        }
    }

    resize(width, height);
    create_scenes();
}

void SceneManager::create_scenes()
{
    for (int index = 0; index < sources.scene_count; ++index) {
        Scene* scene = sources.make_scene(index);
        scenes.push_back(scene);
        if (scene == nullptr) continue;
        scene->set_time_range(0.0f, 5000.0f);
        scene->set_music(music);
        scene->set_shader_bank(shader_bank);
        scene->set_fbo(scene_fbo);
        scene->set_ascii_engine(ascii_engine);
        scene->set_frame_info(&frame_info);
        scene->set_aspect(aspect);
        scene->set_key_state(key_state);
        scene->init();
        scene->reshape(picture_width, picture_height);
        reset_gl_state();
    }
}

SceneManager::~SceneManager()
{
    for (Scene* scene : scenes) {
        if (scene == nullptr) continue;
        scene->release();
        delete scene;
    }
    scenes.clear();
    if (dump_avi) {
        delete[] frame_buffer;
        frame_buffer = nullptr;
        avi_writer.close();
        log_line("Finished AVI writing");
    }
    delete music;
    music = nullptr;
    // The GL objects go while the context still exists.
    for (Effects::PostProc* effect : post_effects) delete effect;
    post_effects.clear();
    delete ascii_engine;
    for (FBO* fbo : frame_fbos) delete fbo;
    frame_fbos.clear();
    delete scene_fbo;
    delete shader_bank;
    delete text;
}

std::pair<int, int> SceneManager::letterbox_size(int w, int h, float aspect)
{
    if (h == 0) h = 1;
    int picture_w;
    int picture_h;
    if (aspect < static_cast<float>(w) / static_cast<float>(h)) {
        picture_w = static_cast<int>(static_cast<double>(aspect) * h);
        picture_h = h;
    } else {
        picture_w = w;
        picture_h = static_cast<int>(w / static_cast<double>(aspect));
    }
    // A sliver of a window still gets a picture: an FBO side of 0 is incomplete.
    return std::make_pair(std::max(picture_w, 1), std::max(picture_h, 1));
}

void SceneManager::resize(int w, int h)
{
    if (h == 0) h = 1;
    window_width = w;
    window_height = h;
    std::pair<int, int> size = letterbox_size(w, h, aspect);
    picture_width = size.first;
    picture_height = size.second;

    scene_fbo->resize(picture_width, picture_height);
    ascii_engine->letterbox(picture_width, picture_height, aspect);
    for (FBO* fbo : frame_fbos) fbo->resize(picture_width, picture_height);
    text->Reshape(w, h);
}

void SceneManager::start()
{
    crt_srand(GetTickCount());
    LoadingBar::finish();
    volume = 1.0f;
    music->set_volume(volume);
    music->start();
    while (music->get_beat() < 0.0f) {
    }
    if (dump_avi) {
        music->set_byte_position(0);
        music->toggle_pause();
    }
}

void SceneManager::reset_gl_state()
{
    apply_gl_state(SceneGlCaps());
}

void SceneManager::post_quit()
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    g_quit_posted = true;
}

void SceneManager::draw_letterboxed(FBO* source)
{
    int x = (window_width - picture_width) / 2;
    int y = (window_height - picture_height) / 2;
    glViewport(x, y, picture_width, picture_height);
    glScissor(x, y, picture_width, picture_height);
    source->draw();
}

void SceneManager::render_frame()
{
    FrameTimer::tick();
    music->update();
    frame_info.set_frame(frame_counter);

    if (sync_mode == 0 && !g_quit_posted && !music->is_running()) post_quit();
    if (g_quit_posted) return;

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);

    render_scene_layers();
    render_post_chain();
    present_frame();
}

void SceneManager::render_scene_layers()
{
    int layers[3];
    for (int i = 0; i < 3; ++i) layers[i] = scene_index(music->get_sync_value(SCENE_TRACKS[i]));

    FBO* target = frame_fbos[0];
    target->push(true);
    for (int index : layers) {
        if (index < 0 || index >= static_cast<int>(scenes.size())) continue;
        Scene* scene = scenes[static_cast<size_t>(index)];
        if (scene == nullptr) continue; // a place the sources leave empty draws nothing
        scene->reset_gl_state();
        scene->reshape(target->get_width(), target->get_height());
        scene->render();
    }
    target->pop();
}

std::vector<std::pair<size_t, float>> SceneManager::active_post_effects() const
{
    std::vector<std::pair<size_t, float>> active;
    for (size_t i = 0; i < post_effects.size(); ++i) {
        float order = music->get_sync_value(post_order_tracks[i]);
        if (order >= 0.0f) active.emplace_back(i, order);
    }
    std::stable_sort(active.begin(), active.end(),
                     [](const std::pair<size_t, float>& a, const std::pair<size_t, float>& b) {
                         return a.second < b.second;
                     });
    return active;
}

void SceneManager::render_post_chain()
{
    const std::vector<std::pair<size_t, float>> active = active_post_effects();
    size_t cur = 0;
    if (active.empty()) {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        shader_bank->get_shader(SHADER_SLOT_PLAIN_TEXTURE)->bind();
        draw_letterboxed(frame_fbos[cur]);
        return;
    }
    // Each effect but the last draws into the other frame buffer; the last into the window.
    for (size_t k = 0; k < active.size(); ++k) {
        Effects::PostProc* effect = post_effects[active[k].first];
        const std::vector<std::string>& tracks = post_param_tracks[active[k].first];
        for (size_t j = 0; j < tracks.size(); ++j) {
            effect->set_param(static_cast<int>(j), music->get_sync_value(tracks[j]));
        }
        if (effect->leaves_picture_unchanged()) {
            // Nothing to draw: the picture goes on to the next pass as it is, or, after the
            // last, into the window as it would with no pass at all.
            if (k + 1 == active.size()) {
                reset_gl_state();
                glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
                shader_bank->get_shader(SHADER_SLOT_PLAIN_TEXTURE)->bind();
                draw_letterboxed(frame_fbos[cur]);
            }
            continue;
        }
        reset_gl_state();
        effect->prepare(picture_width, picture_height, music->get_beat(), frame_fbos[cur]);
        effect->set_uniforms(picture_width, picture_height, music->get_beat());
        if (k + 1 < active.size()) {
            size_t next = (cur + 1) % 2;
            frame_fbos[next]->push(true);
            frame_fbos[cur]->draw();
            frame_fbos[next]->pop();
            cur = next;
        } else {
            draw_letterboxed(frame_fbos[cur]);
        }
    }
}

void SceneManager::present_frame()
{
    bool captured = true;
    if (dump_avi) captured = capture_frame();
    if (!captured) {
        // The music's samples ran out before seeking stopped moving: this frame has no sound
        // left, so the capture ends here instead of writing an empty slice.
        post_quit();
        log_line("  Finished dumping, quit event posted");
        return;
    }

    SDL_GL_SwapBuffers();
    frame_counter += 1;

    if (dump_avi) advance_capture_clock();
}

bool SceneManager::capture_frame()
{
    std::uint64_t start = static_cast<std::uint64_t>(samples_per_frame) * static_cast<std::uint64_t>(frame_counter);
    std::uint64_t count = samples_per_frame;
    if (start + samples_per_frame >= music->num_samples) {
        count = start < music->num_samples ? music->num_samples - start : 0;
    }
    unsigned int channels = music->wave_format.nChannels;
    if (count / channels == 0) return false;

    // The buffer holds rows of exactly capture width x 3 bytes.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, capture_width, capture_height, GL_BGR, GL_UNSIGNED_BYTE, frame_buffer);
    if (!avi_writer.write_video_frame(frame_buffer)) fail_capture(589);

    if (!avi_writer.write_audio(music->u16_buffer + start, static_cast<int>(count / channels))) {
        fail_capture(599);
    }
    std::ostringstream line;
    line << "Dumped frame " << frame_counter << " and wrote " << count << " samples of audio";
    log_line(line.str());
    return true;
}

void SceneManager::fail_capture(int line)
{
    std::string cause = "Failed to write " + std::string(avi_writer.current_file_name());
    if (avi_writer.last_error() != 0) cause += ": " + std::string(std::strerror(avi_writer.last_error()));
    log_line(cause);
    // The report ends the process: the file being written is finished first, so that every
    // frame and sample in it so far stays readable.
    avi_writer.close();
    fatal_error(SOURCE, line, "Failed assert success");
}

void SceneManager::advance_capture_clock()
{
    std::uint64_t before = music->get_byte_position();
    music->set_time(static_cast<float>(frame_counter) / static_cast<float>(CAPTURE_FRAME_RATE));
    if (music->get_byte_position() == before) {
        post_quit();
        log_line("  Finished dumping, quit event posted");
    }
}

void SceneManager::set_mouse_capture(bool) {}
void SceneManager::on_key_down(int, int, int) {}
void SceneManager::on_key_up(int, int, int) {}
void SceneManager::on_mouse_motion(const SDL_MouseMotionEvent&) {}
void SceneManager::on_mouse_button(const SDL_MouseButtonEvent&) {}
