// The show's scene table: one row a place. The place of a scene is its index in the table, the
// value the scene-selection tracks take to show it; the manager creates and loads the scenes in
// the table's order, which is also the order their files are packed in. The table has
// SceneManager::SCENE_COUNT rows.
#pragma once

class Scene;

// A new scene for the place, or null for a place outside the table.
Scene* make_show_scene(int place);
// The name of the scene at the place (its class name, as the tools and tests name it), or null
// for a place outside the table.
const char* show_scene_name(int place);
// The place of the scene of that name, or -1 where the table has none.
int show_scene_place(const char* name);
