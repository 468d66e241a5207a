#version 120
// Smoke: the picture drifts slowly upwards along a swaying current, spreads to its
// neighbours and thins out; the spark picture, scrolled slowly, puffs new smoke in along the
// bottom. Smoke is grey with a touch of blue.
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
    vec2 drift = vec2(sin(uv.y * 11.0 + time * 1.3) * 1.2 + sin(uv.y * 27.0 - time * 0.7) * 0.5, 1.5) * PIXEL;
    vec2 from = uv - drift;
    vec3 smoke = texture2D(texPrevious, from).rgb * 0.36
               + texture2D(texPrevious, from + vec2(1.5 * PIXEL, 0.0)).rgb * 0.16
               + texture2D(texPrevious, from - vec2(1.5 * PIXEL, 0.0)).rgb * 0.16
               + texture2D(texPrevious, from + vec2(0.0, 1.5 * PIXEL)).rgb * 0.16
               + texture2D(texPrevious, from - vec2(0.0, 1.5 * PIXEL)).rgb * 0.16;
    smoke = smoke * 0.99 - vec3(0.0005);

    vec3 puff = texture2D(texSpark, vec2(uv.x * 0.6 + time * 0.02, uv.y * 0.6 - time * 0.15)).rgb;
    float density = dot(puff, vec3(0.3, 0.5, 0.2));
    float band = 1.0 - smoothstep(0.0, max(spark_pct, 0.001), uv.y);
    smoke += vec3(0.8, 0.85, 0.95) * density * band * 0.02;

    vec3 image = texture2D(texImage, uv).rgb;
    smoke += image * image_factor * 0.02;
    smoke = max(smoke, image * image_shinethrough);
    gl_FragColor = vec4(clamp(smoke, 0.0, 1.0), 1.0);
}
