// The show's scene table: the place a selection track names is the scene of that row, and the
// row's name is the class it makes.
#include "scenes/scenelist.h"

#include <cxxabi.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>

#include "scenes/scene/scene.h"
#include "scenes/scenemanager.h"

namespace {

std::string class_name(const Scene& scene)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(typeid(scene).name(), nullptr, nullptr, &status);
    std::string name = status == 0 ? demangled : typeid(scene).name();
    std::free(demangled);
    return name;
}

} // namespace

TEST(SceneList, EachPlaceMakesTheSceneItsRowNames)
{
    ASSERT_GT(SceneManager::SCENE_COUNT, 0);
    std::set<std::string> names;
    for (int place = 0; place < SceneManager::SCENE_COUNT; ++place) {
        std::unique_ptr<Scene> scene(make_show_scene(place));
        ASSERT_NE(scene, nullptr) << "place " << place;
        const char* name = show_scene_name(place);
        ASSERT_NE(name, nullptr) << "place " << place;
        EXPECT_EQ(class_name(*scene), name) << "place " << place;
        EXPECT_TRUE(names.insert(name).second) << name << " has two places";
        EXPECT_EQ(show_scene_place(name), place) << name;
    }
}

TEST(SceneList, PlacesOutsideTheTableHoldNothing)
{
    for (int place : {-1, SceneManager::SCENE_COUNT, 1000}) {
        EXPECT_EQ(make_show_scene(place), nullptr) << "place " << place;
        EXPECT_EQ(show_scene_name(place), nullptr) << "place " << place;
    }
    EXPECT_EQ(show_scene_place("NoSuchScene"), -1);
}
