// The first half of the radial blur: for each point, the weighted mean of three samples on
// the line from it towards the centre (x, y), at "step" to the powers 0, 4 and 8 of the way
// (weights 1, 0.9^4 and 0.9^8). The second half (radblur.frag) takes four of these means, each
// "step" times closer than the last, which together make the twelve samples of the whole blur.
uniform sampler2D image;
uniform vec4 RadialBlurParams; // centre x, centre y, step, strength

void main()
{
    vec2 centre = RadialBlurParams.xy;
    vec2 offset = gl_TexCoord[0].st - centre;
    float step2 = RadialBlurParams.z * RadialBlurParams.z;
    float step4 = step2 * step2;
    vec4 sum = texture2D(image, centre + offset);
    sum += texture2D(image, centre + offset * step4) * 0.6561;
    sum += texture2D(image, centre + offset * (step4 * step4)) * 0.43046721;
    gl_FragColor = sum / 2.08656721;
}
