// Depth of field through the mipmap chain: the farther the depth on unit 1 lies from the
// focus depth, the coarser the level of the picture on unit 0 that is read (a bias of up to
// five levels over the level the picture's own size selects).
#version 120

uniform sampler2D tex;
uniform sampler2D depth;
uniform float focus;
uniform float range;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    float blur = clamp(abs(texture2D(depth, uv).r - focus) * range, 0.0, 1.0);
    gl_FragColor = texture2D(tex, uv, blur * 5.0) * gl_Color;
}
