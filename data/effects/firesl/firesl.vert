#version 120
// The feedback pass: a full-target quad whose coordinates and colour go through unchanged.
void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
