// Full-screen pass: the picture's coordinates and the vertex colour go through unchanged. The
// colour controls are the same for every pixel, so they are folded here, once a vertex, into
// one linear map of the picture's colour and its grey:
//   colour x tone.x + grey x tone.yzw + lift
// which is what the mixes towards grey and the three sepias, the contrast and the brightness
// make of it, in that order.
uniform float Color;
uniform float Monochrome;
uniform float BrownSepia;
uniform float GreenSepia;
uniform float BlueSepia;
uniform float Contrast;
uniform float Brightness;

varying vec4 tone;
varying float lift;

void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();

    // mix(grey, colour, Color)
    float colour_weight = Color;
    vec3 grey_weight = vec3(1.0 - Color);
    // mix(c, grey x tint, amount) for plain grey and each sepia
    float amount = clamp(Monochrome, 0.0, 1.0);
    colour_weight *= 1.0 - amount;
    grey_weight = grey_weight * (1.0 - amount) + amount;
    amount = clamp(BrownSepia, 0.0, 1.0);
    colour_weight *= 1.0 - amount;
    grey_weight = grey_weight * (1.0 - amount) + amount * vec3(1.07, 0.74, 0.43);
    amount = clamp(GreenSepia, 0.0, 1.0);
    colour_weight *= 1.0 - amount;
    grey_weight = grey_weight * (1.0 - amount) + amount * vec3(0.80, 1.00, 0.62);
    amount = clamp(BlueSepia, 0.0, 1.0);
    colour_weight *= 1.0 - amount;
    grey_weight = grey_weight * (1.0 - amount) + amount * vec3(0.62, 0.82, 1.10);
    // (c - 0.5) x Contrast + 0.5 + Brightness
    tone = vec4(colour_weight, grey_weight) * Contrast;
    lift = 0.5 - 0.5 * Contrast + Brightness;
}
