// Cube-mapped surfaces without light: the object-space position is the lookup direction
// (a box around the viewer shows the cube map as a sky).
#version 120

varying vec3 direction;

void main()
{
    direction = gl_Vertex.xyz;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
