// A node of the renderer's transform tree. Parent, children and geometry are indices into
// the renderer's node and object lists, so the node holds no pointers.
#pragma once

#include <string>
#include <vector>

#include "util/math/matrix4.h"

class Node3D {
public:
    std::string name;
    Matrix4 transform;  // relative to the parent, multiplied onto the modelview
    int parent;         // -1 for the root
    int index = -1;     // own position in the renderer's node list, set by the renderer
    std::vector<int> children;
    std::vector<int> geometry;
    bool mirrored = false; // flips the front-face winding for this node and its subtree
    bool visible = true;   // the node's own objects are drawn
    bool enabled = true;   // the subtree (children and own objects) is drawn

    // The root: parent -1.
    Node3D();
    explicit Node3D(int parent_index);

    // Identity transform, not mirrored, visible, enabled, index -1; the parent stays.
    void reset();
};
