// Depth of field: the picture on unit 0 is blurred by a disc whose radius grows with the
// distance of the depth on unit 1 from the focus depth (range scales it), in screen pixels.
#version 120

uniform sampler2D tex;
uniform sampler2D depth;
uniform float focus;
uniform float range;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec2 texel = fwidth(uv); // one screen pixel in texture coordinates
    float blur = clamp(abs(texture2D(depth, uv).r - focus) * range, 0.0, 1.0) * 6.0;
    vec4 sum = texture2D(tex, uv);
    float count = 1.0;
    for (int ring = 1; ring <= 2; ++ring) {
        for (int k = 0; k < 8; ++k) {
            float angle = float(k) * 0.7853982 + float(ring) * 0.3926991;
            vec2 offset = vec2(cos(angle), sin(angle)) * blur * float(ring) * 0.5 * texel;
            sum += texture2D(tex, uv + offset);
            count += 1.0;
        }
    }
    gl_FragColor = sum / count * gl_Color;
}
