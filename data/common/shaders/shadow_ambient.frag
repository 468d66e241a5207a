// Ambient pre-pass of the shadowed render: the front material's emission plus its ambient
// colour under the global ambient light; alpha is the material's diffuse alpha.
#version 120

varying vec3 normal;
varying vec3 position;

void main()
{
    gl_FragColor = vec4(gl_FrontLightModelProduct.sceneColor.rgb, gl_FrontMaterial.diffuse.a);
}
