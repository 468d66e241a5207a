// An old-film look: colour amount, monochrome and three sepia tints, contrast and brightness,
// moving grain and dark scanlines. With Color 1, Contrast 1 and every other control 0 the
// picture passes unchanged.
uniform sampler2D image;
uniform float time;
uniform float Color;
uniform float Monochrome;
uniform float BrownSepia;
uniform float GreenSepia;
uniform float BlueSepia;
uniform float Contrast;
uniform float Brightness;
uniform float FilmgrainAmount;
uniform float ScanlineAmount;

float grain(vec2 position)
{
    return fract(sin(dot(position, vec2(12.9898, 78.233))) * 43758.5453) - 0.5;
}

void main()
{
    vec4 picture = texture2D(image, gl_TexCoord[0].st);
    float grey = dot(picture.rgb, vec3(0.299, 0.587, 0.114));
    vec3 c = mix(vec3(grey), picture.rgb, Color);
    c = mix(c, vec3(grey), clamp(Monochrome, 0.0, 1.0));
    c = mix(c, grey * vec3(1.07, 0.74, 0.43), clamp(BrownSepia, 0.0, 1.0));
    c = mix(c, grey * vec3(0.80, 1.00, 0.62), clamp(GreenSepia, 0.0, 1.0));
    c = mix(c, grey * vec3(0.62, 0.82, 1.10), clamp(BlueSepia, 0.0, 1.0));
    c = (c - 0.5) * Contrast + 0.5 + Brightness;
    c += grain(gl_FragCoord.xy + fract(time) * 97.0) * FilmgrainAmount;
    float line = mod(floor(gl_FragCoord.y), 2.0);
    c *= 1.0 - ScanlineAmount * line;
    gl_FragColor = vec4(clamp(c, 0.0, 1.0), picture.a) * gl_Color;
}
