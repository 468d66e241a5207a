// Diffuse lighting by the first num_lights GL lights (at most 8) of the texture on unit 0
// times the vertex colour, with the normal from the tangent-space normal map on unit 1, lit on both sides (back faces reverse the normal).
#version 120

uniform int num_lights;
uniform sampler2D texture;
uniform sampler2D normal_map;

varying vec3 normal;
varying vec3 tangent_eye;
varying vec3 bitangent_eye;
varying vec3 position;

// The surface normal in eye space from the tangent-space normal map on unit 1.
vec3 bumped_normal()
{
    vec3 t = texture2D(normal_map, gl_TexCoord[0].st).xyz * 2.0 - 1.0;
    vec3 n = normalize(normal);
    vec3 tangent_axis = tangent_eye - n * dot(n, tangent_eye);
    if (dot(tangent_axis, tangent_axis) < 1e-12) return n;
    tangent_axis = normalize(tangent_axis);
    vec3 bitangent_axis = cross(n, tangent_axis);
    return normalize(tangent_axis * t.x + bitangent_axis * t.y + n * t.z);
}

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
    vec3 n = bumped_normal();
    if (!gl_FrontFacing) n = -n;
    vec3 light = vec3(0.0);
    for (int i = 0; i < 8; ++i) {
        if (i >= num_lights) break;
        light += diffuse_light(i, n, position);
    }
    vec4 colour = texture2D(texture, gl_TexCoord[0].st) * gl_Color;
    gl_FragColor = vec4(colour.rgb * light, colour.a);
}
