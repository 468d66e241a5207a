// Bump-mapped surfaces: the eye-space tangent frame (normal, the tangent attribute and
// their cross product) and the eye-space position; texture coordinate 0 and the colour pass through.
#version 120

attribute vec3 tangent;

varying vec3 normal;
varying vec3 tangent_eye;
varying vec3 bitangent_eye;
varying vec3 position;

void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    tangent_eye = gl_NormalMatrix * tangent;
    bitangent_eye = cross(normal, tangent_eye);
    position = vec3(gl_ModelViewMatrix * gl_Vertex);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
