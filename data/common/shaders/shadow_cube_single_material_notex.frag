// Lighting pass of the shadowed render: the front material lit by GL light 0 (the light of
// this pass), wherever the light's shadow cube on the unit named by "shadow" does not hide it.
// The passes are added together, so nothing of the ambient pre-pass is repeated here.
#version 120
// The depth comparison of a cube shadow map needs EXT_gpu_shader4 at this language level.
// Without it the stored depth is read and compared here.
#extension GL_EXT_gpu_shader4 : enable

#ifdef GL_EXT_gpu_shader4
uniform samplerCubeShadow shadow;
#else
uniform samplerCube shadow;
#endif
uniform mat4 light_projection_matrix;

varying vec3 normal;
varying vec3 position;
varying vec3 light_vector;

// 1 where the fragment is lit by the light, 0 where something nearer to the light covers it.
// The cube face that the light vector points into stored window depths of the face
// projection; the fragment's own depth in that projection follows from its distance along
// the face's axis (the largest component of the light vector).
float lit_by_light()
{
    vec3 v = light_vector;
    float axis_distance = max(abs(v.x), max(abs(v.y), abs(v.z)));
    vec4 clip = light_projection_matrix * vec4(0.0, 0.0, -axis_distance, 1.0);
    float depth = clip.z / clip.w * 0.5 + 0.5;
#ifdef GL_EXT_gpu_shader4
    return shadowCube(shadow, vec4(v, depth)).r;
#else
    return depth <= textureCube(shadow, v).r ? 1.0 : 0.0;
#endif
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
    light_terms(0, normalize(normal), position, ambient_diffuse, specular);
    gl_FragColor = vec4((ambient_diffuse + specular) * lit_by_light(), gl_FrontMaterial.diffuse.a);
}
