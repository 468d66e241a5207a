#include "main/main.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <cstdlib>
#include <cstring>

#include "main/gl_entry_points.h"
#include "main/setup_dialog.h"
#include "main/startup_settings.h"
#include "platform/runtime/diagnostic_log.h"
#include "platform/win32/kernel.h"
#include "platform/win32/messagebox.h"
#include "scenes/scenemanager.h"
#include "util/data/datafile.h"
#include "util/data/loadingbar.h"
#include "util/error/fatal.h"
#include "util/error/log.h"
#include "util/music/music.h"

StartupSettings g_settings;

namespace {

const char* const SOURCE = "src\\main";

// Suppresses the motion event caused by the loop's own pointer warp.
unsigned char g_ignore_next_motion = 0;

// A display that lists no modes leaves the size unchosen: open the desktop's size then,
// or a plain 1280 x 720 where SDL does not know it.
void choose_size_when_unlisted()
{
    if (g_settings.width > 0 && g_settings.height > 0) return;
    const SDL_VideoInfo* video_info = SDL_GetVideoInfo();
    bool desktop_known = video_info != nullptr && video_info->current_w > 0 && video_info->current_h > 0;
    g_settings.width = desktop_known ? video_info->current_w : 1280;
    g_settings.height = desktop_known ? video_info->current_h : 720;
}

void redraw_loading_bar() { LoadingBar::draw(1.0f, false); }

} // namespace

void connect_loading_bar()
{
    DataFile::set_progress_callback(redraw_loading_bar);
    LoadingBar::set_progress_source(DataFile::packed_progress);
    LoadingBar::set_quit_cleanup(DataFile::delete_temp_files);
}

void before_setup_dialog() {}
void after_setup_dialog() {}

std::string missing_extensions_text(const std::vector<std::string>& missing)
{
    if (missing.empty()) return std::string();
    std::string text = missing.size() == 1 ? "Extension " : "Extensions ";
    for (size_t i = 0; i < missing.size(); ++i) {
        if (i > 0) text += ", ";
        text += missing[i];
    }
    text += " not supported, which means this demo probably won't run very well or at all. If "
            "you still want to risk it, press OK. \n\n(Side effects may include bubonic plague, "
            "outbreaks of cholera, Spontaneous Massive Existence Failures and other conditions "
            "too horrible for mere words. The author of this application does not take "
            "responsibility for any damages, injuries or death resulting from the erroneous use "
            "of this product.)";
    return text;
}

void check_gl_extensions()
{
    struct Required {
        const char* name;
        bool present;
    };
    const Required required[] = {
        {"GLEW_ARB_vertex_program", GLEW_ARB_vertex_program != 0},
        {"GLEW_ARB_fragment_program", GLEW_ARB_fragment_program != 0},
        {"GLEW_ARB_multitexture", GLEW_ARB_multitexture != 0},
        {"GLEW_ARB_vertex_shader", GLEW_ARB_vertex_shader != 0},
        {"GLEW_ARB_fragment_shader", GLEW_ARB_fragment_shader != 0},
        {"GLEW_ARB_multisample", GLEW_ARB_multisample != 0},
        {"GLEW_ARB_point_sprite", GLEW_ARB_point_sprite != 0},
        {"GLEW_EXT_texture_filter_anisotropic", GLEW_EXT_texture_filter_anisotropic != 0},
        {"GLEW_ARB_vertex_buffer_object", GLEW_ARB_vertex_buffer_object != 0},
        {"GLEW_EXT_framebuffer_object", GLEW_EXT_framebuffer_object != 0},
        {"GLEW_ARB_texture_non_power_of_two", GLEW_ARB_texture_non_power_of_two != 0},
        {"GLEW_ARB_texture_float", GLEW_ARB_texture_float != 0},
        {"GLEW_ARB_draw_buffers", GLEW_ARB_draw_buffers != 0},
        {"GLEW_ARB_depth_texture", GLEW_ARB_depth_texture != 0},
    };
    std::vector<std::string> missing;
    for (const Required& extension : required) {
        if (!extension.present) missing.push_back(extension.name);
    }
    if (missing.empty()) return;
    std::string text = missing_extensions_text(missing);
    if (MessageBoxA(nullptr, text.c_str(), "Missing extension(s)", MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK) {
        std::exit(1);
    }
}

void main_loop(SceneManager* manager)
{
    bool mouse_capture = (g_settings.video_flags & SDL_FULLSCREEN) != 0;
    manager->set_mouse_capture(mouse_capture);

    bool quit = false;
    while (!quit) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            switch (event.type) {
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE) {
                    quit = true;
                } else if (event.key.keysym.sym == SDLK_F12) {
                    mouse_capture = !mouse_capture;
                    manager->set_mouse_capture(mouse_capture);
                } else {
                    manager->on_key_down(event.key.keysym.sym, 0, 0);
                }
                break;
            case SDL_KEYUP:
                manager->on_key_up(event.key.keysym.sym, 0, 0);
                break;
            case SDL_MOUSEMOTION:
                if (g_ignore_next_motion) {
                    g_ignore_next_motion = 0;
                    break;
                }
                manager->on_mouse_motion(event.motion);
                if (mouse_capture) {
                    SDL_WarpMouse(static_cast<Uint16>(g_settings.width / 2),
                                  static_cast<Uint16>(g_settings.height / 2));
                    g_ignore_next_motion = 1;
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                manager->on_mouse_button(event.button);
                break;
            case SDL_VIDEORESIZE:
                manager->resize(event.resize.w, event.resize.h);
                break;
            case SDL_QUIT:
                quit = true;
                break;
            default:
                break;
            }
        }
        manager->render_frame();
    }
}

namespace {

// SDL video and the desktop's colour depth.
int init_video()
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fatal_error(SOURCE, 620, std::string("Video initialization failed: ") + SDL_GetError());
    }
    const SDL_VideoInfo* video_info = SDL_GetVideoInfo();
    return video_info != nullptr && video_info->vfmt != nullptr ? video_info->vfmt->BitsPerPixel
                                                                : 32;
}

// Opens the GL window with the chosen settings and builds the show with the data layer in
// the given mode; in write mode every asset loaded on the way is packed into the data file.
SceneManager* open_window_and_load(int bits_per_pixel, int data_mode)
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, g_settings.aa_samples >= 1 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, g_settings.aa_samples);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, g_settings.vsync);

    g_settings.video_flags |= SDL_OPENGL | SDL_RESIZABLE;
    if (g_settings.dump_avi) g_settings.video_flags &= ~static_cast<std::uint32_t>(SDL_FULLSCREEN);
    if (g_settings.sync_mode != 0) {
        g_settings.video_flags &= ~static_cast<std::uint32_t>(SDL_FULLSCREEN);
    }

    // putenv keeps the string it is given, so it lives on the heap for the whole process.
    putenv(strdup("SDL_VIDEO_CENTERED=1"));

    if (SDL_SetVideoMode(g_settings.width, g_settings.height, bits_per_pixel,
                         g_settings.video_flags) == nullptr) {
        fatal_error(SOURCE, 671, std::string("Video mode set failed: ") + SDL_GetError());
    }
    SDL_WM_SetCaption("Pellorvane", nullptr);

    GLenum glew_result = glewInit();
    if (glew_result != GLEW_OK) {
        fatal_error(SOURCE, 690,
                    std::string("GLEW Error: ") +
                        reinterpret_cast<const char*>(glewGetErrorString(glew_result)));
    }
    check_gl_extensions();
    // The show may go on without functions it calls: extensions the user accepted as missing,
    // or functions newer than any extension checked above.
    stand_in_for_missing_gl_functions();

    if (g_settings.video_flags & SDL_FULLSCREEN) SDL_ShowCursor(0);

    SDL_Event discarded;
    while (SDL_PollEvent(&discarded)) {
    }

    float aspect = static_cast<float>(g_settings.aspect_num) / static_cast<float>(g_settings.aspect_den);
    DataFile::set_mode(data_mode);
    connect_loading_bar();
    LoadingBar::init(g_settings.width, g_settings.height, aspect);
    DataFile::read(g_settings.data_file_name);
    LoadingBar::load_logo();

    SceneManager* manager = new SceneManager(g_settings.width, g_settings.height, aspect,
                                             g_settings.dump_avi, g_settings.sync_mode);
    // The music may still be decoding on its own thread; the show starts only once it is done
    // (a bad music ends the program here, with the music's report).
    manager->get_music()->wait_for_decode();
    DataFile::write(g_settings.data_file_name);
    return manager;
}

} // namespace

int SDL_main(int /*argc*/, char** /*argv*/)
{
    set_diagnostic_sink(log_line);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    int bits_per_pixel = init_video();

    before_setup_dialog();
    INT_PTR dialog_result = run_setup_dialog(instance, nullptr);
    // Run plays the show, Get avi captures it; Quit or a failed dialog ends here.
    if (dialog_result != SETUP_RUN && dialog_result != SETUP_GET_AVI) return 0;
    after_setup_dialog();
    choose_size_when_unlisted();

    // The music decodes on a second thread while the GL side loads. Capture reads the music's
    // format as soon as the music is made, so there it decodes in the foreground.
    Music::set_background_decode(!g_settings.dump_avi);
    SceneManager* manager = open_window_and_load(bits_per_pixel, DATAFILE_MODE_READ);
    manager->resize(g_settings.width, g_settings.height);
    manager->start();

    main_loop(manager);

    delete manager;
    DataFile::delete_temp_files();
    SDL_Quit();
    return 0;
}

int run_packer()
{
    set_diagnostic_sink(log_line);
    g_settings.width = 1280;
    g_settings.height = 720;
    g_settings.video_flags &= ~static_cast<std::uint32_t>(SDL_FULLSCREEN);
    int bits_per_pixel = init_video();
    SceneManager* manager = open_window_and_load(bits_per_pixel, DATAFILE_MODE_WRITE);
    delete manager;
    DataFile::delete_temp_files();
    SDL_Quit();
    return 0;
}
