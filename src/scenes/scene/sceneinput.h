// A scene's view of the manager's key-state bytes (82 of them, one per key the show knows).
#pragma once

class SceneInput {
public:
    SceneInput() = default;

    void set_key_state(unsigned char* state) { key_state = state; }
    unsigned char* get_key_state() const { return key_state; }

private:
    unsigned char* key_state = nullptr;
};
