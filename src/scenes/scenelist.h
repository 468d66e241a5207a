// The show's fixed scene list: the place of a scene is its index on the scene-selection
// tracks.
#pragma once

class Scene;

// A new scene for the place index (0 to 13), or null for an index outside the list.
Scene* make_show_scene(int index);
