// A GL test fixture: an SDL 1.2 OpenGL window (under Xvfb with llvmpipe in the test runs) with
// GLEW loaded. The window lives for one case: each case opens its own, also when the test
// program runs all its cases in one process.
#pragma once

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <functional>
#include <vector>

#include "support/child_process.h"

class GlTest : public ::testing::Test {
protected:
    static constexpr int WINDOW_WIDTH = 256;
    static constexpr int WINDOW_HEIGHT = 256;

    void SetUp() override;
    void TearDown() override;

    // Reads RGBA bytes of the current read buffer, bottom row first.
    static std::vector<unsigned char> read_rgba(int x, int y, int width, int height);
    // One pixel as RGBA bytes.
    static std::vector<unsigned char> pixel(int x, int y);
};

// Opens the window and loads GLEW unless a window is open; fails the test when that is
// impossible.
void open_gl_window(int width, int height);
// Closes the window and its GL context (the video subsystem), if one is open.
void close_gl_window();

// Runs body in a forked child that first opens a GL window of its own, so that a fatal report
// or a context set up differently ends with the child; its exit code and output come back.
ChildResult run_in_gl_child(const std::function<void()>& body, int width = 64, int height = 64);
