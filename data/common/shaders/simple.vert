// Screen-space and plain passes: texture coordinate 0 and the vertex colour pass through.
#version 120

void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
