// Per-pixel lighting of the front material by the first num_lights GL lights (at most 8),
// plus the emission and the global ambient light; alpha is the material's diffuse alpha.
#version 120

uniform int num_lights;

varying vec3 normal;
varying vec3 position;

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
    vec3 n = normalize(normal);
    vec3 colour = gl_FrontLightModelProduct.sceneColor.rgb;
    vec3 highlights = vec3(0.0);
    for (int i = 0; i < 8; ++i) {
        if (i >= num_lights) break;
        vec3 ambient_diffuse;
        vec3 specular;
        light_terms(i, n, position, ambient_diffuse, specular);
        colour += ambient_diffuse;
        highlights += specular;
    }
    gl_FragColor = vec4(colour + highlights, gl_FrontMaterial.diffuse.a);
}
