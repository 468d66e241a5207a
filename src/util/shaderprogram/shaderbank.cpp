#include "util/shaderprogram/shaderbank.h"

#include <sstream>

#include "util/error/fatal.h"

namespace {

const char* const SOURCE = "src\\util\\shaderprogram\\shaderbank";

struct SlotFiles {
    const char* vertex;
    const char* fragment;
};

const SlotFiles SLOT_FILES[ShaderBank::SLOT_COUNT] = {
    {"billboard.vert", "billboard.frag"},
    {"simple.vert", "black.frag"},
    {"simple.vert", "blocked.frag"},
    {"simple.vert", "blur.frag"},
    {"deferred_pass1.vert", "deferred_pass1.frag"},
    {"deferred_pass2.vert", "deferred_pass2.frag"},
    {"simple.vert", "dof.frag"},
    {"simple.vert", "dof_lod.frag"},
    {"", ""},
    {"simple.vert", "glitch.frag"},
    {"simple.vert", "radial_blur.frag"},
    {"multi_diffuse.vert", "multi_diffuse.frag"},
    {"multi_diffuse.vert", "multi_diffuse_2sided.frag"},
    {"multi_diffuse_bump.vert", "multi_diffuse_bump.frag"},
    {"multi_diffuse_bump.vert", "multi_diffuse_bump_2sided.frag"},
    {"multi_material_notex.vert", "multi_material_notex.frag"},
    {"multi_material_tex.vert", "multi_material_tex.frag"},
    {"multi_specular_bump.vert", "multi_specular_bump.frag"},
    {"multi_specular_bump_extratex.vert", "multi_specular_bump_extratex.frag"},
    {"nolight_cubemap.vert", "nolight_cubemap.frag"},
    {"simple.vert", "nolight_tex.frag"},
    {"shadow_depthwrite.vert", "shadow_depthwrite.frag"},
    {"shadow_ambient.vert", "shadow_ambient.frag"},
    {"shadow_ambient_tex.vert", "shadow_ambient_tex.frag"},
    {"shadow_cube_single_material_notex.vert", "shadow_cube_single_material_notex.frag"},
    {"shadow_cube_single_material_tex.vert", "shadow_cube_single_material_tex.frag"},
    {"shadow_single_material_notex.vert", "shadow_single_material_notex.frag"},
    {"single_diffuse.vert", "single_diffuse.frag"},
    {"single_diffuse_bump.vert", "single_diffuse_bump.frag"},
    {"single_diffuse_notex.vert", "single_diffuse_notex.frag"},
    {"single_material_notex.vert", "single_material_notex.frag"},
    {"single_material_tex.vert", "single_material_tex.frag"},
    {"single_specular_bump.vert", "single_specular_bump.frag"},
    {"none_material_notex.vert", "none_material_notex.frag"},
    {"none_material_tex.vert", "none_material_tex.frag"},
    {"twister.vert", "multi_specular_bump.frag"},
    {"", ""},
};

void check_slot(int slot)
{
    if (slot >= 0 && slot < ShaderBank::SLOT_COUNT) return;
    std::ostringstream message;
    message << "Shader bank slot " << slot << " is out of range 0.." << ShaderBank::SLOT_COUNT - 1;
    FATAL_ERROR(SOURCE, message.str());
}

} // namespace

ShaderBank::ShaderBank()
{
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        if (slot == SHADER_SLOT_EMPTY) continue;
        slots[slot] = new ShaderProgram(SLOT_FILES[slot].vertex, SLOT_FILES[slot].fragment, true);
    }
}

ShaderBank::~ShaderBank()
{
    for (ShaderProgram* program : slots) delete program;
}

ShaderProgram* ShaderBank::get_shader(int slot) const
{
    check_slot(slot);
    return slots[slot];
}

void ShaderBank::bind(int slot) const
{
    ShaderProgram* program = get_shader(slot);
    if (program == nullptr) {
        std::ostringstream message;
        message << "Shader bank slot " << slot << " holds no program";
        FATAL_ERROR(SOURCE, message.str());
    }
    program->bind();
}

const char* ShaderBank::vertex_file(int slot)
{
    check_slot(slot);
    return SLOT_FILES[slot].vertex;
}

const char* ShaderBank::fragment_file(int slot)
{
    check_slot(slot);
    return SLOT_FILES[slot].fragment;
}
