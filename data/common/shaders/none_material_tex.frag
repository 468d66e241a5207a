// The texture on unit 0 times the front material's own colour (diffuse plus emission)
// without any light (the glow pass; a material cleared to zero draws black).
#version 120

uniform sampler2D texture;

varying vec3 normal;
varying vec3 position;

void main()
{
    vec4 material = vec4(gl_FrontMaterial.diffuse.rgb + gl_FrontMaterial.emission.rgb,
                         gl_FrontMaterial.diffuse.a);
    gl_FragColor = texture2D(texture, gl_TexCoord[0].st) * material;
}
