#version 120
// Fire: every pixel takes the heat of the pixels a little below it, with a sideways flicker,
// and cools on the way up, blue and green faster than red, so flames turn from yellow to red
// before they fade. The scrolling spark picture feeds new heat in along the bottom.
uniform sampler2D texPrevious;
uniform sampler2D texImage;
uniform sampler2D texSpark;
uniform float time;
uniform float image_factor;       // how much of the picture feeds the fire
uniform float image_shinethrough; // how much of the picture shows through it
uniform float spark_pct;          // height of the band that the sparks feed, 0..1

const float PIXEL = 1.0 / 512.0;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    float flicker = sin(uv.y * 43.0 + time * 7.0) + sin(uv.x * 29.0 - time * 5.0);
    vec2 below = uv - vec2(flicker * 0.6 * PIXEL, 2.0 * PIXEL);
    vec3 heat = texture2D(texPrevious, below).rgb * 0.4
              + texture2D(texPrevious, below - vec2(PIXEL, 0.0)).rgb * 0.3
              + texture2D(texPrevious, below + vec2(PIXEL, 0.0)).rgb * 0.3;
    heat = heat * vec3(0.985, 0.965, 0.92) - vec3(0.002);

    vec3 spark = texture2D(texSpark, vec2(uv.x + time * 0.05, uv.y * 0.5 - time * 0.8)).rgb;
    float band = 1.0 - smoothstep(0.0, max(spark_pct, 0.001), uv.y);
    heat += spark * band * 0.35;

    vec3 image = texture2D(texImage, uv).rgb;
    heat += image * image_factor * 0.1;
    heat = max(heat, image * image_shinethrough);
    gl_FragColor = vec4(clamp(heat, 0.0, 1.0), 1.0);
}
