// The 0..1 view that full-screen pictures and overlays are drawn in: x and y run from 0 at the
// lower left corner of the viewport to 1 at its upper right, whatever its size.
#pragma once

// A place in the 0..1 view, or a part of a texture in texture coordinates.
struct UnitRect {
    float x;
    float y;
    float width;
    float height;
};

// For the object's life the projection is the 0..1 orthographic view and the modelview the
// identity; both matrices are pushed on construction and popped on destruction.
class UnitView {
public:
    // What the matrix mode is once the view is gone: modelview, or the mode it was before (the
    // transform attributes are pushed and popped around the view as well).
    enum MatrixModeAfter { MODELVIEW_AFTER, MODE_AS_BEFORE };

    explicit UnitView(MatrixModeAfter after);
    ~UnitView();
    UnitView(const UnitView&) = delete;
    UnitView& operator=(const UnitView&) = delete;

private:
    MatrixModeAfter after;
};

// Replaces both matrices for good: the modelview by the identity, the projection by the 0..1
// view. The modelview mode is current afterwards.
void set_unit_view();

// One quad over the place, with the texture coordinates of the part's lower left corner at the
// place's lower left corner and those of its upper right corner at the place's upper right.
void textured_quad(const UnitRect& place, const UnitRect& part);
