// The bump-mapped vertex stage with a twist: every vertex, its normal and its tangent turn
// about the object's y axis by twist radians per unit of height plus time radians.
#version 120

uniform float time;
uniform float twist;

attribute vec3 tangent;

varying vec3 normal;
varying vec3 tangent_eye;
varying vec3 bitangent_eye;
varying vec3 position;

vec3 turn(vec3 v, float c, float s)
{
    return vec3(c * v.x + s * v.z, v.y, -s * v.x + c * v.z);
}

void main()
{
    float angle = twist * gl_Vertex.y + time;
    float c = cos(angle);
    float s = sin(angle);
    vec4 vertex = vec4(turn(gl_Vertex.xyz, c, s), gl_Vertex.w);
    normal = gl_NormalMatrix * turn(gl_Normal, c, s);
    tangent_eye = gl_NormalMatrix * turn(tangent, c, s);
    bitangent_eye = cross(normal, tangent_eye);
    position = vec3(gl_ModelViewMatrix * vertex);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ModelViewProjectionMatrix * vertex;
}
