// Typed, located reading of YAML fields.
#include "yaml_fields.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

namespace camrig {

namespace {

// yaml-cpp's marks are 0-based, and -1 for nodes that do not exist.
int crLineOf(const YAML::Node& node) {
    if (!node.IsDefined()) return 0;
    const int line = node.Mark().line;
    return line < 0 ? 0 : line + 1;
}

const char* crKindName(const YAML::Node& node) {
    switch (node.Type()) {
    case YAML::NodeType::Map: return "a map";
    case YAML::NodeType::Sequence: return "a list";
    case YAML::NodeType::Scalar: return "a value";
    default: return "nothing";
    }
}

// A scalar shown in a message: short and on one line.
std::string crScalarText(const YAML::Node& node) {
    std::string text = node.Scalar();
    if (text.size() > 40) text = text.substr(0, 40) + "...";
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return "\"" + text + "\"";
}

}  // namespace

int rigLine(const RigLines& lines, std::string path) {
    for (;;) {
        const auto found = lines.find(path);
        if (found != lines.end()) return found->second;
        const size_t cut = path.find_last_of(".[");
        if (cut == std::string::npos || cut == 0) return 0;
        path.resize(cut);
    }
}

YAML::Node loadYaml(const std::string& text, const std::string& file) {
    try {
        return YAML::Load(text);
    } catch (const YAML::ParserException& e) {
        throw RigError(file, e.mark.line < 0 ? 0 : e.mark.line + 1, "", "not valid YAML: " + e.msg);
    }
}

std::string fieldIndex(const std::string& path, size_t index) { return path + "[" + std::to_string(index) + "]"; }

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

void YamlFields::fail(const YAML::Node& node, const std::string& path, const std::string& problem) const {
    int line = crLineOf(node);
    if (line == 0 && lines_ != nullptr) line = rigLine(*lines_, path);
    throw RigError(file_, line, path, problem);
}

void YamlFields::note(const YAML::Node& node, const std::string& path) const {
    const int line = crLineOf(node);
    if (lines_ != nullptr && line > 0) (*lines_)[path] = line;
}

void YamlFields::map(const YAML::Node& node, const std::string& path,
                     std::initializer_list<const char*> allowed) const {
    if (!node.IsMap()) fail(node, path, std::string("expected a map (found ") + crKindName(node) + ")");
    note(node, path);
    std::set<std::string> seen;
    for (const auto& entry : node) {
        if (!entry.first.IsScalar()) fail(entry.first, path, "a key must be a name");
        const std::string& key = entry.first.Scalar();
        std::string field = path;
        field.append(path.empty() ? "" : ".").append(key);
        bool known = false;
        for (const char* name : allowed) known = known || key == name;
        if (!known) {
            std::string names;
            for (const char* name : allowed) names.append(names.empty() ? "" : ", ").append(name);
            fail(entry.first, field, "unknown field (allowed: " + names + ")");
        }
        if (!seen.insert(key).second) fail(entry.first, field, "given twice");
    }
}

YAML::Node YamlFields::need(const YAML::Node& map, const std::string& path, const char* key) const {
    const YAML::Node value = map[key];
    const std::string field = path.empty() ? std::string(key) : path + "." + key;
    if (!value) fail(map, field, "missing");
    return value;
}

size_t YamlFields::list(const YAML::Node& node, const std::string& path, size_t min, size_t max) const {
    if (!node.IsSequence()) fail(node, path, std::string("expected a list (found ") + crKindName(node) + ")");
    note(node, path);
    const size_t size = node.size();
    if (size < min || size > max) {
        const std::string allowed = min == max ? std::to_string(min) : std::to_string(min) + ".." + std::to_string(max);
        fail(node, path, "wrong number of entries (value " + std::to_string(size) + ", allowed " + allowed + ")");
    }
    return size;
}

double YamlFields::real(const YAML::Node& node, const std::string& path) const {
    if (!node.IsScalar()) fail(node, path, std::string("expected a number (found ") + crKindName(node) + ")");
    note(node, path);
    double value = 0;
    if (!YAML::convert<double>::decode(node, value))
        fail(node, path, "not a number (value " + crScalarText(node) + ")");
    if (!std::isfinite(value)) fail(node, path, "not finite (value " + crScalarText(node) + ", allowed finite)");
    return value;
}

float YamlFields::number(const YAML::Node& node, const std::string& path) const {
    const double value = real(node, path);
    if (std::fabs(value) > std::numeric_limits<float>::max())
        fail(node, path, "out of range (value " + crScalarText(node) + ", allowed a finite float)");
    return static_cast<float>(value);
}

int YamlFields::integer(const YAML::Node& node, const std::string& path, int min, int max) const {
    const double value = real(node, path);
    if (value != std::floor(value)) fail(node, path, "not a whole number (value " + crScalarText(node) + ")");
    if (value < min || value > max)
        fail(node, path,
             "out of range (value " + crScalarText(node) + ", allowed " + std::to_string(min) + ".." +
                 std::to_string(max) + ")");
    return static_cast<int>(value);
}

bool YamlFields::boolean(const YAML::Node& node, const std::string& path) const {
    if (!node.IsScalar()) fail(node, path, std::string("expected true or false (found ") + crKindName(node) + ")");
    note(node, path);
    bool value = false;
    if (!YAML::convert<bool>::decode(node, value))
        fail(node, path, "not true or false (value " + crScalarText(node) + ")");
    return value;
}

std::string YamlFields::text(const YAML::Node& node, const std::string& path) const {
    if (!node.IsScalar()) fail(node, path, std::string("expected a name (found ") + crKindName(node) + ")");
    note(node, path);
    return node.Scalar();
}

void YamlFields::numbers(const YAML::Node& node, const std::string& path, float* out, size_t count) const {
    list(node, path, count, count);
    for (size_t i = 0; i < count; ++i) out[i] = number(node[i], fieldIndex(path, i));
}

}  // namespace camrig
