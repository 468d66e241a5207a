// Depth pass into a face of a light's shadow cube: the depth test writes the depth; the
// colour goes nowhere (the face has no colour buffer).
#version 120

void main()
{
    gl_FragColor = vec4(1.0);
}
