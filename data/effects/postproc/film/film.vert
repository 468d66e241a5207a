// Full-screen pass: the picture's coordinates and the vertex colour go through unchanged.
void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
