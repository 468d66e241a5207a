// The scene manager's record of the current frame, shared with every scene.
#pragma once

class FrameInfo {
public:
    FrameInfo() = default;

    void clear() { frame = 0; }
    void set_frame(int value) { frame = value; }
    int get_frame() const { return frame; }

    // Frames rendered so far; 0 until the manager stores the first count.
    int frame = 0;
};
