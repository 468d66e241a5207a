// A radial blur: samples along the line from each point towards the centre (x, y), each one
// "step" times closer than the last, and blends the average over the picture by "strength".
uniform sampler2D image;
uniform vec4 RadialBlurParams; // centre x, centre y, step, strength

void main()
{
    vec2 centre = RadialBlurParams.xy;
    vec2 offset = gl_TexCoord[0].st - centre;
    vec4 picture = texture2D(image, gl_TexCoord[0].st);
    vec4 sum = vec4(0.0);
    float total = 0.0;
    float scale = 1.0;
    float weight = 1.0;
    for (int i = 0; i < 12; ++i) {
        sum += texture2D(image, centre + offset * scale) * weight;
        total += weight;
        scale *= RadialBlurParams.z;
        weight *= 0.9;
    }
    gl_FragColor = mix(picture, sum / total, clamp(RadialBlurParams.w, 0.0, 1.0)) * gl_Color;
}
