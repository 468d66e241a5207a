// Per-pixel lighting of the front material by GL light 0, plus the emission and the global
// ambient light, modulating the texture on unit 0, with the normal from the tangent-space
// normal map on unit 1; the highlight is added on top.
#version 120

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

// Ambient, diffuse and specular light of GL light i on the front material at eye-space
// position p with unit normal n, with the light's attenuation and spot cone.
void light_terms(int i, vec3 n, vec3 p, out vec3 ambient_diffuse, out vec3 specular)
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
    vec3 h = normalize(l + normalize(-p));
    float highlight = n_dot_l > 0.0
                          ? pow(max(dot(n, h), 0.0), max(gl_FrontMaterial.shininess, 1.0)) : 0.0;
    ambient_diffuse = attenuation * (gl_FrontLightProduct[i].ambient.rgb +
                                     gl_FrontLightProduct[i].diffuse.rgb * n_dot_l);
    specular = attenuation * gl_FrontLightProduct[i].specular.rgb * highlight;
}

void main()
{
    vec3 ambient_diffuse;
    vec3 specular;
    light_terms(0, bumped_normal(), position, ambient_diffuse, specular);
    vec4 texel = texture2D(texture, gl_TexCoord[0].st);
    vec3 colour = (gl_FrontLightModelProduct.sceneColor.rgb + ambient_diffuse) * texel.rgb;
    gl_FragColor = vec4(colour + specular, gl_FrontMaterial.diffuse.a * texel.a);
}
