#include "scenes/scene_quorelannouncer/quorelannouncer.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <algorithm>

#include "scenes/scene/picture.h"
#include "util/math/vector3.h"
#include "util/music/music.h"
#include "util/text/text.h"
#include "util/texture/texture.h"

namespace {

const char* const FONT = "data/common/fonts/LiberationMono-Regular.ttf";

const char* const PAGES[][2] = {
    {"TRC (Tarnholm Recycling Constant)",
     "The number of times an effect can be recycled before it's retired.        "
     "(a very large undetermined number)"},
    {"MALT (Minimum Animal Laugh Treshold) (time unit)",
     "The time it takes from you tell a cow the joke \"Why do cows have bells? Because the "
     "horns don't work\" until the cow laughs."},
    {"F*CK (Falling Star-Cow Kinetics unit) (distance unit)",
     "Drop a cow from a plane or mountain top. When the cow reaches terminal velocity, 1 F*CK "
     "equals the distance the cow drops in 1 MALT."},
    {"ROFL (Robot Or Food-item Light) (light unit)",
     "The amount of light needed to distinguish between a cow and a robot that looks like a "
     "cow."},
    {"FUN FACT:",
     "Your basic, standardized 1 MALT high giraffe emits exactly 1 ROFL light in vacuum."},
    {"BEER (Bathing, Expired or Extremely Refrigerated)", "-100 degrees BEER: Freezing cow."},
    {"BEER (Bathing, Expired or Extremely Refrigerated)",
     "0 degrees BEER: Ideal bath temperature for cows."},
    {"BEER (Bathing, Expired or Extremely Refrigerated)", "100 degrees BEER: Dead cow."},
};

// The page a track value names: truncated toward zero and kept within the pages, clamped
// while it is still a float so that no value (huge, infinite, not a number) overflows.
size_t page_index(float value, size_t page_count)
{
    const float last = static_cast<float>(page_count - 1);
    if (!(value >= 1.0f)) return 0;
    if (value >= last) return page_count - 1;
    return static_cast<size_t>(value);
}

// How many characters of a body of that length a progress value shows.
size_t typed_length(float progress, size_t length)
{
    if (!(progress > 0.0f)) return 0;
    const float p = std::min(progress, 1.0f);
    return std::min(static_cast<size_t>(static_cast<float>(length) * p), length);
}

} // namespace

QuorelAnnouncer::QuorelAnnouncer() = default;

QuorelAnnouncer::BodyLines QuorelAnnouncer::split_body(const std::string& body, size_t typed)
{
    BodyLines lines;
    typed = std::min(typed, body.size());
    if (typed < LINE_LENGTH) {
        lines.first = body.substr(0, typed);
        return lines;
    }
    size_t split = body.rfind(' ', LINE_LENGTH);
    size_t second_start = split + 1; // the blank is the break and is not shown
    if (split == std::string::npos) {
        split = LINE_LENGTH;
        second_start = split;
    }
    lines.first = body.substr(0, split);
    if (typed > split) {
        lines.second = body.substr(second_start, typed - split);
        lines.has_second = true;
    }
    return lines;
}

QuorelAnnouncer::~QuorelAnnouncer()
{
    delete body_text;
    delete title_text;
    delete cow;
    delete strip;
}

void QuorelAnnouncer::init()
{
    strip = load_picture("data/quorelannouncer/placeholder_2.png");
    cow = load_picture("data/quorelannouncer/forvirret_ku.png");
    for (const auto& page : PAGES)
        pages.emplace_back(page[0], page[1]);
    title_text = new Text(FONT, 32);
    body_text = new Text(FONT, 24);
    music->add_sync_track("maAnnouncement", 0.0f, true);
    music->add_sync_track("maProgress", 0.0f, true);
    music->add_sync_track("maFade", 1.0f, true);
}

void QuorelAnnouncer::reshape(int w, int h)
{
    Scene::reshape(w, h);
    title_text->Reshape(w, h);
    body_text->Reshape(w, h);
}

void QuorelAnnouncer::render()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float alpha = music->get_sync_value("maFade");
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    strip->draw(0.0f, 0.0f, 1.0f, 0.2f);
    cow->draw_keep_aspect(0.85f, 0.0f, 0.15f, aspect);

    begin_pixel_overlay();

    const auto& page = pages[page_index(music->get_sync_value("maAnnouncement"), pages.size())];
    const Vector3 black(0.0f, 0.0f, 0.0f);
    title_text->print_shadowed(0.06f, 0.12f, 0.2f, black, Vector3(1.0f, 1.0f, 0.0f), alpha, "%s",
                               page.first.c_str());

    const std::string& body = page.second;
    const BodyLines lines = split_body(body, typed_length(music->get_sync_value("maProgress"), body.size()));
    const Vector3 grey(0.5f, 0.5f, 0.5f);
    body_text->print_shadowed(0.06f, 0.08f, 0.2f, black, grey, alpha, "%s", lines.first.c_str());
    if (lines.has_second)
        body_text->print_shadowed(0.06f, 0.04f, 0.2f, black, grey, alpha, "%s", lines.second.c_str());
}
