#include "scenes/scene/blurredlayer.h"

#include <GL/glew.h>

#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderbank.h"

BlurredLayer::~BlurredLayer()
{
    delete picture;
}

void BlurredLayer::draw(const ShaderBank& bank, const std::function<void()>& draw_picture)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0) return;
    if (picture == nullptr || picture->get_width() != viewport[2] || picture->get_height() != viewport[3]) {
        delete picture;
        picture = new FBO(viewport[2], viewport[3], FBO_TYPE_COLOR);
        // The blurred picture alone, unblended, over transparent black: where the picture
        // does not reach, the kept one adds nothing.
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_SCISSOR_BIT);
        glDisable(GL_BLEND);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        picture->push(true);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        bank.bind(SHADER_SLOT_BLUR);
        draw_picture();
        picture->pop();
        glPopAttrib();
        glColor4fv(colour);
    }
    // Pixel for pixel: the kept picture has the viewport's size.
    bank.bind(SHADER_SLOT_PLAIN_TEXTURE);
    picture->draw();
}
