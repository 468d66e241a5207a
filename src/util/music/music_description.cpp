#include "util/music/music.h"

#include "util/error/fatal.h"

// Stand-ins until the music description is read.

void Music::load_description(const std::string& path)
{
    FATAL_ERROR("src\\util\\music\\music", "Could not load " + path + ". Error=''. Exiting.\n");
}

void Music::load_midi(const std::string& path)
{
    FATAL_ERROR("src\\util\\music\\music", "Failed to load " + path);
}

void Music::load_als(const std::string& path)
{
    FATAL_ERROR("src\\util\\music\\music", "Failed to load " + path);
}

void Music::load_controller_template(const std::string&, Modulator*) {}
