// The helpers the camrig command's subcommands share (sizes, folders, timing
// and the progress line).
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

// A picture or view size, "WIDTHxHEIGHT", each 16..4096.
struct CliSize {
    int width = 0, height = 0;
};
// The parser behind the size options' validator; false on anything else.
bool parseCliSize(const std::string& text, CliSize* size);

// `folder`/`name`, or `name` alone when the folder is empty.
std::string cliJoin(const std::string& folder, const std::string& name);
// The folder of a file's path ("." when it has none).
std::string cliFolderOf(const std::string& path);
// Creates the folder and its parents when missing; throws RigError otherwise.
void cliMakeFolder(const std::string& folder);

// Milliseconds since construction.
class CliStopwatch {
public:
    double ms() const;

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// "\r<task> <step>/<steps> <what>" on stderr, only when stderr is a terminal
// and the task has run for a second; the line is ended when the task is done
// or abandoned (an error unwinding).
class CliProgress {
public:
    CliProgress(std::string task, int steps);
    CliProgress(const CliProgress&) = delete;
    CliProgress& operator=(const CliProgress&) = delete;
    ~CliProgress();
    void step(const std::string& what);

private:
    std::string task_;
    int steps_, done_ = 0;
    size_t width_ = 0;  // the longest line shown, blanked by shorter ones; 0 until one is
    bool shown_;
    CliStopwatch clock_;
};
