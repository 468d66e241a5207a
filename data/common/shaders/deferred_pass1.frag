// First pass of deferred shading into three colour attachments: the surface colour (the
// texture on unit 0 times the vertex colour), the eye-space normal mapped to 0..1, and the
// eye-space position with alpha 1 (alpha 0 marks the background).
#version 120

uniform sampler2D texture;

varying vec3 normal;
varying vec3 position;

void main()
{
    gl_FragData[0] = texture2D(texture, gl_TexCoord[0].st) * gl_Color;
    gl_FragData[1] = vec4(normalize(normal) * 0.5 + 0.5, 1.0);
    gl_FragData[2] = vec4(position, 1.0);
}
