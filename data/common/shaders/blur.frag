// A 5 x 5 binomial blur of the texture on unit 0 (taps two screen pixels apart, each tap
// itself a bilinear average), times the vertex colour. The weights sum to one, so flat areas
// keep their colour. The step is one screen pixel measured in texture coordinates (the
// screen-space derivative of the coordinates), so the blur needs no uniform and a picture
// drawn at its own size is blurred texel by texel.
#version 120

uniform sampler2D tex;

void main()
{
    vec2 pixel = fwidth(gl_TexCoord[0].st);
    float weights[5];
    weights[0] = 1.0;
    weights[1] = 4.0;
    weights[2] = 6.0;
    weights[3] = 4.0;
    weights[4] = 1.0;
    vec4 sum = vec4(0.0);
    for (int j = 0; j < 5; ++j) {
        for (int i = 0; i < 5; ++i) {
            vec2 offset = vec2(float(i - 2), float(j - 2)) * 2.0 * pixel;
            sum += texture2D(tex, gl_TexCoord[0].st + offset) * (weights[i] * weights[j]);
        }
    }
    gl_FragColor = sum / 256.0 * gl_Color;
}
