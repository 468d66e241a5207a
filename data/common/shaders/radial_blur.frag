// Radial blur: sixteen samples along the line from the pixel towards origin, the farthest
// strength of the way there, averaged and times the vertex colour.
#version 120

uniform sampler2D tex;
uniform vec2 origin;
uniform float strength;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec2 step = (origin - uv) * strength / 15.0;
    vec4 sum = vec4(0.0);
    for (int i = 0; i < 16; ++i) {
        sum += texture2D(tex, uv + step * float(i));
    }
    gl_FragColor = sum / 16.0 * gl_Color;
}
