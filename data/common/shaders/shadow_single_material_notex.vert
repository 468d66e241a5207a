// Lighting with a 2-D shadow map: eye-space normal and position for the light, and the
// fragment's coordinate in the shadow map (the camera's inverse view to the world, then the
// light's view and projection, then from -1..1 to 0..1).
#version 120

uniform mat4 camera_view_matrix_inv;
uniform mat4 light_view_matrix;
uniform mat4 light_projection_matrix;

varying vec3 normal;
varying vec3 position;
varying vec4 shadow_coord;

void main()
{
    const mat4 to_unit = mat4(0.5, 0.0, 0.0, 0.0,
                              0.0, 0.5, 0.0, 0.0,
                              0.0, 0.0, 0.5, 0.0,
                              0.5, 0.5, 0.5, 1.0);
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    normal = gl_NormalMatrix * gl_Normal;
    position = eye.xyz;
    shadow_coord = to_unit * light_projection_matrix * light_view_matrix *
                   camera_view_matrix_inv * eye;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
