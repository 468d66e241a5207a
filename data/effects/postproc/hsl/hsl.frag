// Scales the picture's saturation: 0 is grey, 1 leaves it as it is, above 1 is more vivid.
uniform sampler2D image;
uniform float saturate;

void main()
{
    vec4 picture = texture2D(image, gl_TexCoord[0].st);
    float grey = dot(picture.rgb, vec3(0.299, 0.587, 0.114));
    vec3 result = clamp(mix(vec3(grey), picture.rgb, saturate), 0.0, 1.0);
    gl_FragColor = vec4(result, picture.a) * gl_Color;
}
