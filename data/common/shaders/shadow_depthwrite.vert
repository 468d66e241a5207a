// Depth pass into a face of a light's shadow cube: only the position matters.
#version 120

void main()
{
    gl_Position = ftransform();
}
