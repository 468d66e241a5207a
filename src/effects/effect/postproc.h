// The base of the full-screen post-processing passes that the scene manager chains after the
// scenes. A pass has a name and named float parameters, which the manager fills from the sync
// tracks "pp" + parameter name every frame before it runs the pass.
#pragma once

#include <string>
#include <vector>

class FBO;

namespace Effects {

class PostProc {
public:
    PostProc() = default;
    virtual ~PostProc();
    PostProc(const PostProc&) = delete;
    PostProc& operator=(const PostProc&) = delete;

    // Called before set_uniforms with the picture size, the music time in beats and the FBO
    // holding the pass's input picture. Does nothing unless a pass needs it.
    virtual void prepare(int w, int h, float time, FBO* source);
    // Binds the pass's program and sets its uniforms; the manager then draws the source
    // picture through it.
    virtual void set_uniforms(int w, int h, float time);
    // True where the pass, with its present parameters, would draw its input unchanged: the
    // manager then passes the picture on without running it.
    virtual bool leaves_picture_unchanged() const;

    std::string get_name() const;
    const std::vector<std::string>& get_param_names() const;
    // Out-of-range indices are ignored (set) or read as 0 (get).
    void set_param(int i, float value);
    float get_param(int i) const;

protected:
    // Appends a parameter: the effect's name followed by the word, with its default.
    void add_param(const std::string& word, float value);

    std::string name;
    std::vector<float> param_values;
    std::vector<std::string> param_names;
};

} // namespace Effects
