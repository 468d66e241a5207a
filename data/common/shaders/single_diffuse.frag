// Diffuse lighting by GL light 0 of the texture on unit 0 times the vertex colour.
#version 120

uniform sampler2D texture;

varying vec3 normal;
varying vec3 position;

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
    vec3 light = diffuse_light(0, normalize(normal), position);
    vec4 colour = texture2D(texture, gl_TexCoord[0].st) * gl_Color;
    gl_FragColor = vec4(colour.rgb * light, colour.a);
}
