// Camera-facing quads: every corner of a quad arrives at the quad's centre, and the corner is
// made here from its place in the quad (the vertex number modulo 4) along the camera's right
// and up axes, size units wide. Texture coordinates pass through.
#version 130

uniform vec3 right;
uniform vec3 up;
uniform float size;

void main()
{
    int corner = gl_VertexID - (gl_VertexID / 4) * 4;
    vec2 offset;
    if (corner == 0) offset = vec2(-0.5, -0.5);
    else if (corner == 1) offset = vec2(0.5, -0.5);
    else if (corner == 2) offset = vec2(0.5, 0.5);
    else offset = vec2(-0.5, 0.5);
    vec3 position = gl_Vertex.xyz + (right * offset.x + up * offset.y) * size;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);
}
