// Shows the picture in coarse blocks: "blocks" is the number of blocks across and up; each
// block takes the colour at its centre.
uniform sampler2D image;
uniform vec2 blocks;

void main()
{
    vec2 grid = max(blocks, vec2(1.0));
    vec2 uv = (floor(gl_TexCoord[0].st * grid) + 0.5) / grid;
    gl_FragColor = texture2D(image, uv) * gl_Color;
}
