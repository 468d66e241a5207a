#include "scenes/scenelist.h"

#include <cstring>
#include <iterator>

#include "scenes/scene/scene.h"
#include "scenes/scene_kucredits/kucredits.h"
#include "scenes/scene_kuslipp/kuslipp.h"
#include "scenes/scene_kutemp/kutemp.h"
#include "scenes/scene_kuvits/kuvits.h"
#include "scenes/scene_musictunnel/musictunnel.h"
#include "scenes/scene_oneinchfurther/oneinchfurther.h"
#include "scenes/scene_oscilloscope/oscilloscope.h"
#include "scenes/scene_picturepuzzle/picturepuzzle.h"
#include "scenes/scene_quorelannouncer/quorelannouncer.h"
#include "scenes/scene_quorelintro/quorelintro.h"
#include "scenes/scene_robotku/robotku.h"
#include "scenes/scene_skyboxweirdness/skyboxweirdness.h"
#include "scenes/scene_spectrumboxes/spectrumboxes.h"
#include "scenes/scene_stagelights/stagelights.h"
#include "scenes/scenemanager.h"

namespace {

struct ShowScene {
    const char* name; // the scene's class name
    Scene* (*make)();
};

template <class SceneType>
Scene* make()
{
    return new SceneType();
}

// In place order. A row put between two others moves every later place up by one, and the
// scene-selection keys of the timeline with it.
const ShowScene SHOW_SCENES[] = {
    {"QuorelIntro", make<QuorelIntro>},
    {"OneInchFurther", make<OneInchFurther>},
    {"RobotKu", make<RobotKu>},
    {"PicturePuzzle", make<PicturePuzzle>},
    {"KuVits", make<KuVits>},
    {"Oscilloscope", make<Oscilloscope>},
    {"StageLights", make<StageLights>},
    {"SkyboxWeirdness", make<SkyboxWeirdness>},
    {"MusicTunnel", make<MusicTunnel>},
    {"SpectrumBoxes", make<SpectrumBoxes>},
    {"QuorelAnnouncer", make<QuorelAnnouncer>},
    {"KuSlipp", make<KuSlipp>},
    {"KuCredits", make<KuCredits>},
    {"KuTemp", make<KuTemp>},
};

} // namespace

// Defined beside the table as its size, so that a row added is the whole change; a constant
// expression, so it holds before any code runs.
const int SceneManager::SCENE_COUNT = static_cast<int>(std::size(SHOW_SCENES));

Scene* make_show_scene(int place)
{
    if (place < 0 || place >= SceneManager::SCENE_COUNT) return nullptr;
    return SHOW_SCENES[place].make();
}

const char* show_scene_name(int place)
{
    if (place < 0 || place >= SceneManager::SCENE_COUNT) return nullptr;
    return SHOW_SCENES[place].name;
}

int show_scene_place(const char* name)
{
    for (int place = 0; place < SceneManager::SCENE_COUNT; ++place)
        if (std::strcmp(SHOW_SCENES[place].name, name) == 0) return place;
    return -1;
}
