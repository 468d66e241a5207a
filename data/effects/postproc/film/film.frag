// An old-film look: colour amount, monochrome and three sepia tints, contrast and brightness,
// moving grain and dark scanlines. With Color 1, Contrast 1 and every other control 0 the
// picture passes unchanged.
uniform sampler2D image;
uniform float time;
uniform float FilmgrainAmount;
uniform float ScanlineAmount;

// The colour controls, folded by the vertex stage.
varying vec4 tone;
varying float lift;

float grain(vec2 position)
{
    return fract(sin(dot(position, vec2(12.9898, 78.233))) * 43758.5453) - 0.5;
}

void main()
{
    vec4 picture = texture2D(image, gl_TexCoord[0].st);
    float grey = dot(picture.rgb, vec3(0.299, 0.587, 0.114));
    vec3 c = picture.rgb * tone.x + grey * tone.yzw + lift;
    c += grain(gl_FragCoord.xy + fract(time) * 97.0) * FilmgrainAmount;
    float line = mod(floor(gl_FragCoord.y), 2.0);
    c *= 1.0 - ScanlineAmount * line;
    gl_FragColor = vec4(clamp(c, 0.0, 1.0), picture.a) * gl_Color;
}
