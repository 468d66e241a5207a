#include "scenes/scenelist.h"

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

Scene* make_show_scene(int index)
{
    switch (index) {
    case 0: return new QuorelIntro();
    case 1: return new OneInchFurther();
    case 2: return new RobotKu();
    case 3: return new PicturePuzzle();
    case 4: return new KuVits();
    case 5: return new Oscilloscope();
    case 6: return new StageLights();
    case 7: return new SkyboxWeirdness();
    case 8: return new MusicTunnel();
    case 9: return new SpectrumBoxes();
    case 10: return new QuorelAnnouncer();
    case 11: return new KuSlipp();
    case 12: return new KuCredits();
    case 13: return new KuTemp();
    default: return nullptr;
    }
}
