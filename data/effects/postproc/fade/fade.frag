// Fades the picture towards black (color.x 0) or white (color.x 1) by the amount color.y.
uniform sampler2D image;
uniform vec2 color;

void main()
{
    vec4 picture = texture2D(image, gl_TexCoord[0].st);
    vec3 faded = mix(picture.rgb, vec3(color.x), clamp(color.y, 0.0, 1.0));
    gl_FragColor = vec4(faded, picture.a) * gl_Color;
}
