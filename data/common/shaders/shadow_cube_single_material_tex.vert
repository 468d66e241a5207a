// Lighting pass of the shadowed render: eye-space normal and position for the light, and the
// vector from the light to the vertex in world axes (the camera's inverse view takes the
// eye-space position to the world, the light's translation puts the light at the origin),
// which is the lookup direction into the light's shadow cube.
#version 120

uniform mat4 camera_view_matrix_inv;
uniform mat4 light_view_matrix;

varying vec3 normal;
varying vec3 position;
varying vec3 light_vector;

void main()
{
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    normal = gl_NormalMatrix * gl_Normal;
    position = eye.xyz;
    light_vector = (light_view_matrix * (camera_view_matrix_inv * eye)).xyz;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
