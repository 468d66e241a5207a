// A 5 x 5 binomial blur of the texture on unit 0 (taps two texels apart, each tap itself a
// bilinear average), times the vertex colour. The weights sum to one, so flat areas keep
// their colour.
#version 130

uniform sampler2D tex;

void main()
{
    vec2 texel = 1.0 / vec2(textureSize(tex, 0));
    float weights[5] = float[5](1.0, 4.0, 6.0, 4.0, 1.0);
    vec4 sum = vec4(0.0);
    for (int j = 0; j < 5; ++j) {
        for (int i = 0; i < 5; ++i) {
            vec2 offset = vec2(float(i - 2), float(j - 2)) * 2.0 * texel;
            sum += texture2D(tex, gl_TexCoord[0].st + offset) * (weights[i] * weights[j]);
        }
    }
    gl_FragColor = sum / 256.0 * gl_Color;
}
