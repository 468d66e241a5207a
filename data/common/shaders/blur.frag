// A 5 x 5 binomial blur of the texture on unit 0 (taps two texels apart, each tap itself a
// bilinear average), times the vertex colour. The weights sum to one, so flat areas keep
// their colour. The texel size comes from the texture where EXT_gpu_shader4 offers its size at
// this language level; without it the step is one screen pixel measured in texture
// coordinates, the same for a picture drawn at its own size. Either way no uniform is needed.
#version 120
#extension GL_EXT_gpu_shader4 : enable

uniform sampler2D tex;

void main()
{
#ifdef GL_EXT_gpu_shader4
    vec2 pixel = 1.0 / vec2(textureSize2D(tex, 0));
#else
    vec2 pixel = fwidth(gl_TexCoord[0].st);
#endif
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
