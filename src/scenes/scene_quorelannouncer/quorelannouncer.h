// A caption board that announces invented units of measurement: a picture strip along the
// bottom of the screen, a small cow in the bottom right corner, a title line and up to two
// lines of definition that are typed out character by character. Tracks choose the page, how
// much of its text shows and the fade; nothing is kept between frames, so the typing follows
// the progress track back and forth.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scenes/scene/scene.h"

class Texture;
class Text;

class QuorelAnnouncer : public Scene {
public:
    QuorelAnnouncer();
    ~QuorelAnnouncer() override;

    QuorelAnnouncer(const QuorelAnnouncer&) = delete;
    QuorelAnnouncer& operator=(const QuorelAnnouncer&) = delete;

    void init() override;
    void render() override;
    void reshape(int w, int h) override;

    // The body wraps onto a second line once it is typed past this many characters.
    static constexpr size_t LINE_LENGTH = 70;

    struct BodyLines {
        std::string first;
        std::string second;
        bool has_second = false;
    };
    // The first `typed` characters of a body on at most two lines. Typed past the line
    // length, the first line ends before the last blank at or before the line length, and
    // that blank becomes the line break; a body without such a blank breaks hard at the line
    // length. The second line shows as soon as typed text lies beyond the break.
    static BodyLines split_body(const std::string& body, size_t typed);

private:
    Texture* strip = nullptr;
    Texture* cow = nullptr;
    Text* title_text = nullptr;
    Text* body_text = nullptr;
    std::vector<std::pair<std::string, std::string>> pages; // title, body
};
