#version 120
// Radial blur towards an origin: the average of samples on the line from each point towards
// the origin, the last one "step" of the way out, scaled by the intensity and the colour.
uniform sampler2D image;
uniform vec4 RadialBlurParams; // origin x, origin y, step, intensity

const int SAMPLES = 24;

void main()
{
    vec2 origin = RadialBlurParams.xy;
    vec2 offset = gl_TexCoord[0].st - origin;
    vec4 sum = vec4(0.0);
    for (int i = 0; i < SAMPLES; ++i) {
        float scale = mix(1.0, RadialBlurParams.z, float(i) / float(SAMPLES - 1));
        sum += texture2D(image, origin + offset * scale);
    }
    gl_FragColor = sum / float(SAMPLES) * RadialBlurParams.w * gl_Color;
}
