// The cube map on unit 0 in the interpolated direction, times the vertex colour.
#version 120

uniform samplerCube cubemap;

varying vec3 direction;

void main()
{
    gl_FragColor = textureCube(cubemap, direction) * gl_Color;
}
