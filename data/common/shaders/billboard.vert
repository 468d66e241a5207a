// Camera-facing quads: every corner of a quad arrives at the quad's centre, and the corner is
// made here from its texture coordinates (0..1 across and up the quad, centred on 0.5) along
// the camera's right and up axes, size units wide. Texture coordinates pass through.
#version 120

uniform vec3 right;
uniform vec3 up;
uniform float size;

void main()
{
    vec2 offset = gl_MultiTexCoord0.st - vec2(0.5);
    vec3 position = gl_Vertex.xyz + (right * offset.x + up * offset.y) * size;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);
}
