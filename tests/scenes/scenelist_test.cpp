// The show's scene list: the place a selection track names is the scene the show puts there.
#include "scenes/scenelist.h"

#include <gtest/gtest.h>
#include <memory>
#include <typeinfo>

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

TEST(SceneList, EachPlaceMakesItsOwnSceneAndOtherPlacesNone)
{
    const std::type_info* const places[] = {
        &typeid(QuorelIntro),     &typeid(OneInchFurther), &typeid(RobotKu),         &typeid(PicturePuzzle),
        &typeid(KuVits),          &typeid(Oscilloscope),   &typeid(StageLights),     &typeid(SkyboxWeirdness),
        &typeid(MusicTunnel),     &typeid(SpectrumBoxes),  &typeid(QuorelAnnouncer), &typeid(KuSlipp),
        &typeid(KuCredits),       &typeid(KuTemp),
    };
    for (int place = 0; place < 14; ++place) {
        std::unique_ptr<Scene> scene(make_show_scene(place));
        ASSERT_NE(scene, nullptr) << "place " << place;
        const Scene& made = *scene;
        EXPECT_EQ(typeid(made), *places[place]) << "place " << place;
    }
    for (int place : {-1, 14, 1000}) EXPECT_EQ(make_show_scene(place), nullptr) << "place " << place;
}
