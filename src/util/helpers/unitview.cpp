#include "util/helpers/unitview.h"

#include <GL/glew.h>
#include <GL/glu.h>

UnitView::UnitView(MatrixModeAfter after_) : after(after_)
{
    if (after == MODE_AS_BEFORE) glPushAttrib(GL_TRANSFORM_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
}

UnitView::~UnitView()
{
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    if (after == MODE_AS_BEFORE) glPopAttrib();
}

void set_unit_view()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

void textured_quad(const UnitRect& place, const UnitRect& part)
{
    const float right = place.x + place.width, top = place.y + place.height;
    const float s_right = part.x + part.width, t_top = part.y + part.height;
    glBegin(GL_QUADS);
    glTexCoord2f(part.x, part.y);
    glVertex2f(place.x, place.y);
    glTexCoord2f(s_right, part.y);
    glVertex2f(right, place.y);
    glTexCoord2f(s_right, t_top);
    glVertex2f(right, top);
    glTexCoord2f(part.x, t_top);
    glVertex2f(place.x, top);
    glEnd();
}
