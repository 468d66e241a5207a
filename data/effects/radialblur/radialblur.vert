#version 120
// A full-screen quad: the picture's coordinates and the colour go through unchanged.
void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
