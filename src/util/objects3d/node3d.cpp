#include "util/objects3d/node3d.h"

Node3D::Node3D() : Node3D(-1) {}

Node3D::Node3D(int parent_index) : parent(parent_index) { reset(); }

void Node3D::reset()
{
    transform.set_identity();
    mirrored = false;
    visible = true;
    enabled = true;
    index = -1;
}
