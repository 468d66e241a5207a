// Ambient pre-pass of the shadowed render for textured objects: the front material's
// emission plus its ambient colour under the global ambient light, modulating the texture
// on unit 0.
#version 120

uniform sampler2D texture;

varying vec3 normal;
varying vec3 position;

void main()
{
    vec4 texel = texture2D(texture, gl_TexCoord[0].st);
    gl_FragColor = vec4(gl_FrontLightModelProduct.sceneColor.rgb * texel.rgb,
                        gl_FrontMaterial.diffuse.a * texel.a);
}
