// The front material's own colour without any light: diffuse plus emission, with the
// diffuse alpha (the glow pass; a material cleared to zero draws black).
#version 120

varying vec3 normal;
varying vec3 position;

void main()
{
    vec3 colour = gl_FrontMaterial.diffuse.rgb + gl_FrontMaterial.emission.rgb;
    gl_FragColor = vec4(colour, gl_FrontMaterial.diffuse.a);
}
