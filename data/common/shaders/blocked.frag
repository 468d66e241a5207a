// Pixelation: the picture is cut into blocks.x by blocks.y cells and each cell shows the
// texture at its centre, times the vertex colour.
#version 120

uniform sampler2D tex;
uniform vec2 blocks;

void main()
{
    vec2 cells = max(blocks, vec2(1.0));
    vec2 centre = (floor(gl_TexCoord[0].st * cells) + 0.5) / cells;
    gl_FragColor = texture2D(tex, centre) * gl_Color;
}
