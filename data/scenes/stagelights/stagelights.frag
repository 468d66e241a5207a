// The stage, the smoke drifting over it and the light beams. The beams scatter off the smoke,
// so they glow brighter where it is thick, and the stage dims a little under dense smoke.
#version 120

uniform sampler2D texSmoke;
uniform sampler2D texLasers;
uniform sampler2D texStage;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec3 stage = texture2D(texStage, uv).rgb;
    vec3 smoke = texture2D(texSmoke, uv).rgb;
    vec3 beams = texture2D(texLasers, uv).rgb;
    float haze = clamp(dot(smoke, vec3(1.0 / 3.0)), 0.0, 1.0);
    vec3 colour = stage * (1.0 - 0.35 * haze) + smoke * 0.9 + beams * (0.9 + 1.5 * haze);
    gl_FragColor = vec4(colour, 1.0);
}
