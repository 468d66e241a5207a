#version 120
// Milk: a white liquid that swirls and spreads in every direction without rising, fed by the
// spark picture where it is brightest, like milk poured into water.
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
    vec2 centred = uv - vec2(0.5);
    // A slow swirl around the centre.
    vec2 swirl = vec2(-centred.y, centred.x) * 0.004 + vec2(sin(uv.y * 9.0 + time), cos(uv.x * 9.0 - time)) * PIXEL;
    vec2 from = uv - swirl;
    vec3 milk = texture2D(texPrevious, from).rgb * 0.2
              + texture2D(texPrevious, from + vec2(2.0 * PIXEL, 0.0)).rgb * 0.2
              + texture2D(texPrevious, from - vec2(2.0 * PIXEL, 0.0)).rgb * 0.2
              + texture2D(texPrevious, from + vec2(0.0, 2.0 * PIXEL)).rgb * 0.2
              + texture2D(texPrevious, from - vec2(0.0, 2.0 * PIXEL)).rgb * 0.2;
    milk *= 0.995;

    vec3 spark = texture2D(texSpark, uv * 0.8 + vec2(time * 0.03, time * 0.02)).rgb;
    float pour = smoothstep(1.0 - max(spark_pct, 0.001), 1.0, dot(spark, vec3(0.4, 0.4, 0.2)) + 0.2);
    milk += vec3(1.0, 0.98, 0.94) * pour * 0.05;

    vec3 image = texture2D(texImage, uv).rgb;
    milk += image * image_factor * 0.02;
    milk = max(milk, image * image_shinethrough);
    gl_FragColor = vec4(clamp(milk, 0.0, 1.0), 1.0);
}
