// Eye-space normal and position for per-pixel lighting; texture coordinate 0
// and the vertex colour pass through.
#version 120

varying vec3 normal;
varying vec3 position;

void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    position = vec3(gl_ModelViewMatrix * gl_Vertex);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
