#include "effects/oscilloscope/oscilloscopetrace.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <algorithm>
#include <new>

#include "util/error/fatal.h"
#include "util/fbo/fbo.h"
#include "util/music/music.h"

namespace {
const char* const SOURCE = "src\\effects\\oscilloscope";
}

OscilloscopeTrace::OscilloscopeTrace(FBO* target_fbo, Music* source) : target(target_fbo), music(source) {}

OscilloscopeTrace::~OscilloscopeTrace()
{
    for (float* buffer : buffers) delete[] buffer;
}

void OscilloscopeTrace::add_trace(int count, const Vector4& colour, float scale, float offset)
{
    if (count < 0) count = 0;
    float* tempbuf = new (std::nothrow) float[static_cast<size_t>(count) + 1];
    if (tempbuf == nullptr) FATAL_ERROR(SOURCE, null_text("tempbuf"));
    std::fill(tempbuf, tempbuf + count, 0.0f);
    buffers.push_back(tempbuf);
    counts.push_back(count);
    colours.push_back(colour);
    scales.push_back(scale);
    offsets.push_back(offset);
}

std::vector<float> OscilloscopeTrace::trace_points(const float* samples, int count, float offset)
{
    std::vector<float> points;
    for (int i = 0; i + 1 < count; i += 2) {
        points.push_back(static_cast<float>(i) / static_cast<float>(count));
        points.push_back((samples[i] + samples[i + 1]) * 0.75f + offset);
    }
    return points;
}

void OscilloscopeTrace::render(float)
{
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    target->push(true);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);

    if (buffers.empty()) add_trace(1024, Vector4(1.0f, 1.0f, 0.0f, 1.0f), 1.0f, 0.0f);

    for (size_t t = 0; t < buffers.size(); ++t) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0.0, 1.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        if (music != nullptr && counts[t] > 0) music->get_pcm(buffers[t], counts[t]);
        glColor4fv(colours[t].get_ptr());
        glLineWidth(2.0f);
        const std::vector<float> points = trace_points(buffers[t], counts[t], offsets[t]);
        glBegin(GL_LINE_STRIP);
        for (size_t p = 0; p + 1 < points.size(); p += 2) glVertex2f(points[p], points[p + 1]);
        glEnd();
    }
    target->pop();
}
