#version 120
// Gray: the fire's rising, flickering heat without its colours, a grey flame that fades as
// it climbs.
uniform sampler2D texPrevious;
uniform sampler2D texImage;
uniform sampler2D texSpark;
uniform float time;
uniform float image_factor;
uniform float image_shinethrough;
uniform float spark_pct;

const float PIXEL = 1.0 / 512.0;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    float flicker = sin(uv.y * 43.0 + time * 7.0) + sin(uv.x * 29.0 - time * 5.0);
    vec2 below = uv - vec2(flicker * 0.6 * PIXEL, 2.0 * PIXEL);
    float heat = texture2D(texPrevious, below).r * 0.4
               + texture2D(texPrevious, below - vec2(PIXEL, 0.0)).r * 0.3
               + texture2D(texPrevious, below + vec2(PIXEL, 0.0)).r * 0.3;
    heat = heat * 0.97 - 0.002;

    vec3 spark = texture2D(texSpark, vec2(uv.x + time * 0.05, uv.y * 0.5 - time * 0.8)).rgb;
    float band = 1.0 - smoothstep(0.0, max(spark_pct, 0.001), uv.y);
    heat += dot(spark, vec3(0.3, 0.59, 0.11)) * band * 0.25;

    float image = dot(texture2D(texImage, uv).rgb, vec3(0.3, 0.59, 0.11));
    heat += image * image_factor * 0.1;
    heat = max(heat, image * image_shinethrough);
    gl_FragColor = vec4(vec3(clamp(heat, 0.0, 1.0)), 1.0);
}
