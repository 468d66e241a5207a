#include "scenes/scene_oscilloscope/oscilloscope.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include "util/fbo/fbo.h"
#include "util/music/music.h"

Oscilloscope::Oscilloscope() : samples() {}

void Oscilloscope::init()
{
    gl_caps.color_material = true;
    gl_caps.blend = false;
    gl_caps.depth_test = false;
    gl_caps.texture_2d = false;
    gl_caps.lighting = false;
}

void Oscilloscope::reshape(int w, int h)
{
    width = w;
    height = h;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Oscilloscope::render()
{
    // The music hands out zeros past its end, so the last frames draw a flat line.
    music->get_pcm(samples, SAMPLE_COUNT);
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    glLineWidth(1.0f);

    fbo->push(true);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
    // 512 points, each the sum of a pair of samples (the two channels of a stereo frame).
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < SAMPLE_COUNT; i += 2)
        glVertex2f(static_cast<float>(i) / SAMPLE_COUNT, (samples[i] + samples[i + 1]) * 0.75f);
    glEnd();
    fbo->pop();

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    fbo->draw();
}
