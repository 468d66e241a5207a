// The billboard's texture on unit 0 times the vertex colour; fully transparent texels are
// dropped so that they do not write depth.
#version 120

uniform sampler2D tex;

void main()
{
    vec4 colour = texture2D(tex, gl_TexCoord[0].st) * gl_Color;
    if (colour.a <= 0.0) discard;
    gl_FragColor = colour;
}
