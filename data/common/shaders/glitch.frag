// Digital glitch: bands of rows are shifted sideways by a pseudo-random amount that changes
// with time, and the red and blue channels are split apart by the same shift.
#version 120

uniform sampler2D tex;
uniform float time;
uniform float intensity;

float hash(float n)
{
    return fract(sin(n * 12.9898) * 43758.5453);
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    float band = floor(uv.y * 24.0);
    float frame = floor(time * 8.0);
    float shift = (hash(band + frame * 31.0) - 0.5) * intensity * 0.1;
    if (hash(band * 7.0 + frame) < 0.7) shift = 0.0;
    vec4 centre = texture2D(tex, vec2(uv.x + shift, uv.y));
    float red = texture2D(tex, vec2(uv.x + shift * 2.0, uv.y)).r;
    float blue = texture2D(tex, vec2(uv.x - shift, uv.y)).b;
    gl_FragColor = vec4(red, centre.g, blue, centre.a) * gl_Color;
}
