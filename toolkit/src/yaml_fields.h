// Reading YAML documents field by field: every value is checked for its type
// and shape as it is taken, and every problem becomes a RigError naming the
// file, the line and the field's path (such as "cameras.front.image[0]").
// Internal to the toolkit.
#pragma once

#include <yaml-cpp/yaml.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "camrig_toolkit/rig.h"

namespace camrig {

// Field path -> line (1-based) of the value read there; the checks that run
// after reading use it to point at the line.
using RigLines = std::map<std::string, int>;

// The line of `path`, or of the nearest enclosing field read; 0 if none.
int rigLine(const RigLines& lines, std::string path);

// Loads YAML text; a syntax error becomes a RigError with its line.
YAML::Node loadYaml(const std::string& text, const std::string& file);

class YamlFields {
public:
    YamlFields(std::string file, RigLines* lines) : file_(std::move(file)), lines_(lines) {}

    const std::string& file() const { return file_; }
    [[noreturn]] void fail(const YAML::Node& node, const std::string& path, const std::string& problem) const;

    // Checks that `node` is a map whose keys are all in `allowed`, each once.
    void map(const YAML::Node& node, const std::string& path, std::initializer_list<const char*> allowed) const;
    // The value under `key` of the map at `path`; fails when it is missing.
    YAML::Node need(const YAML::Node& map, const std::string& path, const char* key) const;
    // The number of entries of a list at `path` (min..max).
    size_t list(const YAML::Node& node, const std::string& path, size_t min, size_t max) const;

    // A finite number that fits a float.
    float number(const YAML::Node& node, const std::string& path) const;
    // A finite double.
    double real(const YAML::Node& node, const std::string& path) const;
    // A whole number within [min, max].
    int integer(const YAML::Node& node, const std::string& path, int min, int max) const;
    bool boolean(const YAML::Node& node, const std::string& path) const;
    std::string text(const YAML::Node& node, const std::string& path) const;
    // A list of exactly `count` numbers.
    void numbers(const YAML::Node& node, const std::string& path, float* out, size_t count) const;

    // The optional `key` of `map` read by `read` into *out; left as it is when absent.
    template <typename Read>
    void optional(const YAML::Node& map, const std::string& path, const char* key, Read read) const {
        const YAML::Node value = map[key];
        if (value) read(value, path + "." + key);
    }

private:
    void note(const YAML::Node& node, const std::string& path) const;
    std::string file_;
    RigLines* lines_;
};

std::string fieldIndex(const std::string& path, size_t index);
// A number as messages show it: as many digits as it needs to read back.
std::string numberText(double value);

}  // namespace camrig
