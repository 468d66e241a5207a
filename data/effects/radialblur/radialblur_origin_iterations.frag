#version 120
// Radial blur towards an origin with a given number of samples: each sample "step" times as
// far from the origin as the one before; the average of them, tinted by the colour.
uniform sampler2D image;
uniform vec4 RadialBlurParams; // origin x, origin y, step, iterations

const int MAX_ITERATIONS = 256;

void main()
{
    vec2 origin = RadialBlurParams.xy;
    vec2 offset = gl_TexCoord[0].st - origin;
    int count = int(clamp(RadialBlurParams.w, 1.0, float(MAX_ITERATIONS)));
    vec4 sum = vec4(0.0);
    float scale = 1.0;
    for (int i = 0; i < MAX_ITERATIONS; ++i) {
        if (i >= count) break;
        sum += texture2D(image, origin + offset * scale);
        scale *= RadialBlurParams.z;
    }
    gl_FragColor = sum / float(count) * gl_Color;
}
