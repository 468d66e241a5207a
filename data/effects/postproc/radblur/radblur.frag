// A radial blur: the mean of twelve samples along the line from each point towards the centre
// (x, y), each "step" times closer than the last and weighted 0.9 times the one before,
// blended over the picture by "strength". "gathered" holds, for each point, the mean of the
// samples 0, 4 and 8 steps in (radblur_gather.frag); four of those means, 0 to 3 steps in,
// make all twelve.
uniform sampler2D image;
uniform sampler2D gathered;
uniform vec4 RadialBlurParams; // centre x, centre y, step, strength

void main()
{
    vec2 centre = RadialBlurParams.xy;
    vec2 offset = gl_TexCoord[0].st - centre;
    float step1 = RadialBlurParams.z;
    float step2 = step1 * step1;
    float step3 = step2 * step1;
    vec4 picture = texture2D(image, gl_TexCoord[0].st);
    // Weights 1, 0.9, 0.81 and 0.729, each over three samples of weight sum 2.08656721.
    vec4 sum = texture2D(gathered, centre + offset);
    sum += texture2D(gathered, centre + offset * step1) * 0.9;
    sum += texture2D(gathered, centre + offset * step2) * 0.81;
    sum += texture2D(gathered, centre + offset * step3) * 0.729;
    vec4 blurred = sum / 3.439;
    gl_FragColor = mix(picture, blurred, clamp(RadialBlurParams.w, 0.0, 1.0)) * gl_Color;
}
