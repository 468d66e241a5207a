// Second pass of deferred shading over the whole screen: the colour (unit 0), normal (unit 1)
// and position (unit 2) pictures of the first pass, lit by the first num_lights GL lights (at
// most 8) with their ambient and diffuse colours. The background passes through unlit.
#version 120

uniform int num_lights;
uniform sampler2D colour_map;
uniform sampler2D normal_map;
uniform sampler2D position_map;

// Ambient and diffuse light that GL light i casts at eye-space position p with unit normal
// n, with the light's attenuation and spot cone.
vec3 diffuse_light(int i, vec3 n, vec3 p)
{
    vec4 light_position = gl_LightSource[i].position;
    vec3 l = light_position.xyz - p * light_position.w;
    float d = length(l);
    l = d > 0.0 ? l / d : vec3(0.0, 0.0, 1.0);
    float attenuation = 1.0;
    if (light_position.w != 0.0) {
        attenuation = 1.0 / (gl_LightSource[i].constantAttenuation +
                             gl_LightSource[i].linearAttenuation * d +
                             gl_LightSource[i].quadraticAttenuation * d * d);
    }
    if (gl_LightSource[i].spotCutoff <= 90.0) {
        float c = dot(-l, normalize(gl_LightSource[i].spotDirection));
        attenuation *= c >= gl_LightSource[i].spotCosCutoff
                           ? pow(max(c, 0.0), gl_LightSource[i].spotExponent) : 0.0;
    }
    float n_dot_l = max(dot(n, l), 0.0);
    return attenuation * (gl_LightSource[i].ambient.rgb + gl_LightSource[i].diffuse.rgb * n_dot_l);
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec4 colour = texture2D(colour_map, uv);
    vec4 position = texture2D(position_map, uv);
    if (position.a == 0.0) {
        gl_FragColor = colour * gl_Color;
        return;
    }
    vec3 n = normalize(texture2D(normal_map, uv).xyz * 2.0 - 1.0);
    vec3 light = vec3(0.0);
    for (int i = 0; i < 8; ++i) {
        if (i >= num_lights) break;
        light += diffuse_light(i, n, position.xyz);
    }
    gl_FragColor = vec4(colour.rgb * light, colour.a) * gl_Color;
}
