// Shared vertex data of the 3-D renderer: up to four float streams, each with its own number
// of floats per element (0 = the stream is absent).
#pragma once

#include <string>
#include <vector>

struct Mesh {
    std::string name;
    std::vector<float> vertices;
    std::vector<float> normals;
    std::vector<float> tangents;
    std::vector<float> texcoords;
    int vertices_stride = 0;
    int normals_stride = 0;
    int tangents_stride = 0;
    int texcoords_stride = 0;
};
